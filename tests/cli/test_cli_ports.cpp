#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

#include "cli_run.h"
#include "support/sim_process.h"

// ports, pin, unpin and doctor on this machine: a copy of ht5530k-cli in a
// temporary program folder keeps its COMn links there, where a window given
// that folder looks for them.
class TestCliPorts : public QObject {
    Q_OBJECT

    QTemporaryDir m_program;
    QString m_cli;

    CliRun Cli(const QStringList& args) { return RunCli(args, 60'000, m_cli); }
    QString Link(int number) const {
        return m_program.filePath(QStringLiteral("COM%1").arg(number));
    }

    static QJsonObject PortRow(const QString& json, const QString& device) {
        for (const QJsonValue& row : QJsonDocument::fromJson(json.toUtf8()).array()) {
            if (row.toObject().value("device").toString() == device) {
                return row.toObject();
            }
        }
        return {};
    }

private slots:
    void initTestCase() {
        QVERIFY(m_program.isValid());
        m_cli = m_program.filePath(QStringLiteral("ht5530k-cli"));
        QVERIFY(QFile::copy(QStringLiteral(HT_CLI_PATH), m_cli));
    }

    void pinnedPseudoTerminalIsCom3ForPortsAndTheWindow() {
        QTemporaryDir elsewhere;
        SimProcess sim;
        QVERIFY(sim.start(elsewhere.path(), {"--no-drift", "--humidity", "45.5"}, 9));

        const CliRun pin = Cli({"pin", "COM3", sim.device});
        QVERIFY2(pin.exitCode == 0, qPrintable(pin.err));
        QCOMPARE(pin.out, "COM3 -> " + sim.device + "\nLink: " + Link(3) + "\n");
        QCOMPARE(QFileInfo(Link(3)).symLinkTarget(), sim.device);

        const CliRun ports = Cli({"ports", "--format", "json"});
        QCOMPARE(ports.exitCode, 0);
        const QJsonObject row = PortRow(ports.out, sim.device);
        QCOMPARE(row.value("kind").toString(), QStringLiteral("pseudo-terminal"));
        QCOMPARE(row.value("window_ports").toArray(), QJsonArray{"COM3"});
        QCOMPARE(row.value("links").toArray(), QJsonArray{Link(3)});
        QCOMPARE(row.value("other_end").toObject().value("command").toString(),
                 QStringLiteral("ht5530k-sim"));
        QVERIFY(row.value("held_by").toArray().isEmpty());
        const CliRun text = Cli({"ports"});
        QVERIFY2(text.out.contains(sim.device + "  COM3  pseudo-terminal\n"), qPrintable(text.out));

        {
            // The window started on comm.set's COM3 reads the module through the pin.
            QFile commSet(m_program.filePath("comm.set"));
            QVERIFY(commSet.open(QIODevice::WriteOnly));
            commSet.write("3,19200\r\n");
            commSet.close();
            QtCommControl port(m_program.path());
            RecordingMessageBoxes messages;
            frmMain window(m_program.path(), port, messages);
            QVERIFY(port.portOpen());
            window.ui().comDoOnce->click();
            QTRY_COMPARE_WITH_TIMEOUT(window.ui().txtValue_0->text(), QStringLiteral("45.50"),
                                      5000);
            QVERIFY(messages.shown.isEmpty());
        }

        const CliRun doctor = Cli({"doctor", "--port", "COM3"});
        QVERIFY2(doctor.exitCode == 0 || doctor.exitCode == 1, qPrintable(doctor.out));
        QVERIFY2(doctor.out.contains("COM3 is " + Link(3) + ", which leads to " + sim.device),
                 qPrintable(doctor.out));
        QVERIFY2(doctor.out.contains(QRegularExpression(
                     "ok +held +" + QRegularExpression::escape(sim.device) +
                     ": no other program holds it.*; it is a pseudo-terminal of process [0-9]+ "
                     "\\(ht5530k-sim\\)")),
                 qPrintable(doctor.out));
        QVERIFY2(
            doctor.out.contains(QRegularExpression("ok +comm.set +.*COM3 at 19200 baud, which is " +
                                                   QRegularExpression::escape(Link(3)))),
            qPrintable(doctor.out));

        const CliRun unpin = Cli({"unpin", "COM3"});
        QCOMPARE(unpin.exitCode, 0);
        QVERIFY2(unpin.out.startsWith("Removed COM3 -> " + sim.device + "\nCOM3 is now /dev/tty"),
                 qPrintable(unpin.out));
        QVERIFY(!QFileInfo(Link(3)).isSymLink());
        QFile::remove(m_program.filePath("comm.set"));
    }

    // The simulator gone, its pin leads nowhere: missing for doctor, a
    // dangling link with the fix.
    // Another process may take the freed pseudo-terminal's number at once
    // (tests run side by side): the pin then leads somewhere again, so the
    // simulator is started anew, up to three times.
    void pinOfAStoppedSimulatorIsMissing() {
        QTemporaryDir elsewhere;
        SimProcess sim;
        for (int attempt = 0;; ++attempt) {
            QVERIFY(sim.start(elsewhere.path(), {"--no-drift"}, 9));
            QCOMPARE(Cli({"pin", "COM5", sim.device}).exitCode, 0);
            sim.stop();
            if (!QFileInfo::exists(sim.device)) {
                break;
            }
            QCOMPARE(Cli({"unpin", "COM5"}).exitCode, 0);
            if (attempt == 2) {
                QSKIP("every freed pseudo-terminal was taken again by another process");
            }
        }
        const CliRun asked = Cli({"doctor", "-p", "COM5"});
        QCOMPARE(asked.exitCode, 3);
        QVERIFY2(asked.out.contains("COM5 is " + Link(5) + ", which does not exist"),
                 qPrintable(asked.out));
        const CliRun all = Cli({"doctor"});
        QVERIFY(all.exitCode == 1);
        QVERIFY2(all.out.contains("COM5 -> " + sim.device +
                                  " leads nowhere: the window's COM5 opens nothing\n"),
                 qPrintable(all.out));
        QVERIFY(all.out.contains(QRegularExpression("\n +ht5530k-cli unpin COM5\n")));
        QCOMPARE(Cli({"doctor", "--port", "/dev/ttyUSB97"}).exitCode, 3);
        QCOMPARE(Cli({"unpin", "COM5"}).exitCode, 0);
    }

    void refusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        // PTY: a pseudo-terminal of the test's own, a terminal wherever the
        // test runs (/dev/tty is one only with a controlling terminal, and
        // only where /sys is there to tell).
        QTest::newRow("over a regular file")
            << QStringList{"pin", "COM6", "PTY"} << 2
            << "COM6 is a regular file, not a link; not replacing it";
        QTest::newRow("unpin a regular file")
            << QStringList{"unpin", "COM6"} << 2
            << "COM6 is a regular file, not a link; not removing it";
        QTest::newRow("not a device") << QStringList{"pin", "COM7", "./comm.txt"} << 2
                                      << "comm.txt is a regular file, not a serial device";
        QTest::newRow("a device but no terminal")
            << QStringList{"pin", "COM7", "/dev/null"} << 2
            << "/dev/null is a device but not a terminal, so no serial port";
        QTest::newRow("COM17 as --port") << QStringList{"doctor", "--port", "com17"} << 2
                                         << "bad --port com17: not a port of the window";
        QTest::newRow("missing device")
            << QStringList{"pin", "COM7", "ttyUSB97"} << 3 << "/dev/ttyUSB97 does not exist";
        QTest::newRow("COM17") << QStringList{"pin", "COM17", "/dev/null"} << 2
                               << "COM17: not a port of the window, which offers COM1 to COM16";
        QTest::newRow("one argument")
            << QStringList{"pin", "COM7"} << 2 << "pin takes a port and a device: pin COMn DEVICE";
        QTest::newRow("ports --format")
            << QStringList{"ports", "--format", "xml"} << 2 << "bad --format 'xml': text, json";
    }
    void refusals() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFile file(Link(6));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("mine\n");
        file.close();
        QFile text(m_program.filePath("comm.txt"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.close();
        QDir::setCurrent(m_program.path());
        const int pty = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        QVERIFY(pty >= 0 && ::grantpt(pty) == 0 && ::unlockpt(pty) == 0);
        const auto closePty = qScopeGuard([pty] { ::close(pty); });
        args.replaceInStrings(QRegularExpression("^PTY$"), QString::fromLocal8Bit(::ptsname(pty)));
        const CliRun run = Cli(args);
        QCOMPARE(run.exitCode, status);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QCOMPARE(run.out, QString());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("mine\n"));
        QVERIFY(!QFileInfo(Link(7)).isSymLink());
    }
};

QTEST_MAIN(TestCliPorts)
#include "test_cli_ports.moc"
