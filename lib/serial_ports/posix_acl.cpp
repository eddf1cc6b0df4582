#include "serial_ports/posix_acl.h"

#include <cstdint>

namespace serial_ports {

namespace {

constexpr std::uint32_t kVersion = 2;
constexpr int kHeaderSize = 4;
constexpr int kEntrySize = 8;

std::uint32_t Little(const QByteArray& bytes, int at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    }
    return value;
}

std::optional<AclEntry::Tag> TagOf(std::uint32_t code) {
    switch (code) {
    case 0x01:
        return AclEntry::Tag::UserObj;
    case 0x02:
        return AclEntry::Tag::User;
    case 0x04:
        return AclEntry::Tag::GroupObj;
    case 0x08:
        return AclEntry::Tag::Group;
    case 0x10:
        return AclEntry::Tag::Mask;
    case 0x20:
        return AclEntry::Tag::Other;
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<std::vector<AclEntry>> ParseAcl(const QByteArray& value) {
    if (value.size() < kHeaderSize || (value.size() - kHeaderSize) % kEntrySize != 0 ||
        Little(value, 0, 4) != kVersion) {
        return std::nullopt;
    }
    std::vector<AclEntry> entries;
    for (int at = kHeaderSize; at < value.size(); at += kEntrySize) {
        const std::optional<AclEntry::Tag> tag = TagOf(Little(value, at, 2));
        if (!tag) {
            return std::nullopt;
        }
        entries.push_back({*tag, Little(value, at + 4, 4), Little(value, at + 2, 2) & 7U});
    }
    return entries;
}

} // namespace serial_ports
