#include "sim/module_model.h"

#include <algorithm>

namespace sim {

namespace {

using codec::kAddressRegister;
using codec::kBroadcastAddress;
using codec::kReadAddress;
using codec::kReadHoldingRegisters;
using codec::kReadInputRegisters;
using codec::kWriteSingleRegister;

constexpr unsigned kRegisterCount = 2;
constexpr unsigned kHumidityOffsetRegister = codec::kHumidityAdjustRegister;
constexpr unsigned kTemperatureOffsetRegister = codec::kTemperatureAdjustRegister;

// The largest read a Modbus request may ask for; above it the count itself is wrong.
constexpr unsigned kMaxReadCount = 125;

constexpr std::uint8_t kMinNewAddress = 1;

std::uint8_t High(unsigned value) {
    return static_cast<std::uint8_t>((value >> 8) & 0xFFU);
}
std::uint8_t Low(unsigned value) {
    return static_cast<std::uint8_t>(value & 0xFFU);
}

std::vector<std::uint8_t> Sealed(std::vector<std::uint8_t> frame) {
    codec::AppendCrc(frame);
    return frame;
}

// A write is answered by echoing it from the address the module now has.
std::vector<std::uint8_t> Echo(std::span<const std::uint8_t, kRequestSize> request,
                               std::uint8_t address) {
    std::vector<std::uint8_t> frame(request.begin(), request.begin() + 6);
    frame[0] = address;
    return Sealed(std::move(frame));
}

bool IsOffsetRegister(unsigned reg) {
    return reg == kHumidityOffsetRegister || reg == kTemperatureOffsetRegister;
}

void SetOffset(ModuleState& state, unsigned reg, unsigned value) {
    const int offset = static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    (reg == kHumidityOffsetRegister ? state.humidityOffset : state.temperatureOffset) = offset;
}

std::vector<std::uint8_t> ReadRegisters(const ModuleState& state, std::uint8_t function,
                                        unsigned start, unsigned count) {
    if (count == 0 || count > kMaxReadCount) {
        return ExceptionResponse(state.address, function, ExceptionCode::IllegalDataValue);
    }
    if (start + count > kRegisterCount) {
        return ExceptionResponse(state.address, function, ExceptionCode::IllegalDataAddress);
    }
    std::vector<std::uint8_t> frame{state.address, function, static_cast<std::uint8_t>(2 * count)};
    for (unsigned reg = start; reg < start + count; ++reg) {
        const std::uint16_t value = RegisterValue(state, static_cast<int>(reg));
        frame.push_back(High(value));
        frame.push_back(Low(value));
    }
    return Sealed(std::move(frame));
}

std::vector<std::uint8_t> WriteRegister(ModuleState& state,
                                        std::span<const std::uint8_t, kRequestSize> request,
                                        unsigned reg, unsigned value) {
    if (reg == kAddressRegister) {
        if (value < kMinNewAddress || value > codec::kHighestNewAddress) {
            return ExceptionResponse(state.address, kWriteSingleRegister,
                                     ExceptionCode::IllegalDataValue);
        }
        state.address = static_cast<std::uint8_t>(value);
        return Echo(request, state.address);
    }
    if (IsOffsetRegister(reg)) {
        SetOffset(state, reg, value);
        return Echo(request, state.address);
    }
    return ExceptionResponse(state.address, kWriteSingleRegister,
                             ExceptionCode::IllegalDataAddress);
}

// At the shared address only the two requests every module understands get an
// answer; anything else there may be meant for other devices on the line.
std::vector<std::uint8_t> AnswerBroadcast(ModuleState& state,
                                          std::span<const std::uint8_t, kRequestSize> request,
                                          unsigned reg, unsigned value) {
    const std::uint8_t function = request[1];
    if (function == kReadAddress && reg == codec::kAddressReadField &&
        value == codec::kAddressReadCount) {
        return Sealed({state.address, kReadAddress, 0x02, 0x00, state.address});
    }
    if (function == kWriteSingleRegister && IsOffsetRegister(reg)) {
        SetOffset(state, reg, value);
        return Echo(request, state.address);
    }
    return {};
}

} // namespace

std::uint16_t RegisterValue(const ModuleState& state, int reg) {
    const int value =
        reg == 0 ? std::clamp(state.humidity + state.humidityOffset + state.humidityNoise,
                              kHumidityMin, kHumidityMax)
                 : std::clamp(state.temperature + state.temperatureOffset + state.temperatureNoise,
                              kTemperatureMin, kTemperatureMax);
    return static_cast<std::uint16_t>(value);
}

std::vector<std::uint8_t> Answer(ModuleState& state, std::span<const std::uint8_t> frame) {
    // Address, function and CRC at the least.
    if (frame.size() < 4 || !codec::CrcMatches(frame)) {
        return {};
    }
    const std::uint8_t function = frame[1];
    if (frame.size() != kRequestSize) {
        if (frame[0] != state.address) {
            return {};
        }
        const bool known = function == kReadHoldingRegisters || function == kReadInputRegisters ||
                           function == kWriteSingleRegister;
        return ExceptionResponse(state.address, function,
                                 known ? ExceptionCode::IllegalDataValue
                                       : ExceptionCode::IllegalFunction);
    }
    const auto request = frame.first<kRequestSize>();
    const unsigned reg = request[2] * 256U + request[3];
    const unsigned value = request[4] * 256U + request[5];
    if (request[0] == kBroadcastAddress && state.address != kBroadcastAddress) {
        return AnswerBroadcast(state, request, reg, value);
    }
    if (request[0] != state.address) {
        return {};
    }
    switch (function) {
    case kReadHoldingRegisters:
    case kReadInputRegisters:
        return ReadRegisters(state, function, reg, value);
    case kWriteSingleRegister:
        return WriteRegister(state, request, reg, value);
    default:
        return ExceptionResponse(state.address, function, ExceptionCode::IllegalFunction);
    }
}

std::vector<std::uint8_t> ExceptionResponse(std::uint8_t address, std::uint8_t function,
                                            ExceptionCode code) {
    return Sealed({address, static_cast<std::uint8_t>(function | codec::kExceptionBit),
                   static_cast<std::uint8_t>(code)});
}

} // namespace sim
