#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "codec/protocol.h"

namespace sim {

constexpr std::size_t kRequestSize = 8;

// What the module holds. Readings are in hundredths of %RH and of a degree;
// the offsets are what the adjustment writes set and are added on every read.
struct ModuleState {
    std::uint8_t address = 1;
    int humidity = 4500;
    int temperature = 2300;
    int humidityOffset = 0;
    int temperatureOffset = 0;
    // Read noise (tools/read_noise.h): added to the readings as answered,
    // not to the state the drift walks.
    int humidityNoise = 0;
    int temperatureNoise = 0;
};

// Physical limits of the readings; adjusted values are clamped to them.
constexpr int kHumidityMin = 0;
constexpr int kHumidityMax = 10000;
constexpr int kTemperatureMin = -4000;
constexpr int kTemperatureMax = 12500;

enum class ExceptionCode : std::uint8_t {
    IllegalFunction = codec::kIllegalFunction,
    IllegalDataAddress = codec::kIllegalDataAddress,
    IllegalDataValue = codec::kIllegalDataValue,
    DeviceFailure = codec::kDeviceFailure,
};

// Register 0 is the humidity, register 1 the temperature (two's complement
// below zero), both with their offsets and noise applied.
std::uint16_t RegisterValue(const ModuleState& state, int reg);

// The module's answer to one frame: the response bytes, or nothing when it
// stays silent (CRC wrong, or addressed to another module). A frame at its
// address whose length is not that of the requests it knows gets an
// exception. Address changes and adjustment writes update the state.
std::vector<std::uint8_t> Answer(ModuleState& state, std::span<const std::uint8_t> frame);

std::vector<std::uint8_t> ExceptionResponse(std::uint8_t address, std::uint8_t function,
                                            ExceptionCode code);

} // namespace sim
