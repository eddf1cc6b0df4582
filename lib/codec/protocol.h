#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// The HT5530K's Modbus RTU vocabulary: every number the requests, the
// responses and the virtual module share is named here once.
namespace codec {

// Function codes.
constexpr std::uint8_t kReadHoldingRegisters = 0x03;
constexpr std::uint8_t kReadInputRegisters = 0x04;
constexpr std::uint8_t kWriteSingleRegister = 0x06;
constexpr std::uint8_t kReadAddress = 0x25; // the module's own: who listens at 250 answers

// An exception response carries the request's function code with this bit set.
constexpr std::uint8_t kExceptionBit = 0x80;

// The address read and the adjustment write go to this address, whatever the
// module's own address is.
constexpr std::uint8_t kBroadcastAddress = 0xFA;

// The address read's data: register field 0x0200, count field 0x0001.
constexpr std::uint16_t kAddressReadField = 0x0200;
constexpr std::uint16_t kAddressReadCount = 0x0001;

// Registers.
constexpr std::uint16_t kHumidityRegister = 0;               // hundredths of %RH
constexpr std::uint16_t kTemperatureRegister = 1;            // hundredths of a degree
constexpr std::uint16_t kAddressRegister = 0x0B00;           // the module's bus address
constexpr std::uint16_t kHumidityAdjustRegister = 0x0A00;    // adjustment row 0
constexpr std::uint16_t kTemperatureAdjustRegister = 0x0A02; // adjustment row 1

// A register value that means the module has no valid reading.
constexpr std::uint16_t kNoReading = 65535;
// Register values above this are negative, in two's complement.
constexpr std::uint16_t kLargestPositive = 20000;

// The rates the module speaks, always 8N1, in the order the window lists them.
inline constexpr std::array<int, 4> kModuleRates{4800, 9600, 14400, 19200};

// The rate a saved one of 0 stands for; any other saved rate is used as it is.
constexpr std::int16_t RateToApply(std::int16_t savedRate) {
    return savedRate == 0 ? std::int16_t{9600} : savedRate;
}

// The addresses the module takes in an address change, and so the addresses
// a bus of them has.
constexpr std::uint8_t kLowestAddress = 1;
constexpr std::uint8_t kHighestNewAddress = 35;

// Exception codes the module answers with.
constexpr std::uint8_t kIllegalFunction = 0x01;
constexpr std::uint8_t kIllegalDataAddress = 0x02;
constexpr std::uint8_t kIllegalDataValue = 0x03;
constexpr std::uint8_t kDeviceFailure = 0x04;

// Appends the CRC-16 of the bytes already in `frame`, low byte first.
void AppendCrc(std::vector<std::uint8_t>& frame);

// Whether the frame's last two bytes are the CRC-16 of the bytes before them,
// low byte first. A frame of fewer than three bytes never checks.
bool CrcMatches(std::span<const std::uint8_t> frame);

} // namespace codec
