#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "cli_run.h"
#include "support/simulator.h"

// Every exit status that --help and the manual list, each from the case they
// name it for, against the virtual module.
class TestCliExitStatus : public QObject {
    Q_OBJECT
private slots:
    void statuses_data() {
        QTest::addColumn<QStringList>("simArgs"); // empty: no module
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QStringList module{"--no-drift"};
        QTest::newRow("0 success") << module << QStringList{"read"} << "" << 0 << "";
        QTest::newRow("1 poll with some failed exchanges")
            << QStringList{"--no-drift", "--fault", "bad-crc=0.5", "--seed", "7"}
            << QStringList{"poll", "--interval", "20", "--count", "20"} << "" << 1
            << "poll statistics";
        QTest::newRow("1 doctor finds something wrong")
            << QStringList{} << QStringList{"doctor"} << "dangling COM5" << 1 << "leads nowhere";
        QTest::newRow("2 usage") << QStringList{} << QStringList{"read", "--registers", "3"} << ""
                                 << 2 << "bad --registers '3'";
        QTest::newRow("2 a value the window refuses")
            << QStringList{} << QStringList{"set-address", "36", "--from", "1"} << "" << 2
            << "请指定正确的设备地址，正确值范围为1-35!";
        QTest::newRow("3 the port does not exist")
            << QStringList{} << QStringList{"read", "-p", "/dev/ttyUSB97"} << "" << 3
            << "/dev/ttyUSB97 does not exist";
        QTest::newRow("3 the port was lost")
            << QStringList{"--no-drift", "--fault", "unplug=0.3"}
            << QStringList{"poll", "--interval", "50"} << "" << 3 << "was lost";
        QTest::newRow("4 no answer")
            << QStringList{"--fault", "silent"} << QStringList{"read"} << "" << 4 << "no answer";
        QTest::newRow("5 a corrupt answer")
            << QStringList{"--fault", "bad-crc=1"} << QStringList{"read"} << "" << 5 << "bad CRC";
        QTest::newRow("6 an exception")
            << QStringList{"--fault", "exception"} << QStringList{"read"} << "" << 6
            << "exception 04 (device failure)";
        QTest::newRow("7 set-address verification failed")
            << module << QStringList{"set-address", "9", "--from", "3"} << "" << 7
            << "verification failed: a read at 9 got no answer";
        QTest::newRow("8 output could not be written")
            << module << QStringList{"read"} << "stdout /dev/full" << 8
            << "cannot write standard output: No space left on device";
    }
    void statuses() {
        QFETCH(QStringList, simArgs);
        QFETCH(QStringList, args);
        QFETCH(QString, setup);
        QFETCH(int, status);
        QFETCH(QString, message);
        QTemporaryDir folder;
        SimProcess sim;
        QStringList line{"-b", "19200", "--timeout", "200"};
        if (!simArgs.isEmpty()) {
            QVERIFY(sim.start(folder.path(), simArgs));
            line << "-p" << sim.link;
        }
        QString program = QStringLiteral(HT_CLI_PATH);
        if (setup == "dangling COM5") {
            // The window's COM5 is a link that leads nowhere.
            program = folder.filePath("ht5530k-cli");
            QVERIFY(QFile::copy(QStringLiteral(HT_CLI_PATH), program));
            QVERIFY(QFile::link("/dev/pts/9999", folder.filePath("COM5")));
            line.clear();
        }
        const auto prepare = [&](QProcess& process) {
            if (setup == "stdout /dev/full") {
                process.setStandardOutputFile("/dev/full");
            }
        };
        const CliRun run = RunCliPrepared(args + line, prepare, 60'000, program);
        QVERIFY2(run.exitCode == status, qPrintable(run.err + run.out));
        QVERIFY2((run.err + run.out).contains(message), qPrintable(run.err + run.out));
    }
};

QTEST_GUILESS_MAIN(TestCliExitStatus)
#include "test_cli_exit_status.moc"
