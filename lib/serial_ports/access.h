#pragma once

#include <optional>
#include <vector>

#include <QString>

#include "serial_ports/system_view.h"

namespace serial_ports {

// Whether a user may open a device for reading and writing, and what lets them.
struct Access {
    bool allowed = false;
    // What grants it ("as root", "owner", "group dialout", "ACL for alice",
    // "ACL for group plugdev", "everyone"), or what it is when refused
    // ("crw-rw---- root dialout").
    QString reason;
    // A group whose membership would give access, by its permissions or an
    // ACL entry; nothing when no group does.
    std::optional<unsigned> grantingGroup;
};

// The kernel's check (owner, then ACL users, then the groups, then others),
// for read and write together.
Access CheckAccess(const SystemView& view, const NodeStatus& node, unsigned uid,
                   const std::vector<unsigned>& groups);

// "crw-rw----" with "+" when an access list goes beyond the mode, then owner and group.
QString DescribeMode(const SystemView& view, const NodeStatus& node);

} // namespace serial_ports
