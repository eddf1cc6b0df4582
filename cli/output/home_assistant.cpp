#include "cli/output/home_assistant.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli {

namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

struct Sensor {
    const char* key; // of the state's JSON and of the topics
    const char* title;
    const char* unit;
};

constexpr Sensor kHumidity{"humidity", "Humidity", "%"};
constexpr Sensor kTemperature{"temperature", "Temperature", "°C"};

QJsonObject Device(const DiscoveredModule& module) {
    const std::string address = std::to_string(module.address);
    return {
        {"identifiers", QJsonArray{Text(DeviceId(module.base, module.address))}},
        {"name", module.name.empty() ? Text("HT5530K " + address) : Text(module.name)},
        {"model", "HT5530K"},
        {"hw_version", Text("address " + address + " on " + std::string(module.port))},
    };
}

std::string ConfigTopic(const DiscoveredModule& module, const Sensor& sensor) {
    return std::string(module.prefix) + "/sensor/" + DeviceId(module.base, module.address) + '/' +
           sensor.key + "/config";
}

std::string Config(const DiscoveredModule& module, const Sensor& sensor) {
    const QString key = QString::fromLatin1(sensor.key);
    const QJsonObject config{
        {"name", sensor.title},
        {"unique_id", Text(DeviceId(module.base, module.address)) + '_' + key},
        {"state_topic", Text(StateTopic(module.base, module.address))},
        // A failed exchange has null values: "None", which the sensor shows
        // as unknown, never as 0.
        {"value_template", "{{ value_json." + key + " }}"},
        {"device_class", key},
        {"unit_of_measurement", QString::fromUtf8(sensor.unit)},
        {"state_class", "measurement"},
        {"availability",
         QJsonArray{QJsonObject{{"topic", Text(AvailabilityTopic(module.base, module.address))}},
                    QJsonObject{{"topic", Text(StatusTopic(module.base))}}}},
        {"availability_mode", "all"},
        {"device", Device(module)},
    };
    return QJsonDocument(config).toJson(QJsonDocument::Compact).toStdString();
}

} // namespace

std::string DeviceId(std::string_view base, int address) {
    std::string id(base);
    for (char& c : id) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (!kept) {
            c = '_';
        }
    }
    return id + '_' + std::to_string(address);
}

std::string StateTopic(std::string_view base, int address) {
    return std::string(base) + '/' + std::to_string(address) + "/state";
}

std::string AvailabilityTopic(std::string_view base, int address) {
    return std::string(base) + '/' + std::to_string(address) + "/availability";
}

std::string StatusTopic(std::string_view base) {
    return std::string(base) + "/status";
}

std::vector<MqttMessage> DiscoveryMessages(const DiscoveredModule& module) {
    return {
        {ConfigTopic(module, kHumidity), Config(module, kHumidity)},
        {ConfigTopic(module, kTemperature),
         module.registers >= 2 ? Config(module, kTemperature) : std::string()},
    };
}

} // namespace cli
