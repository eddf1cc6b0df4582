#include <QTemporaryDir>
#include <QtTest>

#include "cli_run.h"
#include "support/simulator.h"

// set-address and adjust against the virtual module: the window's checks,
// the frames sent and the verification.
namespace {

QStringList Line(const SimProcess& sim) {
    return {QStringLiteral("-p"), sim.link, QStringLiteral("-b"), QStringLiteral("19200")};
}

// A port that does not exist: a command refused before it opens the port
// ends with 2, one that got as far as the port with 3.
const QStringList kNoPort{"-p", "/dev/ttyUSB97", "-b", "19200"};

} // namespace

class TestCliConfig : public QObject {
    Q_OBJECT
private slots:
    void setAddressVerifiedThenRefused() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift", "--humidity", "45.5"}));
        const CliRun change = RunCli(QStringList{"set-address", "7"} + Line(sim));
        QVERIFY2(change.exitCode == 0, qPrintable(change.err));
        QCOMPARE(change.out, QString("address 1 -> 7, verified: humidity 45.50 %RH at 7\n"));
        QVERIFY(change.err.contains("only one module may be on the line"));

        const CliRun moved = RunCli(QStringList{"read", "-a", "7"} + Line(sim));
        QCOMPARE(moved.exitCode, 0);
        const CliRun old = RunCli(QStringList{"read", "--timeout", "200"} + Line(sim));
        QCOMPARE(old.exitCode, 4);

        // The address read now finds 7: a script run again succeeds.
        const CliRun again = RunCli(QStringList{"set-address", "7", "-v"} + Line(sim));
        QVERIFY2(again.exitCode == 0, qPrintable(again.err));
        QCOMPARE(again.out, QString("already at 7, verified: humidity 45.50 %RH at 7\n"));
        QVERIFY2(!again.err.contains("sent: 07 06 0B 00"), qPrintable(again.err));

