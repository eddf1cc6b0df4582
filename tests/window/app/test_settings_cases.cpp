#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <optional>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include "link/settings_location.h"
#include "support/window_checks.h"

// comm.set in every shape it can be found in: what start-up makes of it and
// what a save leaves behind.

namespace {

// The save below picks "COM7" and "4800", which are written as this.
const QByteArray kSaved = "7,4800\r\n";

enum class Setup { File, Folder, ReadOnlyFile, ReadOnlyFolder };

// Sets or clears the immutable attribute, which stops root too; false when
// the file system or the process's capabilities do not allow it.
bool SetImmutable(const QString& path, bool on) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

// Makes a file or folder read-only for as long as it lives: immutable where
// possible, otherwise by its permission bits (which root ignores).
class ReadOnly {
public:
    explicit ReadOnly(const QString& path)
        : m_path(path), m_permissions(QFile::permissions(path)),
          m_immutable(SetImmutable(path, true)) {
        if (!m_immutable) {
            QFile::setPermissions(
                path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther |
                          (QFileInfo(path).isDir() ? QFile::ExeOwner : QFile::Permissions()));
        }
    }
    ~ReadOnly() {
        if (m_immutable) {
            SetImmutable(m_path, false);
        }
        QFile::setPermissions(m_path, m_permissions);
    }
    ReadOnly(const ReadOnly&) = delete;
    ReadOnly& operator=(const ReadOnly&) = delete;

private:
    QString m_path;
    QFile::Permissions m_permissions;
    bool m_immutable;
};

// Whether this process really cannot change the file or create one in the folder.
bool WritesRefused(const QString& path) {
    if (QFileInfo(path).isDir()) {
        QTemporaryFile probe(path + QStringLiteral("/probe-XXXXXX"));
        return !probe.open();
    }
    QFile file(path);
    return !file.open(QIODevice::WriteOnly | QIODevice::Append);
}

QByteArray Content(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

QByteArray Garbage() {
    QByteArray bytes(4096, '\0');
    QRandomGenerator random(5530);
    for (char& byte : bytes) {
        byte = static_cast<char>(random.bounded(256));
    }
    bytes[0] = '\xff';
    return bytes;
}

} // namespace

Q_DECLARE_METATYPE(Setup)

class TestSettingsCases : public QObject {
    Q_OBJECT
private slots:
    void startAndSave_data() {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<int>("portIndex"); // -1: none selected, port closed
        QTest::addColumn<int>("baudIndex");
        QTest::addColumn<QString>("settings");

        const QString s19200 = QStringLiteral("19200,N,8,1");
        const QString s9600 = QStringLiteral("9600,N,8,1");
        const QByteArray none;
        // Anything unreadable gives the defaults: COM4 at 19200, opened.
        QTest::newRow("missing") << none << Setup::File << 3 << 3 << s19200;
        QTest::newRow("empty") << QByteArray("") << Setup::File << 3 << 3 << s19200;
        QTest::newRow("abc") << QByteArray("abc") << Setup::File << 3 << 3 << s19200;
        QTest::newRow("4") << QByteArray("4") << Setup::File << 3 << 3 << s19200;
        QTest::newRow("4,") << QByteArray("4,") << Setup::File << 3 << 3 << s19200;
        QTest::newRow("99999,99999")
            << QByteArray("99999,99999") << Setup::File << 3 << 3 << s19200;
        QTest::newRow("4,115200") << QByteArray("4,115200") << Setup::File << 3 << 3 << s19200;
        QTest::newRow("binary garbage") << Garbage() << Setup::File << 3 << 3 << s19200;
        QTest::newRow("10 MiB of digits")
            << QByteArray(10 << 20, '7') << Setup::File << 3 << 3 << s19200;
        QTest::newRow("folder named comm.set") << none << Setup::Folder << 3 << 3 << s19200;
        // Read but naming no list entry: the port stays closed.
        QTest::newRow("0,0") << QByteArray("0,0") << Setup::File << -1 << 1 << s9600;
        QTest::newRow("17,9600") << QByteArray("17,9600") << Setup::File << -1 << 1 << s9600;
        QTest::newRow("-3,9600") << QByteArray("-3,9600") << Setup::File << -1 << 1 << s9600;
        // Read as saved.
        QTest::newRow("10 MiB after a valid line")
            << QByteArray("6,4800\r\n") + QByteArray(10 << 20, 'x') << Setup::File << 5 << 0
            << QStringLiteral("4800,N,8,1");
        QTest::newRow("read-only file")
            << QByteArray("5,9600\r\n") << Setup::ReadOnlyFile << 4 << 1 << s9600;
        QTest::newRow("read-only program folder")
            << QByteArray("5,9600\r\n") << Setup::ReadOnlyFolder << 4 << 1 << s9600;
    }

