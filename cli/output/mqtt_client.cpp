#include "cli/output/mqtt_client.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mosquitto.h>
#include <new>

#include <QEventLoop>

#include "cli/output/diagnostics.h"

namespace cli {

namespace {

constexpr int kKeepAliveS = 30;
// A broker that does not accept within this long (a route that drops the
// connection's packets, a port that never answers) is not reached.
constexpr int kConnectWaitS = 10;
constexpr int kLongestDelayS = 60;
// How long a publish waits for others to share its packet.
constexpr int kFlushMs = 100;

// "Connection refused", "the connection was lost": after a parenthesis.
std::string ErrorText(int code) {
    if (code == MOSQ_ERR_ERRNO) {
        return std::strerror(errno);
    }
    std::string text = mosquitto_strerror(code);
    if (!text.empty() && text.back() == '.') {
        text.pop_back();
    }
    if (!text.empty() && text.front() >= 'A' && text.front() <= 'Z') {
        text.front() = static_cast<char>(text.front() - 'A' + 'a');
    }
    return text;
}

} // namespace

MqttClient::MqttClient(MqttEndpoint endpoint, const std::string& willTopic, QObject* parent)
    : QObject(parent), m_endpoint(std::move(endpoint)) {
    [[maybe_unused]] static const int library = mosquitto_lib_init();
    m_client = mosquitto_new(nullptr, true, this);
    if (m_client == nullptr) {
        throw std::bad_alloc();
    }
    mosquitto_connect_callback_set(m_client, &MqttClient::Connected);
    mosquitto_disconnect_callback_set(m_client, &MqttClient::Disconnected);
    mosquitto_message_callback_set(m_client, &MqttClient::Received);
    // Publishing then only queues: this client writes, when follow() says.
    mosquitto_threaded_set(m_client, true);
    static constexpr std::string_view kOffline = "offline";
    mosquitto_will_set(m_client, willTopic.c_str(), static_cast<int>(kOffline.size()),
                       kOffline.data(), 1, true);
    if (!m_endpoint.user.empty()) {
        mosquitto_username_pw_set(m_client, m_endpoint.user.c_str(),
                                  m_endpoint.password ? m_endpoint.password->c_str() : nullptr);
    }
    if (m_endpoint.tls) {
        mosquitto_int_option(m_client, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
    }
    m_keepAlive.setInterval(1000);
    connect(&m_keepAlive, &QTimer::timeout, this, [this] {
        mosquitto_loop_misc(m_client);
        follow();
    });
    m_flush.setSingleShot(true);
    m_flush.setInterval(kFlushMs);
    connect(&m_flush, &QTimer::timeout, this, [this] {
        if (m_write) {
            m_write->setEnabled(true);
        }
    });
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &MqttClient::attempt);
    m_connectWait.setSingleShot(true);
    m_connectWait.setInterval(kConnectWaitS * 1000);
    connect(&m_connectWait, &QTimer::timeout, this,
            [this] { failed("no answer within " + std::to_string(kConnectWaitS) + " s"); });
}

MqttClient::~MqttClient() {
    m_closing = true;
    unwatch();
    mosquitto_destroy(m_client);
}

void MqttClient::start() {
    attempt();
}

// Every attempt begins anew, closing what an earlier one left: a connection
// refused at once fails here.
void MqttClient::attempt() {
    errno = 0;
    const int code =
        mosquitto_connect_async(m_client, m_endpoint.host.c_str(), m_endpoint.port, kKeepAliveS);
    if (code != MOSQ_ERR_SUCCESS) {
        failed(ErrorText(code));
        return;
    }
    m_keepAlive.start();
    m_connectWait.start();
    follow();
}

void MqttClient::failed(const std::string& why) {
    const bool wasConnected = m_connected;
    m_connected = false;
    m_keepAlive.stop();
    m_connectWait.stop();
    unwatch();
    if (m_closing || m_retry.isActive()) {
        return;
    }
    if (!m_outage) {
        m_outage = true;
        m_delayS = 1;
        PrintError("MQTT broker " + where() + (wasConnected ? " lost (" : " not reached (") + why +
                   "); the poll goes on, and the broker is tried again after 1 s, 2 s, 4 s, "
                   "... up to every 60 s");
    }
    m_retry.start(m_delayS * 1000);
    m_delayS = std::min(m_delayS * 2, kLongestDelayS);
}

void MqttClient::publish(const std::string& topic, std::string_view payload, bool retain) {
    if (!m_connected) {
        return;
    }
    mosquitto_publish(m_client, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                      payload.data(), retain ? 1 : 0, retain);
    follow();
}

void MqttClient::subscribe(const std::string& topic) {
    if (m_connected) {
        mosquitto_subscribe(m_client, nullptr, topic.c_str(), 0);
        follow();
    }
}

void MqttClient::close(int waitMs) {
    m_closing = true;
    m_retry.stop();
    if (!m_connected) {
        return;
    }
    mosquitto_disconnect(m_client);
    follow();
    if (m_socket < 0) {
        return;
    }
    QEventLoop loop;
    m_closeLoop = &loop;
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    loop.exec();
    m_closeLoop = nullptr;
}

// The socket libmosquitto has now, watched; for writing only while it has
// something to send. A socket gone without a word is an outage too.
void MqttClient::follow() {
    const int socket = mosquitto_socket(m_client);
    if (socket != m_socket) {
        unwatch();
        if (socket >= 0) {
            watch(socket);
        } else if (!m_closing && !m_retry.isActive()) {
            failed("the connection was closed");
            return;
        }
    }
    if (m_write) {
        const bool waiting = mosquitto_want_write(m_client);
        if (!waiting) {
            m_write->setEnabled(false);
        } else if (m_connected && !m_closing && !m_write->isEnabled()) {
            if (!m_flush.isActive()) {
                m_flush.start();
            }
        } else {
            m_write->setEnabled(true); // connecting, closing, or a write under way
        }
    }
    if (m_closeLoop != nullptr && m_socket < 0) {
        m_closeLoop->quit();
    }
}

void MqttClient::watch(int socket) {
    m_socket = socket;
    m_read = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
    connect(m_read.get(), &QSocketNotifier::activated, this, [this] {
        mosquitto_loop_read(m_client, 1);
        follow();
    });
    m_write = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Write);
    connect(m_write.get(), &QSocketNotifier::activated, this, [this] {
        mosquitto_loop_write(m_client, 1);
        follow();
    });
}

