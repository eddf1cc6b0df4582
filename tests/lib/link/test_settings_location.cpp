#include <QTemporaryDir>
#include <QtTest>

#include "link/settings_location.h"

class TestSettingsLocation : public QObject {
    Q_OBJECT

    static void Write(const QString& path, const QByteArray& content) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

private slots:
    void writableProgramFolderKeepsEverything() {
        QTemporaryDir program;
        const SettingsLocation location = LocateSettings(program.path(), "/nonexistent/config");
        QCOMPARE(location.folder, program.path());
        QCOMPARE(location.settingsFile(), program.filePath("comm.set"));
        QCOMPARE(location.fileToRead(), program.filePath("comm.set"));
    }

    void userFolderFallsBackToProgramFile() {
        QTemporaryDir program;
        QTemporaryDir user;
        const SettingsLocation location(user.path(), program.filePath("comm.set"));
        Write(program.filePath("comm.set"), "5,9600\r\n");
        QCOMPARE(location.fileToRead(), program.filePath("comm.set")); // user has none yet
        Write(user.filePath("comm.set"), "6,4800\r\n");
        QCOMPARE(location.fileToRead(), user.filePath("comm.set"));
        QCOMPARE(location.settingsFile(), user.filePath("comm.set"));
    }

    void readOnlyProgramFolderUsesUserFolder() {
        // Nobody, root included, can create files in /proc.
        const SettingsLocation location = LocateSettings("/proc", "/home/someone/.config/ht5530k");
        QCOMPARE(location.folder, QStringLiteral("/home/someone/.config/ht5530k"));
        QCOMPARE(location.fallbackFile, QStringLiteral("/proc/comm.set"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsLocation)
#include "test_settings_location.moc"