    void startAndSave() {
        QFETCH(QByteArray, content);
        QFETCH(Setup, setup);
        QFETCH(int, portIndex);
        QFETCH(int, baudIndex);
        QFETCH(QString, settings);

        QTemporaryDir program;
        QTemporaryDir user;
        const QString programFile = program.filePath("comm.set");
        if (setup == Setup::Folder) {
            QVERIFY(QDir(program.path()).mkdir("comm.set"));
        } else if (!content.isNull()) {
            Write(programFile, content);
        }
        std::optional<ReadOnly> readOnly;
        if (setup == Setup::ReadOnlyFile) {
            readOnly.emplace(programFile);
        } else if (setup == Setup::ReadOnlyFolder) {
            readOnly.emplace(program.path());
        }
        const bool refused =
            readOnly && WritesRefused(setup == Setup::ReadOnlyFile ? programFile : program.path());

        if (readOnly) {
            qInfo("writes %s", refused ? "refused" : "still allowed: root ignores permission bits");
        }

        // As the program finds its place: the user's folder when its own is read-only.
        const SettingsLocation location = LocateSettings(program.path(), user.path());
        const QString target = location.settingsFile();
        QCOMPARE(target, (setup == Setup::ReadOnlyFolder && refused ? user.filePath("comm.set")
                                                                    : programFile));
        {
            WindowFixture w(location);
            ExpectStartedOn(w, portIndex, baudIndex, settings);

            w.ui().Combo1->setCurrentIndex(6);
            w.ui().Combo2->setCurrentIndex(0);
            w.ui().cmdCom->click();
            // The port is applied whatever becomes of the file.
            QVERIFY(w.port.portOpen());
            QCOMPARE(int{w.port.openedPort}, 7);
            QCOMPARE(w.port.openedSettings, QStringLiteral("4800,N,8,1"));
            QVERIFY(w.state().CommReady);

            const bool failed = setup == Setup::Folder || (setup == Setup::ReadOnlyFile && refused);
            if (failed) {
                ExpectSaveFailed(w.messages, target);
            } else {
                ExpectOnlyMessage(w.messages, QStringLiteral("串口设置保存成功"),
                                  QStringLiteral("系统提示"), MessageIcon::None);
            }

            // Old file or exactly the new one, never damaged, and no stray temporary files.
            if (setup == Setup::Folder) {
                QVERIFY(QFileInfo(programFile).isDir());
            } else {
                QCOMPARE(Content(target), failed ? content : kSaved);
                QCOMPARE(Content(programFile), refused ? content : kSaved);
            }
            QCOMPARE(Entries(program.path()), QStringList{"comm.set"});
            QCOMPARE(Entries(user.path()),
                     target == programFile ? QStringList() : QStringList{"comm.set"});
        }

        // The next start finds what the save left.
        WindowFixture next(location);
        const bool saved = setup != Setup::Folder && !(setup == Setup::ReadOnlyFile && refused);
        QCOMPARE(next.ui().Combo1->currentIndex(), saved ? 6 : portIndex);
        QCOMPARE(next.ui().Combo2->currentIndex(), saved ? 0 : baudIndex);
        QVERIFY(next.messages.shown.isEmpty());
    }

    // An installed program whose configuration folder cannot be created either:
    // nobody, root included, can create files in /proc.
    void unwritableEverywhereReportsTheFailure() {
        const SettingsLocation location = LocateSettings("/proc", "/proc/ht5530k-settings");
        WindowFixture w(location);
        QVERIFY(w.messages.shown.isEmpty());
        QCOMPARE(w.ui().Combo1->currentIndex(), 3);
        w.ui().cmdCom->click();
        ExpectSaveFailed(w.messages, QStringLiteral("/proc/ht5530k-settings/comm.set"));
        QVERIFY(w.port.portOpen());
    }
};

QTEST_MAIN(TestSettingsCases)
#include "test_settings_cases.moc"
