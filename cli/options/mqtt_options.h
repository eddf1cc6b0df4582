#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "cli/options/arguments.h"

namespace cli {

// Where poll --mqtt publishes, and as whom.
struct MqttEndpoint {
    std::string host;
    int port = 1883;
    bool tls = false; // mqtts://, checked against the system's CA store
    std::string user;
    std::optional<std::string> password; // --mqtt-password-file
};

struct MqttSettings {
    MqttEndpoint endpoint;
    std::optional<std::string> baseTopic; // --mqtt-topic; none: from the port
    std::string discoveryPrefix = "homeassistant";
};

// mqtt://[user@]host[:port] (1883 by default) or mqtts://... (8883); an IPv6
// address in brackets. Gives what is wrong, worded for a usage error.
std::variant<MqttEndpoint, std::string> ReadMqttUrl(std::string_view text);

// The password: the first line of the file, without its line end. Gives
// what is wrong when the file cannot be read.
std::variant<std::string, std::string> ReadPasswordFile(const std::string& path);

// --mqtt and the options that go with it; none without --mqtt; what is wrong
// when they do not fit together or a value is bad.
std::variant<std::optional<MqttSettings>, std::string> ReadMqttOptions(const Arguments& arguments);

// The default topic for the port as given: "ht5530k/" and its last path
// component, every character other than a letter, a digit, '.', '_' or '-'
// made '_': /dev/serial/by-id/usb-FTDI_X-if00 gives "ht5530k/usb-FTDI_X-if00".
std::string DefaultBaseTopic(std::string_view port);

} // namespace cli
