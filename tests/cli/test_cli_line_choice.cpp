#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "cli/line_choice.h"

// Which port and rate a command uses: its options first, then the window's
// comm.set, COMn mapped through the links of the settings folder.
class TestCliLineChoice : public QObject {
    Q_OBJECT
private slots:
    void choice_data() {
        QTest::addColumn<QByteArray>("commSet"); // empty: no file
        QTest::addColumn<QString>("port");       // empty: no --port
        QTest::addColumn<int>("baud");           // 0: no --baud
        QTest::addColumn<QString>("chosen");     // "port device baud", FOLDER for the folder
        QTest::newRow("comm.set's port and rate, COM7 link")
            << QByteArray("7,9600\r\n") << "" << 0 << "COM7 FOLDER/COM7 9600";
        QTest::newRow("rate 0 becomes 9600")
            << QByteArray("7,0\r\n") << "" << 0 << "COM7 FOLDER/COM7 9600";
        QTest::newRow("blanks and a line end between")
            << QByteArray(" 7 \r\n 14400 ") << "" << 0 << "COM7 FOLDER/COM7 14400";
        QTest::newRow("no comm.set: the window's defaults")
            << QByteArray() << "COM7" << 0 << "COM7 FOLDER/COM7 19200";
        QTest::newRow("malformed comm.set: the defaults")
            << QByteArray("abc") << "COM7" << 0 << "COM7 FOLDER/COM7 19200";
        QTest::newRow("--port path, rate from comm.set")
            << QByteArray("7,4800\r\n") << "/dev/ttyACM0" << 0 << "/dev/ttyACM0 /dev/ttyACM0 4800";
        QTest::newRow("both given: comm.set not needed")
            << QByteArray("0,0\r\n") << "COM7" << 19200 << "COM7 FOLDER/COM7 19200";
        QTest::newRow("port 0 in comm.set")
            << QByteArray("0,0\r\n") << "" << 9600 << "error: names port 0";
        QTest::newRow("negative port in comm.set")
            << QByteArray("-3,9600\r\n") << "" << 0 << "error: names port -3";
        QTest::newRow("negative rate in comm.set")
            << QByteArray("7,-5\r\n") << "" << 0 << "error: names the rate -5";
    }
    void choice() {
        QFETCH(QByteArray, commSet);
        QFETCH(QString, port);
        QFETCH(int, baud);
        QFETCH(QString, chosen);
        QTemporaryDir folder;
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), folder.filePath("COM7")));
        if (!commSet.isEmpty()) {
            QFile file(folder.filePath("comm.set"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(commSet);
        }
        cli::LineOptions options;
        if (!port.isEmpty()) {
            options.port = port.toStdString();
        }
        if (baud != 0) {
            options.baud = baud;
        }
        const auto line = cli::ChooseLine(options, SettingsLocation(folder.path()));
        if (const QString* error = std::get_if<QString>(&line)) {
            QVERIFY2(chosen.startsWith("error: ") && error->contains(chosen.mid(7)),
                     qPrintable(*error));
            return;
        }
        const cli::LineChoice& c = std::get<cli::LineChoice>(line);
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(c.port, c.device).arg(c.baud),
                 QString(chosen).replace("FOLDER", folder.path()));
    }

    // COMn is the window's name for a port only: other names are paths.
    void comNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("number");
        QTest::newRow("COM1") << "COM1" << 1;
        QTest::newRow("COM16") << "COM16" << 16;
        QTest::newRow("COM0") << "COM0" << 0;
        QTest::newRow("com4") << "com4" << 0;
        QTest::newRow("COM4 in a folder") << "./COM4" << 0;
        QTest::newRow("COM04") << "COM04" << 0;
    }
    void comNames() {
        QFETCH(QString, name);
        QFETCH(int, number);
        QCOMPARE(cli::ComPortNumber(name).value_or(0), number);
    }

    // An installed program reads the comm.set beside it until the user's
    // folder has one, and maps COMn through the user's folder.
    void installedReadsFallback() {
        QTemporaryDir program;
        QTemporaryDir user;
        QFile file(program.filePath("comm.set"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("9,4800\r\n");
        file.close();
        const SettingsLocation location(user.path(), program.filePath("comm.set"));
        const auto line = cli::ChooseLine({}, location);
        QVERIFY(std::holds_alternative<cli::LineChoice>(line));
        const cli::LineChoice& c = std::get<cli::LineChoice>(line);
        QCOMPARE(c.port, QString("COM9"));
        QCOMPARE(c.baud, 4800);
        QVERIFY(c.source.contains(program.filePath("comm.set")));
    }
};

QTEST_GUILESS_MAIN(TestCliLineChoice)
#include "test_cli_line_choice.moc"