        // Told the module is at 7, the window's check refuses the same address.
        const CliRun same = RunCli(QStringList{"set-address", "7", "--from", "7"} + Line(sim));
        QCOMPARE(same.exitCode, 2);
        QVERIFY2(same.err.contains("ht5530k-cli: 目标地址与当前地址相同，操作无效! (the target "
                                   "address equals the current address; operation invalid)\n"),
                 qPrintable(same.err));
        QCOMPARE(same.out, QString());
    }

    // The window's checks and messages, before the port is opened.
    void setAddressRefusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("new above 35")
            << QStringList{"36", "--from", "1"} << "请指定正确的设备地址，正确值范围为1-35!";
        QTest::newRow("new 0") << QStringList{"0", "--from", "1"}
                               << "请指定正确的设备地址，正确值范围为1-35 (give a correct device "
                                  "address; the valid range is 1-35)\n";
        QTest::newRow("new not a number")
            << QStringList{"seven", "--from", "1"} << "你输入的目标设备地址格式有误!";
        QTest::newRow("old not a number")
            << QStringList{"7", "--from", "x"} << "你输入的原设备地址格式有误!";
        QTest::newRow("both floor to 3")
            << QStringList{"3.7", "--from", "3.2"} << "目标地址与当前地址相同，操作无效!";
        QTest::newRow("old beyond a byte")
            << QStringList{"5", "--from", "300"} << "你输入的原设备地址格式有误!";
        QTest::newRow("no new address") << QStringList{} << "takes one argument";
    }
    void setAddressRefusals() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const CliRun run = RunCli(QStringList{"set-address"} + args + kNoPort);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
    }

    void setAddressFailures_data() {
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("the module refuses")
            << QStringList{"--fault", "exception"} << QStringList{"9", "--from", "1"} << 6
            << "address change: exception 04";
        QTest::newRow("no module at the old address")
            << QStringList{} << QStringList{"9", "--from", "3"} << 7
            << "verification failed: a read at 9 got no answer";
        QTest::newRow("nothing answers the address read")
            << QStringList{"--fault", "silent"} << QStringList{"9"} << 4
            << "address read: no answer";
    }
    void setAddressFailures() {
        QFETCH(QStringList, simArgs);
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, message);
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), simArgs + QStringList{"--no-drift"}));
        const CliRun run =
            RunCli(QStringList{"set-address"} + args + Line(sim) + QStringList{"--timeout", "200"});
        QVERIFY2(run.exitCode == status, qPrintable(run.err));
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
    }

    // A lost echo is retried, and the read at the new address decides.
    void setAddressWithRetries() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift", "--fault", "bad-crc=0.5", "--seed", "3"}));
        const CliRun run =
            RunCli(QStringList{"set-address", "12", "--from", "1", "--retries", "30"} + Line(sim));
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY(run.out.startsWith("address 1 -> 12, verified"));
    }

    void adjustShiftsTheReading_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("out");
        QTest::newRow("row 0, +1.50") << QStringList{"0", "150"}
                                      << "sent: FA 06 0A 00 00 96 1F F7 \n"
                                         "echo: 01 06 0A 00 00 96 0A 7C \n"
                                         "humidity 45.50 -> 47.00 (+1.50)\n"
                                         "temperature 23.25 -> 23.25 (+0.00)\n";
        QTest::newRow("row 1, -2.50") << QStringList{"1", "-250"}
                                      << "sent: FA 06 0A 02 FF 06 FF AB \n"
                                         "echo: 01 06 0A 02 FF 06 EA 20 \n"
                                         "humidity 45.50 -> 45.50 (+0.00)\n"
                                         "temperature 23.25 -> 20.75 (-2.50)\n";
        QTest::newRow("-2.5 rounds half to even") << QStringList{"1", "-2.5"}
                                                  << "sent: FA 06 0A 02 FF FE FE 29 \n"
                                                     "echo: 01 06 0A 02 FF FE EB A2 \n"
                                                     "humidity 45.50 -> 45.50 (+0.00)\n"
                                                     "temperature 23.25 -> 23.23 (-0.02)\n";
    }
    void adjustShiftsTheReading() {
        QFETCH(QStringList, args);
        QFETCH(QString, out);
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(),
                          {"--no-drift", "--humidity", "45.5", "--temperature", "23.25"}));
        const CliRun run =
            RunCli(QStringList{"adjust"} + args + QStringList{"--verify"} + Line(sim));
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(run.out, out);
        QVERIFY(run.err.contains("every module on the line takes it"));
    }

    // --verify reads at --address, says so, and asks for -a when nothing answers there.
    void adjustVerifiesAtItsAddress() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift", "--address", "12"}));
        const CliRun wrong =
            RunCli(QStringList{"adjust", "0", "150", "--verify", "--timeout", "200"} + Line(sim));
        QCOMPARE(wrong.exitCode, 4);
        QCOMPARE(wrong.out, QString());
        QVERIFY2(wrong.err.contains("--verify reads the registers at address 1"),
                 qPrintable(wrong.err));
        QVERIFY2(wrong.err.contains("reading the registers at address 1: no answer within 200 "
                                    "ms; no module answered at 1: give its address with -a"),
                 qPrintable(wrong.err));

        const CliRun right =
            RunCli(QStringList{"-a", "12", "adjust", "0", "150", "--verify"} + Line(sim));
        QVERIFY2(right.exitCode == 0, qPrintable(right.err));
        QVERIFY2(right.err.contains("--verify reads the registers at address 12"),
                 qPrintable(right.err));
        QVERIFY2(right.out.contains("\nhumidity 45.00 -> 46.50 (+1.50)\n"), qPrintable(right.out));
    }

    void adjustRefusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("not a number")
            << QStringList{"0", "abc"} << "你输入的值有误! (the value entered is wrong)\n";
        QTest::newRow("above 65535") << QStringList{"0", "65536"} << "你输入的值有误!";
        QTest::newRow("below -32768") << QStringList{"1", "-32769"} << "你输入的值有误!";
        QTest::newRow("too large for single precision")
            << QStringList{"1", "1e308"} << "你输入的值有误!";
        QTest::newRow("no such row") << QStringList{"2", "10"} << "bad ROW '2'";
        QTest::newRow("no value") << QStringList{"0"} << "takes two arguments";
    }
    void adjustRefusals() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const CliRun run = RunCli(QStringList{"adjust"} + args + kNoPort);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QCOMPARE(run.out, QString());
    }

    void adjustWithoutAnswer() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--fault", "silent"}));
        const CliRun run = RunCli(QStringList{"adjust", "0", "10", "--timeout", "200"} + Line(sim));
        QCOMPARE(run.exitCode, 4);
        QCOMPARE(run.out, QString("sent: FA 06 0A 00 00 0A 1F 9E \n"));
        QVERIFY2(run.err.contains("adjustment write: no answer within 200 ms"),
                 qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(TestCliConfig)
#include "test_cli_config.moc"
