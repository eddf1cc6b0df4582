#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cli {

// A module as Home Assistant's MQTT discovery announces it: one device with a
// humidity sensor, and a temperature sensor when the poll reads it.
struct DiscoveredModule {
    std::string_view prefix; // the discovery prefix: "homeassistant"
    std::string_view base;   // the poll's topic: "ht5530k/ttyUSB0"
    int address = 1;
    std::string_view name; // --name; empty: "HT5530K <address>"
    std::string_view port; // the port as given, shown as the device's hardware
    int registers = 1;     // 2: the temperature is read too
};

struct MqttMessage {
    std::string topic;
    std::string payload;
};

// The device's identifier, unique for each topic and address: the topic's
// letters, digits, '_' and '-', other characters made '_', then the address:
// "ht5530k_ttyUSB0_3".
std::string DeviceId(std::string_view base, int address);

// "<base>/<address>/state", ".../availability", and "<base>/status".
std::string StateTopic(std::string_view base, int address);
std::string AvailabilityTopic(std::string_view base, int address);
std::string StatusTopic(std::string_view base);

// The retained configuration messages of the module's sensors. With one
// register, the temperature sensor's message is empty: it removes a sensor
// an earlier poll with --registers 2 announced.
std::vector<MqttMessage> DiscoveryMessages(const DiscoveredModule& module);

} // namespace cli
