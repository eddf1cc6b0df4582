#include "serial_ports/access.h"

#include <algorithm>

namespace serial_ports {

namespace {

constexpr unsigned kReadWrite = 6;

bool Grants(unsigned perms) {
    return (perms & kReadWrite) == kReadWrite;
}

bool Contains(const std::vector<unsigned>& groups, unsigned gid) {
    return std::find(groups.begin(), groups.end(), gid) != groups.end();
}

// The access list the mode alone amounts to: owner, group, others.
std::vector<AclEntry> EffectiveAcl(const NodeStatus& node) {
    if (!node.acl.empty()) {
        return node.acl;
    }
    return {{AclEntry::Tag::UserObj, 0, (node.mode >> 6) & 7U},
            {AclEntry::Tag::GroupObj, 0, (node.mode >> 3) & 7U},
            {AclEntry::Tag::Other, 0, node.mode & 7U}};
}

unsigned Permissions(const std::vector<AclEntry>& acl, AclEntry::Tag tag) {
    for (const AclEntry& entry : acl) {
        if (entry.tag == tag) {
            return entry.perms;
        }
    }
    return 0;
}

} // namespace

Access CheckAccess(const SystemView& view, const NodeStatus& node, unsigned uid,
                   const std::vector<unsigned>& groups) {
    const std::vector<AclEntry> acl = EffectiveAcl(node);
    const bool hasMask = std::any_of(acl.begin(), acl.end(), [](const AclEntry& entry) {
        return entry.tag == AclEntry::Tag::Mask;
    });
    const unsigned mask = hasMask ? Permissions(acl, AclEntry::Tag::Mask) : 7U;

    // Groups that would grant it, for the fix when it is refused.
    std::optional<unsigned> granting;
    for (const AclEntry& entry : acl) {
        const bool group =
            entry.tag == AclEntry::Tag::GroupObj || entry.tag == AclEntry::Tag::Group;
        if (group && Grants(entry.perms & mask) && !granting) {
            granting = entry.tag == AclEntry::Tag::GroupObj ? node.gid : entry.id;
        }
    }
    const Access refused{false, DescribeMode(view, node), granting};

    if (uid == 0) {
        return {true, QStringLiteral("as root"), granting};
    }
    if (uid == node.uid) {
        if (Grants(Permissions(acl, AclEntry::Tag::UserObj))) {
            return {true, QStringLiteral("owner"), granting};
        }
        return refused;
    }
    for (const AclEntry& entry : acl) {
        if (entry.tag == AclEntry::Tag::User && entry.id == uid) {
            if (Grants(entry.perms & mask)) {
                return {true, QStringLiteral("ACL for %1").arg(view.userName(uid)), granting};
            }
            return refused;
        }
    }
    bool groupMatched = false;
    for (const AclEntry& entry : acl) {
        const bool own = entry.tag == AclEntry::Tag::GroupObj && Contains(groups, node.gid);
        const bool listed = entry.tag == AclEntry::Tag::Group && Contains(groups, entry.id);
        if (!own && !listed) {
            continue;
        }
        groupMatched = true;
        if (Grants(entry.perms & mask)) {
            const QString name = view.groupName(own ? node.gid : entry.id);
            return {true,
                    (listed ? QStringLiteral("ACL for group %1") : QStringLiteral("group %1"))
                        .arg(name),
                    granting};
        }
    }
    if (!groupMatched && Grants(Permissions(acl, AclEntry::Tag::Other))) {
        return {true, QStringLiteral("everyone"), granting};
    }
    return refused;
}

QString DescribeMode(const SystemView& view, const NodeStatus& node) {
    QString text = node.type == NodeStatus::Type::CharDevice  ? QStringLiteral("c")
                   : node.type == NodeStatus::Type::Directory ? QStringLiteral("d")
                                                              : QStringLiteral("-");
    const char* letters = "rwx";
    for (int bit = 8; bit >= 0; --bit) {
        text += (node.mode >> bit) & 1U ? QLatin1Char(letters[(8 - bit) % 3]) : QLatin1Char('-');
    }
    if (!node.acl.empty()) {
        text += QLatin1Char('+');
    }
    return QStringLiteral("%1 %2 %3").arg(text, view.userName(node.uid), view.groupName(node.gid));
}

} // namespace serial_ports