// Called from the notifiers' own signals too: they go once control is back.
void MqttClient::unwatch() {
    m_socket = -1;
    for (std::unique_ptr<QSocketNotifier>* notifier : {&m_read, &m_write}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            notifier->release()->deleteLater();
        }
    }
}

std::string MqttClient::where() const {
    const bool v6 = m_endpoint.host.find(':') != std::string::npos;
    return (v6 ? "[" + m_endpoint.host + "]" : m_endpoint.host) + ':' +
           std::to_string(m_endpoint.port);
}

void MqttClient::Connected(mosquitto* /*client*/, void* self, int code) {
    auto* client = static_cast<MqttClient*>(self);
    client->m_connectWait.stop();
    if (code != 0) {
        client->failed(std::string("refused: ") + mosquitto_connack_string(code));
        return;
    }
    client->m_connected = true;
    client->m_delayS = 1;
    if (client->m_outage) {
        client->m_outage = false;
        PrintError("MQTT broker " + client->where() +
                   (client->m_reached ? " connected again" : " connected"));
    }
    client->m_reached = true;
    if (client->onConnected) {
        client->onConnected();
    }
}

void MqttClient::Disconnected(mosquitto* /*client*/, void* self, int code) {
    auto* client = static_cast<MqttClient*>(self);
    client->failed(ErrorText(code == MOSQ_ERR_SUCCESS ? MOSQ_ERR_CONN_LOST : code));
}

void MqttClient::Received(mosquitto* /*client*/, void* self, const mosquitto_message* message) {
    auto* client = static_cast<MqttClient*>(self);
    if (client->onMessage) {
        client->onMessage(message->topic,
                          std::string_view(static_cast<const char*>(message->payload),
                                           static_cast<std::size_t>(message->payloadlen)));
    }
}

} // namespace cli
