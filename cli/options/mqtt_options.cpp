#include "cli/options/mqtt_options.h"

#include <algorithm>
#include <fstream>

#include <QUrl>

#include "options/number_reading.h"

namespace cli {

namespace {

// A topic to publish under: not empty, no wildcard, no '/' at either end.
std::optional<std::string> TopicError(std::string_view option, const std::string& topic) {
    if (topic.empty() || topic.front() == '/' || topic.back() == '/' ||
        topic.find_first_of("+#") != std::string::npos ||
        std::any_of(topic.begin(), topic.end(), [](unsigned char c) { return c < 0x20; })) {
        return options::BadValue(option, topic,
                                 "a topic without + or #, not beginning or ending with /");
    }
    return std::nullopt;
}

} // namespace

std::variant<MqttEndpoint, std::string> ReadMqttUrl(std::string_view text) {
    const std::string given(text);
    const auto bad = [&given](std::string_view why) {
        return options::BadValue("mqtt", given, why);
    };
    const QUrl url(QString::fromStdString(given), QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != "mqtt" && scheme != "mqtts")) {
        return bad("mqtt://[user@]host[:port] or mqtts://...");
    }
    if (!url.password().isEmpty()) {
        return bad("the password goes in --mqtt-password-file, never on the command line");
    }
    if (url.host().isEmpty()) {
        return bad("a host: mqtt://host or mqtt://user@host:port");
    }
    if ((!url.path().isEmpty() && url.path() != "/") || url.hasQuery() || url.hasFragment()) {
        return bad("mqtt://[user@]host[:port], nothing after the port");
    }
    MqttEndpoint endpoint;
    endpoint.tls = scheme == "mqtts";
    endpoint.port = url.port(endpoint.tls ? 8883 : 1883);
    if (endpoint.port == 0) {
        return bad("a port of 1 to 65535");
    }
    endpoint.host = url.host().toStdString();
    endpoint.user = url.userName().toStdString();
    return endpoint;
}

std::variant<std::string, std::string> ReadPasswordFile(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    if (!file || (!std::getline(file, line) && !file.eof())) {
        return std::variant<std::string, std::string>(
            std::in_place_index<1>, "cannot read the password file '" + path + "'");
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return std::variant<std::string, std::string>(std::in_place_index<0>, line);
}

std::variant<std::optional<MqttSettings>, std::string> ReadMqttOptions(const Arguments& arguments) {
    using Result = std::variant<std::optional<MqttSettings>, std::string>;
    const auto url = arguments.value("mqtt");
    if (!url) {
        for (const char* other : {"mqtt-password-file", "mqtt-topic", "mqtt-discovery-prefix"}) {
            if (arguments.has(other)) {
                return Result(std::in_place_index<1>,
                              "--" + std::string(other) + " needs --mqtt URL");
            }
        }
        return Result(std::in_place_index<0>, std::nullopt);
    }
    auto endpoint = ReadMqttUrl(*url);
    if (auto* error = std::get_if<std::string>(&endpoint)) {
        return Result(std::in_place_index<1>, *error);
    }
    MqttSettings settings;
    settings.endpoint = std::get<MqttEndpoint>(endpoint);
    if (const auto file = arguments.value("mqtt-password-file")) {
        if (settings.endpoint.user.empty()) {
            return Result(std::in_place_index<1>,
                          "--mqtt-password-file needs a user in the URL: mqtt://user@host");
        }
        auto password = ReadPasswordFile(*file);
        if (password.index() == 1) {
            return Result(std::in_place_index<1>, std::get<1>(password));
        }
        settings.endpoint.password = std::get<0>(password);
    }
    if (const auto topic = arguments.value("mqtt-topic")) {
        if (const auto error = TopicError("mqtt-topic", *topic)) {
            return Result(std::in_place_index<1>, *error);
        }
        settings.baseTopic = *topic;
    }
    if (const auto prefix = arguments.value("mqtt-discovery-prefix")) {
        if (const auto error = TopicError("mqtt-discovery-prefix", *prefix)) {
            return Result(std::in_place_index<1>, *error);
        }
        settings.discoveryPrefix = *prefix;
    }
    return Result(std::in_place_index<0>, std::move(settings));
}

std::string DefaultBaseTopic(std::string_view port) {
    const std::size_t slash = port.find_last_of('/');
    std::string name(slash == std::string_view::npos ? port : port.substr(slash + 1));
    for (char& c : name) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (!kept) {
            c = '_';
        }
    }
    return "ht5530k/" + (name.empty() ? std::string("port") : name);
}

} // namespace cli
