#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "cli/options/line_choice.h"
#include "comm_set_file.h"
#include "link/port_argument.h"

// Which port and rate a command uses: its options first, then the window's
// comm.set, COMn mapped through the links of the settings folder.
class TestCliLineChoice : public QObject {
    Q_OBJECT
private slots:
    void choice_data() {
        QTest::addColumn<QByteArray>("commSet"); // empty: no file; "/": a folder
        QTest::addColumn<QString>("port");       // empty: no --port
        QTest::addColumn<int>("baud");           // 0: no --baud
        QTest::addColumn<QString>("chosen");     // "port device baud", FOLDER for the folder
        QTest::newRow("comm.set's port and rate, COM7 link")
            << QByteArray("7,9600\r\n") << "" << 0 << "COM7 FOLDER/COM7 9600";
        QTest::newRow("rate 0 becomes 9600")
            << QByteArray("7,0\r\n") << "" << 0 << "COM7 FOLDER/COM7 9600";
        QTest::newRow("blanks and a line end between")
            << QByteArray(" 7 \r\n 14400 ") << "" << 0 << "COM7 FOLDER/COM7 14400";
        QTest::newRow("a rate the window's list lacks is applied")
            << QByteArray("7,1200\r\n") << "" << 0 << "COM7 FOLDER/COM7 1200";
        QTest::newRow("--port in lower case, rate from comm.set")
            << QByteArray("3,4800\r\n") << "com7" << 0 << "com7 FOLDER/COM7 4800";
        QTest::newRow("--port path, rate from comm.set")
            << QByteArray("7,4800\r\n") << "/dev/ttyACM0" << 0 << "/dev/ttyACM0 /dev/ttyACM0 4800";
        QTest::newRow("--port relative path")
            << QByteArray("7,4800\r\n") << "sub/COM7" << 0 << "sub/COM7 FOLDER/sub/COM7 4800";
        QTest::newRow("both given: comm.set not needed")
            << QByteArray() << "COM7" << 19200 << "COM7 FOLDER/COM7 19200";
        QTest::newRow("no comm.set: no default")
            << QByteArray() << "COM7" << 0
            << "error: the window's settings file FOLDER/comm.set does not exist; give the "
               "rate with -b instead, e.g. -b 19200";
        QTest::newRow("no comm.set, neither given")
            << QByteArray() << "" << 0
            << "error: FOLDER/comm.set does not exist; give the port and rate with -p and -b "
               "instead, e.g. -p COM4 -b 19200";
        QTest::newRow("comm.set a folder")
            << QByteArray("/") << "" << 19200
            << "error: FOLDER/comm.set is a folder, not a file; give the port with -p instead";
        QTest::newRow("malformed comm.set")
            << QByteArray("abc\r\n") << "COM7" << 0
            << "error: FOLDER/comm.set holds no port and rate: it starts \"abc\\r\\n\"; give "
               "the rate with -b";
        QTest::newRow("empty comm.set")
            << QByteArray("\0", 0) << "" << 0 << "error: FOLDER/comm.set is empty";
        QTest::newRow("port 0 in comm.set")
            << QByteArray("0,0\r\n") << "" << 9600
            << "error: names port 0, which the window does not offer (COM1 to COM16)";
        QTest::newRow("port 17 in comm.set")
            << QByteArray("17,9600\r\n") << "" << 0
            << "error: names port 17, which the window does not offer";
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
        chosen.replace("FOLDER", folder.path());
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), folder.filePath("COM7")));
        QVERIFY(PlaceCommSet(folder.path(), commSet));
        cli::LineOptions options;
        if (!port.isEmpty()) {
            options.port = std::get<PortArgument>(ReadPortArgument(port, folder.path()));
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
        QVERIFY2(!chosen.startsWith("error: "), qPrintable(chosen));
        const cli::LineChoice& c = std::get<cli::LineChoice>(line);
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(c.port, c.device).arg(c.baud), chosen);
    }

    // One rule for every command's port argument.
    void portArguments_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("names"); // "COMn", a path with HERE for the folder, or "error: "
        QTest::newRow("COM1") << "COM1"
                              << "COM1";
        QTest::newRow("COM16 is the last") << "COM16"
                                           << "COM16";
        QTest::newRow("any letter case") << "cOm4"
                                         << "COM4";
        QTest::newRow("leading zero") << "COM04"
                                      << "COM4";
        QTest::newRow("COM17") << "COM17"
                               << "error: COM17: not a port of the window, which offers COM1 "
                                  "to COM16";
        QTest::newRow("COM0") << "com0"
                              << "error: com0: not a port of the window";
        QTest::newRow("bare name under /dev") << "ttyUSB0"
                                              << "/dev/ttyUSB0";
        QTest::newRow("COM and letters is a name") << "COMX"
                                                   << "/dev/COMX";
        QTest::newRow("absolute path") << "/dev/serial/by-id/usb-x"
                                       << "/dev/serial/by-id/usb-x";
        QTest::newRow("relative path") << "build/COM4"
                                       << "HERE/build/COM4";
        QTest::newRow("COM4 in this folder") << "./COM4"
                                             << "HERE/COM4";
        QTest::newRow("up a folder") << "../pts"
                                     << "/work/pts";
        QTest::newRow("empty") << ""
                               << "error: the port is empty";
    }
    void portArguments() {
        QFETCH(QString, text);
        QFETCH(QString, names);
        const QString here = QStringLiteral("/work/here");
        const auto argument = ReadPortArgument(text, here);
        if (const QString* error = std::get_if<QString>(&argument)) {
            QVERIFY2(names.startsWith("error: ") && error->startsWith(names.mid(7)),
                     qPrintable(*error));
            return;
        }
        const PortArgument& port = std::get<PortArgument>(argument);
        QCOMPARE(port.text, text);
        QCOMPARE(port.windowPort ? QStringLiteral("COM%1").arg(*port.windowPort) : port.path,
                 QString(names).replace("HERE", here));
        QVERIFY(port.windowPort.has_value() != !port.path.isEmpty());
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
