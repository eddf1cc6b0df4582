#pragma once

#include <cstdint>
#include <deque>

#include <QByteArray>
#include <QObject>
#include <QString>

// The serial-port control as the window uses it: a port number, line settings
// as text ("19200,N,8,1"), an open flag, a receive buffer read whole, and one
// notification, onComm, raised on the GUI thread with the reason in commEvent().
//
// Receive notifications follow a threshold: with rThreshold() = n > 0 the
// control raises onComm with event Receive once at least n bytes wait; with 0
// it raises none, and bytes keep collecting in the buffer meanwhile.
//
// Notifications can be held while a window handler runs (including a modal
// message box with its nested event loop): other events are delivered in
// order when the last hold is released, and then a receive notification is
// raised if the bytes waiting reach the threshold, so no waiting byte is lost
// or read twice.
class CommControl : public QObject {
    Q_OBJECT
public:
    // Event codes of commEvent(); Receive is the one the window acts on.
    enum Event : std::int16_t {
        Receive = 2,
        Break = 1001,
        FrameError = 1004,
        Overrun = 1006,
        ReceiveOverflow = 1008,
        ParityError = 1009,
        DeviceLost = 1012, // the device vanished while open; the port is now closed
    };

    static constexpr qsizetype kInBufferSize = 1024;

    explicit CommControl(QObject* parent = nullptr) : QObject(parent) {}
    ~CommControl() override = default;

    // Port number; set while the port is closed. A device may refuse numbers
    // it cannot map: then commPort() keeps the old value.
    virtual void setCommPort(std::int16_t number) { m_commPort = number; }
    std::int16_t commPort() const { return m_commPort; }

    // "<baud>,N,8,1"; applied at the next open.
    void setSettings(const QString& settings) { m_settings = settings; }
    QString settings() const { return m_settings; }

    virtual bool portOpen() const = 0;
    // True opens the port with commPort() and settings(); this fails (the port
    // stays closed) when the device does not exist or another program holds it.
    virtual void setPortOpen(bool open) = 0;

    // Binary input (1) is the only mode; the value is kept for completeness.
    void setInputMode(int mode) { m_inputMode = mode; }
    int inputMode() const { return m_inputMode; }
    // 0: input() returns every waiting byte.
    void setInputLen(int length) { m_inputLen = length; }
    int inputLen() const { return m_inputLen; }

    // Setting the counts to 0 discards waiting input / unsent output.
    virtual void setInBufferCount(int count) = 0;
    virtual void setOutBufferCount(int count) = 0;
    virtual int inBufferCount() const = 0;

    void setSThreshold(int threshold) { m_sThreshold = threshold; }
    int sThreshold() const { return m_sThreshold; }
    void setRThreshold(int threshold) { m_rThreshold = threshold; }
    int rThreshold() const { return m_rThreshold; }

    // Queues the whole frame as one write. Ignored when the port is closed.
    virtual void output(const QByteArray& bytes) = 0;
    // Every waiting byte (up to inputLen() when that is above 0), removed from the buffer.
    virtual QByteArray input() = 0;

    std::int16_t commEvent() const { return m_commEvent; }

    // Hold notifications while a handler runs; nested holds are counted.
    void hold() { ++m_holds; }
    void release();

signals:
    void onComm();

protected:
    // Implementations call these when bytes arrive or something else happens.
    void bytesArrived();
    void raiseEvent(std::int16_t event);

private:
    void deliver(std::int16_t event);
    bool receiveDue() const { return m_rThreshold > 0 && inBufferCount() >= m_rThreshold; }

    std::int16_t m_commPort = 1;
    QString m_settings = QStringLiteral("9600,N,8,1");
    int m_inputMode = 0;
    int m_inputLen = 0;
    int m_sThreshold = 0;
    int m_rThreshold = 0;
    std::int16_t m_commEvent = 0;
    int m_holds = 0;
    std::deque<std::int16_t> m_heldEvents;
};

// The baud rate of a settings text ("19200,N,8,1" -> 19200); 0 when malformed.
int BaudOfSettings(const QString& settings);
