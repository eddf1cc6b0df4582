#include "cli/output/mqtt_publisher.h"

#include "cli/output/home_assistant.h"

namespace cli {

namespace {

constexpr std::string_view kOnline = "online";
constexpr std::string_view kOffline = "offline";

} // namespace

MqttPublisher::MqttPublisher(Plan plan)
    : m_plan(std::move(plan)), m_status(StatusTopic(m_plan.base)),
      m_announcement(m_plan.settings.discoveryPrefix + "/status"),
      m_client(m_plan.settings.endpoint, m_status) {
    for (const int address : m_plan.addresses) {
        m_modules[address] = {StateTopic(m_plan.base, address),
                              AvailabilityTopic(m_plan.base, address), std::nullopt};
    }
    m_client.onConnected = [this] { connected(); };
    m_client.onMessage = [this](std::string_view topic, std::string_view payload) {
        if (topic == m_announcement && payload == kOnline) {
            announce();
        }
    };
}

void MqttPublisher::turned(const Row& row, bool answering) {
    const auto found = m_modules.find(row.address);
    if (found == m_modules.end()) {
        return;
    }
    Module& module = found->second;
    const bool changed = module.online != answering;
    // Kept while disconnected too: the next connection publishes it.
    module.online = answering;
    if (!m_client.connected()) {
        return;
    }
    if (changed) {
        m_client.publish(module.availabilityTopic, answering ? kOnline : kOffline, true);
    }
    if (row.missed.empty() && row.outcome != master::Outcome::Lost) {
        WriteJsonRow(row, m_json);
        m_client.publish(module.stateTopic, m_json, false);
    }
}

void MqttPublisher::finish(int waitMs) {
    m_client.publish(m_status, kOffline, true);
    m_client.close(waitMs);
}

void MqttPublisher::connected() {
    m_client.publish(m_status, kOnline, true);
    m_client.subscribe(m_announcement);
    announce();
    for (const auto& [address, module] : m_modules) {
        if (module.online) {
            m_client.publish(module.availabilityTopic, *module.online ? kOnline : kOffline, true);
        }
    }
}

void MqttPublisher::announce() {
    for (const int address : m_plan.addresses) {
        const auto name = m_plan.names.find(address);
        const DiscoveredModule module{
            m_plan.settings.discoveryPrefix,
            m_plan.base,
            address,
            name == m_plan.names.end() ? std::string_view() : std::string_view(name->second),
            m_plan.port,
            m_plan.registers,
        };
        for (const MqttMessage& message : DiscoveryMessages(module)) {
            m_client.publish(message.topic, message.payload, true);
        }
    }
}

} // namespace cli
