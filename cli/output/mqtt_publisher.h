#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/options/mqtt_options.h"
#include "cli/output/mqtt_client.h"
#include "cli/output/poll_listener.h"

namespace cli {

// What a poll publishes to an MQTT broker, under its topic (the base):
// - <base>/<address>/state: each exchange's row as a JSON object, with the
//   keys of a JSON line; a failed one with null values. Turns that sent no
//   request (skipped, lost) publish none: their module is offline.
// - <base>/<address>/availability: "online", or "offline" once the module is
//   backed off or the port is lost; retained, published when it changes.
// - <base>/status: "online" while connected, retained; "offline" at the end,
//   and the connection's last will when the program dies.
// - Home Assistant's discovery (home_assistant.h) under the prefix, retained:
//   on each connection, and again whenever <prefix>/status says "online".
class MqttPublisher : public PollListener {
public:
    struct Plan {
        MqttSettings settings;
        std::string base; // the topic, decided
        std::string port; // as given
        std::vector<int> addresses;
        std::map<int, std::string> names;
        int registers = 1;
    };

    explicit MqttPublisher(Plan plan);

    // Connects, and keeps connecting; never waits.
    void start() { m_client.start(); }
    void turned(const Row& row, bool answering) override;
    // "offline" on the status topic, then a clean disconnect: waits at most
    // `waitMs` on the event loop for it to go out.
    void finish(int waitMs);

private:
    struct Module {
        std::string stateTopic;
        std::string availabilityTopic;
        std::optional<bool> online; // none until its first turn
    };

    void connected();
    void announce();

    Plan m_plan;
    std::string m_status;       // <base>/status
    std::string m_announcement; // <prefix>/status
    std::map<int, Module> m_modules;
    std::string m_json; // a state's text, its buffer kept from turn to turn
    MqttClient m_client;
};

} // namespace cli
