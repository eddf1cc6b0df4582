#include "codec/address_list.h"

#include <array>
#include <charconv>
#include <optional>

namespace codec {

namespace {

constexpr std::string_view kExample = "write a list such as 1-8 or 1,3,5-7";

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A number as written: digits only, and its value, or -1 when it is too
// large for an int (out of range for any address all the same).
struct Number {
    std::string_view text;
    int value = -1;
};

std::optional<Number> ReadNumber(std::string_view text) {
    text = Trimmed(text);
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    Number number{text};
    if (std::from_chars(text.data(), text.data() + text.size(), number.value).ec != std::errc()) {
        number.value = -1;
    }
    return number;
}

class Collector {
public:
    Collector(int lowest, int highest) : m_lowest(lowest), m_highest(highest) {}

    // Adds the addresses of one item; false, with the error set, when it is not one.
    bool add(std::string_view item) {
        const std::string_view text = Trimmed(item);
        if (text.empty()) {
            return fail("an empty item: remove the extra comma, or " + std::string(kExample));
        }
        const auto dash = text.find('-');
        const auto first = ReadNumber(text.substr(0, dash));
        const auto last =
            dash == std::string_view::npos ? first : ReadNumber(text.substr(dash + 1));
        if (!first || !last) {
            return fail("'" + std::string(text) +
                        "' is neither an address nor a range A-B: " + std::string(kExample));
        }
        for (const Number& bound : {*first, *last}) {
            if (bound.value < m_lowest || bound.value > m_highest) {
                return fail("address " + std::string(bound.text) +
                            " is out of range: give addresses from " + std::to_string(m_lowest) +
                            " to " + std::to_string(m_highest));
            }
        }
        const int step = first->value <= last->value ? 1 : -1;
        for (int address = first->value;; address += step) {
            if (m_seen[static_cast<std::size_t>(address)]) {
                return fail("address " + std::to_string(address) +
                            " is given twice: give each address once");
            }
            m_seen[static_cast<std::size_t>(address)] = true;
            m_list.addresses.push_back(static_cast<std::uint8_t>(address));
            if (address == last->value) {
                return true;
            }
        }
    }

    AddressList take() { return std::move(m_list); }

private:
    bool fail(std::string error) {
        m_list.addresses.clear();
        m_list.error = std::move(error);
        return false;
    }

    int m_lowest;
    int m_highest;
    std::array<bool, 256> m_seen{};
    AddressList m_list;
};

} // namespace

AddressList ParseAddressList(std::string_view text, int lowest, int highest) {
    Collector collector(lowest, highest);
    if (Trimmed(text).empty()) {
        AddressList empty;
        empty.error = "no address given: " + std::string(kExample);
        return empty;
    }
    for (;;) {
        const auto comma = text.find(',');
        if (!collector.add(text.substr(0, comma)) || comma == std::string_view::npos) {
            return collector.take();
        }
        text.remove_prefix(comma + 1);
    }
}

} // namespace codec
