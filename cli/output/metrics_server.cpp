#include "cli/output/metrics_server.h"

#include <QTcpServer>

namespace cli {

MetricsServer::MetricsServer() {
    m_http.route("/metrics", [this] {
        const std::string text = m_text ? m_text() : std::string();
        return QHttpServerResponse("text/plain; version=0.0.4; charset=utf-8",
                                   QByteArray::fromStdString(text));
    });
}

std::optional<std::string> MetricsServer::listen(const ListenAddress& address) {
    const QHostAddress host = address.host.empty()
                                  ? QHostAddress(QHostAddress::Any)
                                  : QHostAddress(QString::fromStdString(address.host));
    // A server of our own, to say why it cannot listen; QHttpServer takes it.
    auto* tcp = new QTcpServer(&m_http);
    if (!tcp->listen(host, static_cast<quint16>(address.port))) {
        const std::string shown =
            address.host.find(':') != std::string::npos ? '[' + address.host + ']' : address.host;
        return "cannot serve metrics at " + shown + ':' + std::to_string(address.port) + ": " +
               tcp->errorString().toStdString();
    }
    m_http.bind(tcp);
    return std::nullopt;
}

} // namespace cli
