#include <algorithm>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QFile>

#include "serial_ports/posix_acl.h"
#include "serial_ports/system_view.h"

namespace serial_ports {

namespace {

NodeStatus InspectNode(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    if (::stat(name.constData(), &status) != 0) {
        return {};
    }
    NodeStatus node;
    if (S_ISCHR(status.st_mode)) {
        node.type = NodeStatus::Type::CharDevice;
    } else if (S_ISREG(status.st_mode)) {
        node.type = NodeStatus::Type::Regular;
    } else if (S_ISDIR(status.st_mode)) {
        node.type = NodeStatus::Type::Directory;
    } else {
        node.type = NodeStatus::Type::Other;
    }
    node.mode = status.st_mode & 07777U;
    node.uid = status.st_uid;
    node.gid = status.st_gid;
    QByteArray acl(1024, '\0');
    const ssize_t size =
        ::getxattr(name.constData(), "system.posix_acl_access", acl.data(), acl.size());
    if (size > 0) {
        acl.truncate(static_cast<int>(size));
        node.acl = ParseAcl(acl).value_or(std::vector<AclEntry>{});
    }
    return node;
}

std::vector<unsigned> ActiveGroups() {
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
    const int count = ::getgroups(static_cast<int>(groups.size()), groups.data());
    std::vector<unsigned> active(groups.begin(), groups.begin() + std::max(count, 0));
    active.push_back(::getegid());
    return active;
}

std::vector<unsigned> MemberGroups(const QByteArray& user, gid_t primary) {
    int count = 64;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    if (::getgrouplist(user.constData(), primary, groups.data(), &count) < 0) {
        groups.resize(static_cast<std::size_t>(count));
        if (::getgrouplist(user.constData(), primary, groups.data(), &count) < 0) {
            return {primary};
        }
    }
    return {groups.begin(), groups.begin() + count};
}

UserIdentity CurrentUser() {
    UserIdentity user;
    user.uid = ::geteuid();
    user.activeGroups = ActiveGroups();
    if (const passwd* entry = ::getpwuid(user.uid)) {
        user.name = QString::fromLocal8Bit(entry->pw_name);
        user.memberGroups = MemberGroups(entry->pw_name, entry->pw_gid);
    } else {
        user.name = QString::number(user.uid);
        user.memberGroups = user.activeGroups;
    }
    return user;
}

} // namespace

SystemView ThisMachine() {
    SystemView view;
    view.user = CurrentUser();
    view.ownPid = ::getpid();
    view.inspect = InspectNode;
    view.groupName = [](unsigned gid) {
        const group* entry = ::getgrgid(gid);
        return entry ? QString::fromLocal8Bit(entry->gr_name) : QString::number(gid);
    };
    view.userName = [](unsigned uid) {
        const passwd* entry = ::getpwuid(uid);
        return entry ? QString::fromLocal8Bit(entry->pw_name) : QString::number(uid);
    };
    return view;
}

} // namespace serial_ports
