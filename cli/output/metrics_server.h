#pragma once

#include <functional>
#include <optional>
#include <string>

#include <QHttpServer>

#include "cli/options/listen_address.h"

namespace cli {

// The Prometheus endpoint of poll --metrics: GET /metrics answers the text
// it is given at that moment, any other path 404. Qt's own HTTP server, on
// the event loop of the poll: a scrape is answered between two turns.
class MetricsServer {
public:
    MetricsServer();

    // Listens at `address`; what is wrong when it cannot ("cannot serve
    // metrics at 127.0.0.1:9530: The bound address is already in use").
    std::optional<std::string> listen(const ListenAddress& address);
    // What /metrics answers from now on; before, an empty text.
    void serve(std::function<std::string()> text) { m_text = std::move(text); }

private:
    QHttpServer m_http;
    std::function<std::string()> m_text;
};

} // namespace cli
