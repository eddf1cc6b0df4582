#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "link/settings_file.h"

Q_DECLARE_METATYPE(CommSettings)

class TestSettingsFile : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<CommSettings>("settings");
        QTest::newRow("as written") << QByteArray("4,19200\r\n") << true << CommSettings{4, 19200};
        QTest::newRow("no line end") << QByteArray("5,9600") << true << CommSettings{5, 9600};
        QTest::newRow("blanks") << QByteArray("  7 , 4800 \r\n") << true << CommSettings{7, 4800};
        QTest::newRow("line end between")
            << QByteArray("3\r\n14400\r\n") << true << CommSettings{3, 14400};
        QTest::newRow("LF between") << QByteArray("3\n9600") << true << CommSettings{3, 9600};
        QTest::newRow("zero rate") << QByteArray("4,0\r\n") << true << CommSettings{4, 0};
        QTest::newRow("zeros") << QByteArray("0,0") << true << CommSettings{0, 0};
        QTest::newRow("port beyond list")
            << QByteArray("17,9600") << true << CommSettings{17, 9600};
        QTest::newRow("negative port") << QByteArray("-3,9600") << true << CommSettings{-3, 9600};
        QTest::newRow("trailing lines ignored")
            << QByteArray("4,19200\r\nxyz") << true << CommSettings{4, 19200};
        QTest::newRow("empty") << QByteArray() << false << CommSettings{};
        QTest::newRow("letters") << QByteArray("abc") << false << CommSettings{};
        QTest::newRow("one number") << QByteArray("4") << false << CommSettings{};
        QTest::newRow("second missing") << QByteArray("4,") << false << CommSettings{};
        QTest::newRow("beyond 16 bits") << QByteArray("99999,99999") << false << CommSettings{};
        QTest::newRow("rate beyond 16 bits") << QByteArray("4,115200") << false << CommSettings{};
        QTest::newRow("decimal point") << QByteArray("4.5,9600") << false << CommSettings{};
        QTest::newRow("binary") << QByteArray("\x00\xff\x13,\x01", 5) << false << CommSettings{};
    }
    void parse() {
        QFETCH(QByteArray, content);
        QFETCH(bool, valid);
        QFETCH(CommSettings, settings);
        const auto parsed =
            ParseCommSettings({content.constData(), static_cast<std::size_t>(content.size())});
        QCOMPARE(parsed.has_value(), valid);
        if (valid) {
            QCOMPARE(parsed->CommNum, settings.CommNum);
            QCOMPARE(parsed->CommRate, settings.CommRate);
        }
    }

    void readFallsBackToDefaults() {
        QTemporaryDir dir;
        const QString path = dir.filePath("comm.set");
        QCOMPARE(ReadCommSettings(path), (CommSettings{4, 19200})); // missing
        QVERIFY(QDir(dir.path()).mkdir("comm.set"));
        QCOMPARE(ReadCommSettings(path), (CommSettings{4, 19200})); // a folder
    }

    // What is wrong with a comm.set that gives no settings, in the words the
    // command line and doctor print after the file's name.
    void problems_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, const char* kind, const char* text) {
            QTest::newRow(name) << QString(kind) << QString(text);
        };
        row("missing", "missing", "does not exist");
        row("folder", "folder", "is a folder, not a file");
        row("named pipe, never opened", "fifo", "is a device, pipe or socket, not a file");
        row("empty", "", "is empty: it holds no port and rate");
        row("garbled, escaped", "COM4\t19200\r\n",
            "holds no port and rate: it starts \"COM4\\x0919200\\r\\n\"");
        row("unreadable", "unreadable", "cannot be read (Permission denied)");
    }
    void problems() {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QTemporaryDir dir;
        const QString path = dir.filePath("comm.set");
        if (kind == "folder") {
            QVERIFY(QDir(dir.path()).mkdir("comm.set"));
        } else if (kind == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind != "missing") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(kind == "unreadable" ? QByteArray("4,19200\r\n") : kind.toLatin1());
            file.close();
            if (kind == "unreadable") {
                QVERIFY(file.setPermissions(QFileDevice::WriteOwner));
                if (QFileInfo(path).isReadable()) {
                    QSKIP("root reads every file; an unreadable comm.set needs another user");
                }
            }
        }
        const CommSetReading reading = LoadCommSettings(path);
        QVERIFY(reading.problem != CommSetReading::Problem::None);
        QCOMPARE(reading.problemText(), text);
        QCOMPARE(ReadCommSettings(path), (CommSettings{4, 19200})); // the window's defaults
    }

    void largeFileReadsFirstLineOnly() {
        QTemporaryDir dir;
        const QString path = dir.filePath("comm.set");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("6,4800\r\n");
        file.write(QByteArray(10 * 1024 * 1024, 'x'));
        file.close();
        QCOMPARE(ReadCommSettings(path), (CommSettings{6, 4800}));
    }

    void writeExactBytesAndReadBack() {
        QTemporaryDir dir;
        const QString path = dir.filePath("comm.set");
        QVERIFY(!WriteCommSettings(path, {4, 19200}));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("4,19200\r\n"));
        QVERIFY(!WriteCommSettings(path, {12, 4800}));
        QCOMPARE(ReadCommSettings(path), (CommSettings{12, 4800}));
    }

    void failedWriteKeepsOldFile() {
        // Tests run as root in CI, where permissions do not stop a write:
        // make the targets unwritable by what is in the way instead.
        QTemporaryDir dir;
        const QString path = dir.filePath("comm.set");
        QVERIFY(!WriteCommSettings(path, {4, 19200}));
        // A folder in place of the temporary file's target cannot be replaced.
        const QString blocked = dir.filePath("blocked");
        QVERIFY(QDir(dir.path()).mkdir("blocked"));
        QVERIFY(QDir(blocked).mkdir("comm.set"));
        QVERIFY(WriteCommSettings(blocked + "/comm.set", {5, 9600}).has_value());
        QCOMPARE(ReadCommSettings(path), (CommSettings{4, 19200}));
        // A missing folder is made on the first save...
        QVERIFY(!WriteCommSettings(dir.filePath("new/comm.set"), {5, 9600}));
        QCOMPARE(ReadCommSettings(dir.filePath("new/comm.set")), (CommSettings{5, 9600}));
        // ...but not below a file.
        const auto reason = WriteCommSettings(path + "/sub/comm.set", {5, 9600});
        QVERIFY(reason.has_value());
        QVERIFY(!reason->isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "test_settings_file.moc"
