#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace master {

// What a register read answered; a register not read, or without a reading,
// is empty.
struct Reading {
    int registers = 0;                       // how many were read: 0, 1 or 2
    std::optional<std::int32_t> humidity;    // register 0, hundredths of %RH
    std::optional<std::int32_t> temperature; // register 1, hundredths of a degree
};

// The registers of a sound register read answer (from start register 0) of
// `count` registers.
Reading ReadingOf(std::span<const std::uint8_t> answer, int count);

} // namespace master
