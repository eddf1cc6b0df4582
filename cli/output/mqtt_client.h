#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <QEventLoop>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include "cli/options/mqtt_options.h"

struct mosquitto;
struct mosquitto_message;

namespace cli {

// A connection to an MQTT broker through libmosquitto, driven by the event
// loop: the socket is watched for reading, and for writing while something
// waits to go out, and a timer keeps the connection alive. What is published
// while connected goes out within 100 ms, with whatever else was published
// meanwhile: the states of a round's modules share a packet instead of
// costing a send each. Nothing waits for
// the broker. A broker that cannot be reached, refuses, does not answer
// within 10 s, or goes away is tried again after 1 s, 2 s, 4 s, ... up to
// every 60 s; one message on standard error says so for each outage, and
// one when it is back.
class MqttClient : public QObject {
    Q_OBJECT
public:
    // The broker publishes "offline" on `willTopic` (retained) when the
    // connection breaks off without a word: the last will.
    MqttClient(MqttEndpoint endpoint, const std::string& willTopic, QObject* parent = nullptr);
    ~MqttClient() override;
    MqttClient(const MqttClient&) = delete;
    MqttClient& operator=(const MqttClient&) = delete;

    // Starts connecting; returns at once.
    void start();
    bool connected() const { return m_connected; }
    // Sent when connected, else dropped: onConnected publishes again what
    // has to last. Quality of service 1 for retained messages, 0 otherwise.
    void publish(const std::string& topic, std::string_view payload, bool retain);
    void subscribe(const std::string& topic);
    // Disconnects cleanly, after what was published; waits on the event loop
    // at most `waitMs` for it to go out.
    void close(int waitMs);

    // Each time the broker accepts the connection.
    std::function<void()> onConnected;
    std::function<void(std::string_view topic, std::string_view payload)> onMessage;

private:
    static void Connected(mosquitto* client, void* self, int code);
    static void Disconnected(mosquitto* client, void* self, int code);
    static void Received(mosquitto* client, void* self, const mosquitto_message* message);

    void attempt();
    void failed(const std::string& why);
    void follow();
    void watch(int socket);
    void unwatch();
    std::string where() const;

    MqttEndpoint m_endpoint;
    mosquitto* m_client = nullptr;
    std::unique_ptr<QSocketNotifier> m_read;
    std::unique_ptr<QSocketNotifier> m_write;
    int m_socket = -1;
    QTimer m_keepAlive;
    QTimer m_retry;
    QTimer m_connectWait; // from an attempt until the broker answers it
    QTimer m_flush;       // from a publish until the socket is written
    int m_delayS = 1;
    bool m_connected = false;
    bool m_reached = false; // connected once: "connected again" after an outage
    bool m_outage = false;  // said on standard error; said again when back
    bool m_closing = false;
    QEventLoop* m_closeLoop = nullptr; // close() waiting for the socket to go
};

} // namespace cli
