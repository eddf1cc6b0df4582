#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include <QObject>
#include <QString>

#include "master/clock.h"
#include "master/exchanger.h"
#include "master/frame_trace.h"
#include "master/serial_line.h"

namespace master {

// Exchanges on a line whose device may go away for a while and come back: a
// USB adapter pulled and plugged in again, the program behind a
// pseudo-terminal restarted. For runs that must outlast that.
//
// When the port is lost the keeper says so once, ends the exchange under way
// with the outcome Lost, and from then on ends every exchange asked of it the
// same way, at once and without sending anything. Meanwhile it tries every
// `retryMs` to open the device again at the path it was given, so that a
// /dev/serial/by-id name or a COMn link finds the device wherever it comes
// back. Once the port is open, exchanges go out again.
//
// It is an Exchanger, so whatever exchanges through one (a poll of several
// modules) keeps its line by exchanging through a keeper instead.
class LineKeeper : public QObject, public Exchanger {
    Q_OBJECT
public:
    LineKeeper(SerialLine& line, Clock& clock, const FrameTrace& trace, int retries,
               QObject* parent = nullptr);

    // Keeps `device` at `baud`, open now, through its outages.
    void keep(const QString& device, int baud, int retryMs);
    // The device could not be opened at the start (`reason`): kept as
    // through an outage from the start, told (down) with the first exchange
    // asked, so that whoever asks has had the time to listen.
    void startAway(const QString& reason);
    bool isUp() const { return m_up; }

    // As Exchanger::exchange, but while the port is away, or when it goes
    // away meanwhile, `done` gets an exchange with the outcome Lost, no bytes
    // and the time the exchange was asked for. `attempts` is 1 when it was
    // under way (its request out, or waiting for the line to be quiet), 0
    // when nothing was sent.
    void exchange(std::span<const std::uint8_t> request, const Expectation& expected, int timeoutMs,
                  Done done) override;

signals:
    // The port was lost (the reason, for the user); once per outage.
    void down(const QString& reason);
    // The port is open again, after `outageMs` without it.
    void up(double outageMs);

private:
    void lineLost(const QString& reason);
    void reopen();
    void endLost(int attempts);

    Clock& m_clock;
    std::unique_ptr<Timer> m_retry;
    std::unique_ptr<Timer> m_lostTurn; // ends an exchange asked for while down
    QString m_awayReason;              // of a device missing at the start, until told
    QString m_device;
    int m_baud = 0;
    int m_retryMs = 1000;
    bool m_up = true;
    std::int64_t m_downSinceNs = 0;
    QString m_lastRefusal; // why the last reopen failed, told once with --verbose
    // The exchange under way, or waiting to be ended as lost.
    Done m_done;
    WallClock::time_point m_askedAt;
    bool m_underWay = false; // handed to the line
};

} // namespace master
