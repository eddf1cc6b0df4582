#include <QStandardPaths>
#include <QtTest>

#include "support/sim_process.h"

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

// One exchange by mbpoll, a Modbus master written elsewhere: RTU at 19200 8N1,
// 0-based register numbers, one poll, a short time-out for the silent cases.
// Values to write follow the device.
Run Mbpoll(const QString& device, const QStringList& options, const QStringList& values = {}) {
    QProcess process;
    process.start(QStringLiteral("mbpoll"),
                  QStringList{"-m", "rtu", "-b", "19200", "-P", "none", "-0", "-1", "-o", "0.5"} +
                      options + QStringList{device} + values);
    Run run;
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(3000);
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

// mbpoll's line for one holding register, e.g. "[1]: \t64286 (-1250)".
QString Line(int reg, const QString& value) {
    return QStringLiteral("[%1]: \t%2").arg(reg).arg(value);
}

// A read of both registers by `run` gave these two values.
void ExpectRegisters(const Run& run, const QString& humidity, const QString& temperature) {
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY2(run.out.contains(Line(0, humidity) + "\n" + Line(1, temperature) + "\n"),
             qPrintable(run.out));
}

} // namespace

// The virtual module speaks Modbus RTU that a third-party master understands,
// so what the tool's own tests check against it holds for a standard device too.
class TestInteropMbpoll : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("mbpoll")).isEmpty()) {
            QSKIP("mbpoll is not installed");
        }
    }

    void readsBothRegisters_data() {
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("humidity");
        QTest::addColumn<QString>("temperature");
        const auto row = [](const char* name, const QStringList& simArgs, const char* address,
                            const char* humidity, const char* temperature) {
            QTest::newRow(name) << simArgs << QString(address) << QString(humidity)
                                << QString(temperature);
        };
        row("room", {"--humidity", "45.5", "--temperature", "23.25"}, "1", "4550", "2325");
        row("below zero: two's complement", {"--humidity", "80", "--temperature", "-12.5"}, "1",
            "8000", "64286 (-1250)");
        row("other address", {"--address", "17", "--humidity", "0", "--temperature", "0"}, "17",
            "0", "0");
    }

    void readsBothRegisters() {
        QFETCH(QStringList, simArgs);
        QFETCH(QString, address);
        QFETCH(QString, humidity);
        QFETCH(QString, temperature);
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), simArgs + QStringList{"--no-drift"}));

        ExpectRegisters(Mbpoll(sim.link, {"-a", address, "-r", "0", "-c", "2"}), humidity,
                        temperature);
    }

    void writeOffsetShiftsReading_data() {
        QTest::addColumn<QString>("reg");
        QTest::addColumn<QString>("offset");
        QTest::addColumn<QString>("humidity");
        QTest::addColumn<QString>("temperature");
        const auto row = [](const char* name, const char* reg, const char* offset,
                            const char* humidity, const char* temperature) {
            QTest::newRow(name) << QString(reg) << QString(offset) << QString(humidity)
                                << QString(temperature);
        };
        row("humidity +1.50", "2560", "150", "4700", "2325");
        // mbpoll writes 16-bit registers unsigned: negative offsets as their pattern.
        row("humidity -0.80", "2560", "65456", "4470", "2325");
        row("temperature -2.50", "2562", "65286", "4550", "2075");
    }

    void writeOffsetShiftsReading() {
        QFETCH(QString, reg);
        QFETCH(QString, offset);
        QFETCH(QString, humidity);
        QFETCH(QString, temperature);
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(),
                          {"--humidity", "45.5", "--temperature", "23.25", "--no-drift"}));

        const Run write = Mbpoll(sim.link, {"-a", "1", "-r", reg}, {offset});
        QVERIFY2(write.exitCode == 0, qPrintable(write.err));
        QVERIFY2(write.out.contains("Written 1 references."), qPrintable(write.out));

        ExpectRegisters(Mbpoll(sim.link, {"-a", "1", "-r", "0", "-c", "2"}), humidity, temperature);
    }

    void writeAddressRegisterMovesModule() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--humidity", "45.5", "--no-drift"}));

        // The module echoes the write from its new address, which a standard
        // master takes for an answer from another slave.
        const Run write = Mbpoll(sim.link, {"-a", "1", "-r", "2816"}, {"9"});
        QCOMPARE(write.exitCode, 1);
        QVERIFY2(write.err.contains("Response not from requested slave"), qPrintable(write.err));

        const Run moved = Mbpoll(sim.link, {"-a", "9", "-r", "0"});
        QVERIFY2(moved.exitCode == 0, qPrintable(moved.err));
        QVERIFY2(moved.out.contains(Line(0, "4550")), qPrintable(moved.out));

        const Run old = Mbpoll(sim.link, {"-a", "1", "-r", "0"});
        QCOMPARE(old.exitCode, 1);
        QVERIFY2(old.err.contains("timed out"), qPrintable(old.err));
    }

    // Refusals arrive as exception responses that the master decodes.
    void refusalsAreModbusExceptions_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("error");
        QTest::newRow("register beyond the two") << QStringList{"-a", "1", "-r", "1", "-c", "2"}
                                                 << QStringList{} << "Illegal data address";
        QTest::newRow("address above 35")
            << QStringList{"-a", "1", "-r", "2816"} << QStringList{"36"} << "Illegal data value";
        QTest::newRow("unknown register")
            << QStringList{"-a", "1", "-r", "100"} << QStringList{"5"} << "Illegal data address";
    }

    void refusalsAreModbusExceptions() {
        QFETCH(QStringList, options);
        QFETCH(QStringList, values);
        QFETCH(QString, error);
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift"}));

        const Run run = Mbpoll(sim.link, options, values);
        QCOMPARE(run.exitCode, 1);
        // "... failed: <reason>": the reason came back from the module.
        QVERIFY2(run.err.contains("failed: " + error), qPrintable(run.err));
    }
};

QTEST_MAIN(TestInteropMbpoll)
#include "test_interop_mbpoll.moc"
