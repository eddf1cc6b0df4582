// Reading a system's tree under another root: links, access lists, permissions.
#include <QTest>

#include "fake_system.h"
#include "serial_ports/access.h"
#include "serial_ports/posix_acl.h"

using serial_ports::AclEntry;

namespace {

QByteArray AclBytes(std::initializer_list<std::array<unsigned, 3>> entries, unsigned version = 2) {
    QByteArray bytes;
    const auto little = [&bytes](unsigned value, int size) {
        for (int i = 0; i < size; ++i) {
            bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
        }
    };
    little(version, 4);
    for (const auto& [tag, perms, id] : entries) {
        little(tag, 2);
        little(perms, 2);
        little(id, 4);
    }
    return bytes;
}

} // namespace

class TestSystemView : public QObject {
    Q_OBJECT
private slots:
    void resolvesInsideRoot_data();
    void resolvesInsideRoot();
    void parsesKernelAcl();
    void checksAccess_data();
    void checksAccess();
};

void TestSystemView::resolvesInsideRoot_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected"); // empty: leads nowhere

    const auto row = [](const char* name, const char* path, const char* expected) {
        QTest::newRow(name) << QString(path) << QString(expected);
    };
    row("plain file", "/dev/ttyUSB0", "/dev/ttyUSB0");
    row("relative link", "/dev/serial/by-id/usb-x", "/dev/ttyUSB0");
    row("absolute link stays in root", "/home/op/COM3", "/dev/ttyUSB0");
    row("link to a link", "/home/op/COM4", "/dev/ttyUSB0");
    row("folder link in the middle", "/var/lock/LCK..ttyUSB0", "/run/lock/LCK..ttyUSB0");
    // ".." after a link goes up from where the link leads, as in sysfs.
    row("dot-dot after a link", "/sys/class/tty/ttyUSB0/device/..",
        "/sys/devices/usb1/1-2/1-2:1.0");
    row("dangling", "/home/op/COM5", "");
    row("loop", "/home/op/loop", "");
    row("missing", "/dev/ttyUSB9", "");
}

void TestSystemView::resolvesInsideRoot() {
    QFETCH(QString, path);
    QFETCH(QString, expected);
    FakeSystem system;
    QVERIFY(system.valid());
    system.Device("/dev/ttyUSB0");
    system.Link("/dev/serial/by-id/usb-x", "../../ttyUSB0");
    system.Link("/home/op/COM3", "/dev/ttyUSB0");
    system.Link("/home/op/COM4", "/dev/serial/by-id/usb-x");
    system.Link("/home/op/COM5", "/dev/pts/7");
    system.Link("/home/op/loop", "/home/op/loop");
    system.File("/run/lock/LCK..ttyUSB0", "1\n");
    system.Dir("/sys/devices/usb1/1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0");
    system.Link("/sys/devices/usb1/1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0/device", "../../../ttyUSB0");
    system.Link("/sys/class/tty/ttyUSB0", "../../devices/usb1/1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0");
    const std::optional<QString> resolved = system.view.resolve(path);
    QCOMPARE(resolved.value_or(QString()), expected);
}

void TestSystemView::parsesKernelAcl() {
    // user::rw- user:1000:rw- group::rw- mask::rw- other::---
    const auto acl = serial_ports::ParseAcl(AclBytes({{0x01, 6, 0xFFFFFFFF},
                                                      {0x02, 6, 1000},
                                                      {0x04, 6, 0xFFFFFFFF},
                                                      {0x10, 6, 0xFFFFFFFF},
                                                      {0x20, 0, 0xFFFFFFFF}}));
    QVERIFY(acl);
    QCOMPARE(acl->size(), std::size_t(5));
    QCOMPARE(acl->at(1).tag, AclEntry::Tag::User);
    QCOMPARE(acl->at(1).id, 1000U);
    QCOMPARE(acl->at(1).perms, 6U);
    QCOMPARE(acl->at(3).tag, AclEntry::Tag::Mask);
    QVERIFY(!serial_ports::ParseAcl(AclBytes({{0x01, 6, 0}}, 1)));         // another version
    QVERIFY(!serial_ports::ParseAcl(AclBytes({{0x40, 6, 0}})));            // unknown tag
    QVERIFY(!serial_ports::ParseAcl(AclBytes({{0x01, 6, 0}}).chopped(1))); // cut short
}

void TestSystemView::checksAccess_data() {
    QTest::addColumn<unsigned>("mode");
    QTest::addColumn<QString>("acl"); // "user", "user-masked", "group", or none
    QTest::addColumn<bool>("inGroup");
    QTest::addColumn<bool>("root");
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<QString>("reason");

    QTest::newRow("group member") << 0660U << "" << true << false << true << "group dialout";
    QTest::newRow("not a member") << 0660U << "" << false << false << false
                                  << "crw-rw---- root dialout";
    QTest::newRow("everyone") << 0666U << "" << false << false << true << "everyone";
    // A group that matches but lacks the rights refuses, whatever others may.
    QTest::newRow("group without rights")
        << 0606U << "" << true << false << false << "crw----rw- root dialout";
    QTest::newRow("read only group")
        << 0640U << "" << true << false << false << "crw-r----- root dialout";
    QTest::newRow("ACL for the user") << 0660U << "user" << false << false << true << "ACL for op";
    QTest::newRow("ACL masked") << 0660U << "user-masked" << false << false << false
                                << "crw-rw----+ root dialout";
    QTest::newRow("ACL for a group")
        << 0660U << "group" << false << false << true << "ACL for group g4343";
    QTest::newRow("root") << 0600U << "" << false << true << true << "as root";
}

void TestSystemView::checksAccess() {
    QFETCH(unsigned, mode);
    QFETCH(QString, acl);
    QFETCH(bool, inGroup);
    QFETCH(bool, root);
    QFETCH(bool, allowed);
    QFETCH(QString, reason);
    FakeSystem system;
    system.Device("/dev/ttyUSB0", mode);
    const unsigned user = system.view.user.uid;
    if (!acl.isEmpty()) {
        const unsigned mask = acl == QLatin1String("user-masked") ? 4 : 6;
        std::vector<AclEntry> entries{{AclEntry::Tag::UserObj, 0, 6},
                                      {AclEntry::Tag::GroupObj, 0, 6},
                                      {AclEntry::Tag::Mask, 0, mask},
                                      {AclEntry::Tag::Other, 0, 0}};
        if (acl == QLatin1String("group")) {
            entries.push_back({AclEntry::Tag::Group, FakeSystem::kOtherGroup, 6});
        } else {
            entries.push_back({AclEntry::Tag::User, user, 6});
        }
        system.Acl("/dev/ttyUSB0", entries);
    }
    std::vector<unsigned> groups{FakeSystem::kOtherGroup};
    if (inGroup) {
        groups.push_back(system.fileGroup);
    }
    const serial_ports::Access access = serial_ports::CheckAccess(
        system.view, system.view.node("/dev/ttyUSB0"), root ? 0 : user, groups);
    QCOMPARE(access.allowed, allowed);
    QCOMPARE(access.reason, reason);
}

QTEST_GUILESS_MAIN(TestSystemView)
#include "test_system_view.moc"
