#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "cli_run.h"

// ht5530k-cli against a Modbus RTU slave that was written elsewhere:
// pymodbus's serial server on one end of a socat pseudo-terminal pair, the
// program on the other. What holds here does not rest on the virtual module.
namespace {
constexpr int kWaitMs = 15'000;

QString Socat() {
    return QStandardPaths::findExecutable(QStringLiteral("socat"));
}

// Why the peers cannot run here, or nothing.
QString MissingPeer() {
    if (Socat().isEmpty()) {
        return QStringLiteral("socat is not installed (scripts/test installs it)");
    }
    if (SystemPython().isEmpty()) {
        return QStringLiteral("/usr/bin/python3 is missing");
    }
    QProcess probe;
    probe.start(SystemPython(), {"-c", "import pymodbus.server, serial_asyncio"});
    if (!probe.waitForFinished(kWaitMs) || probe.exitCode() != 0) {
        return QStringLiteral("python3-pymodbus or python3-serial-asyncio is not installed "
                              "(scripts/test installs them)");
    }
    return {};
}

void Stop(QProcess& process) {
    if (process.state() != QProcess::NotRunning) {
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
}
} // namespace

class TestCliPymodbus : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (const QString missing = MissingPeer(); !missing.isEmpty()) {
            QSKIP(qPrintable(missing));
        }
        QVERIFY(m_folder.isValid());
        m_slaveEnd = m_folder.filePath("slave");
        m_masterEnd = m_folder.filePath("master");
        m_socat.start(Socat(),
                      {"pty,raw,echo=0,link=" + m_slaveEnd, "pty,raw,echo=0,link=" + m_masterEnd});
        QVERIFY(m_socat.waitForStarted(kWaitMs));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(m_slaveEnd).exists() && QFileInfo(m_masterEnd).exists(),
                                 kWaitMs);
        // Unit 1: humidity 45.50 %RH, temperature -12.50 degrees (two's
        // complement); units 2 and 3 on the same line, each with its own.
        m_slave.start(SystemPython(), {QStringLiteral(HT_PYMODBUS_SLAVE), m_slaveEnd, "19200",
                                       "1=4550,64286", "2=5520,2610", "3=6030,65036"});
        QVERIFY(m_slave.waitForStarted(kWaitMs));
        QTRY_VERIFY_WITH_TIMEOUT(m_slave.canReadLine() || m_slave.state() != QProcess::Running,
                                 kWaitMs);
        QVERIFY2(m_slave.readLine().trimmed() == "serving", m_slave.readAllStandardError());
    }

    void cleanupTestCase() {
        Stop(m_slave);
        Stop(m_socat);
    }

    void read_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::newRow("humidity") << QStringList{"read"} << 0 << "humidity 45.50 %RH\n";
        QTest::newRow("both") << QStringList{"read", "--registers", "2"} << 0
                              << "humidity 45.50 %RH\ntemperature -12.50 °C\n";
        QTest::newRow("json") << QStringList{"read", "--registers", "2", "--format", "json"} << 0
                              << "\"humidity\":45.50,\"temperature\":-12.50,"
                                 "\"raw\":\"01 03 04 11 C6 FB 1E DC 0A\"}\n";
        QTest::newRow("another unit stays silent") << QStringList{"read", "-a", "9"} << 4 << "";
        QTest::newRow("several units, one absent")
            << QStringList{"read", "-a", "3,9,2", "--registers", "2"} << 1
            << "address 3: humidity 60.30 %RH\naddress 3: temperature -5.00 °C\n"
               "address 2: humidity 55.20 %RH\naddress 2: temperature 26.10 °C\n";
    }
    void read() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, out);
        const CliRun run =
            RunCli(args + QStringList{"-p", m_masterEnd, "-b", "19200", "--timeout", "300"});
        QVERIFY2(run.exitCode == status, qPrintable(run.err));
        QVERIFY2(out.isEmpty() ? run.out.isEmpty() : run.out.endsWith(out), qPrintable(run.out));
    }

    void poll() {
        const CliRun run = RunCli({"poll", "--interval", "50", "--count", "20", "--registers", "2",
                                   "--format", "jsonl", "-p", m_masterEnd, "-b", "19200"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
        // The rows, then the summary of the address and the total.
        QCOMPARE(lines.size(), 22);
        QVERIFY(lines[20].startsWith("{\"summary\":\"address\",\"address\":1,\"sent\":20,"));
        QVERIFY(lines[21].startsWith("{\"summary\":\"total\",\"sent\":20,\"answered\":20,"));
        for (const QString& line : lines.first(20)) {
            const QJsonObject row = QJsonDocument::fromJson(line.toUtf8()).object();
            QCOMPARE(row["outcome"].toString(), QString("ok"));
            QCOMPARE(row["humidity"].toDouble(), 45.5);
            QCOMPARE(row["temperature"].toDouble(), -12.5);
        }
        QVERIFY2(run.err.contains("20 sent, 20 answered"), qPrintable(run.err));
    }

    // Every slave of the line and one that is not there, in rounds: each
    // row has its own slave's values, the absent one times out and is then
    // backed off, and the summary counts each address.
    void pollSeveralUnits() {
        const CliRun run =
            RunCli({"poll", "-a", "1-4", "--interval", "200", "--count", "6", "--registers", "2",
                    "--timeout", "50", "--format", "jsonl", "-p", m_masterEnd, "-b", "19200"});
        QVERIFY2(run.exitCode == 1, qPrintable(run.err));
        const QMap<int, QPair<double, double>> values{
            {1, {45.5, -12.5}}, {2, {55.2, 26.1}}, {3, {60.3, -5.0}}};
        QStringList absent;
        int rows = 0;
        for (const QString& line : run.out.split('\n', Qt::SkipEmptyParts)) {
            const QJsonObject row = QJsonDocument::fromJson(line.toUtf8()).object();
            if (row.contains("summary")) {
                continue;
            }
            const int address = row["address"].toInt();
            QCOMPARE(address, rows % 4 + 1); // in order, every round
            ++rows;
            if (address == 4) {
                absent << row["outcome"].toString();
                continue;
            }
            QCOMPARE(row["outcome"].toString(), QString("ok"));
            QCOMPARE(row["humidity"].toDouble(), values[address].first);
            QCOMPARE(row["temperature"].toDouble(), values[address].second);
        }
        QCOMPARE(rows, 24);
        QCOMPARE(absent.join(' '), QString("timeout timeout timeout skipped timeout skipped"));
        QVERIFY2(run.err.contains(", addresses 1-4, 19200 baud: poll statistics ---\n"),
                 qPrintable(run.err));
        for (const char* text : {"address 1: 6 sent, 6 answered, 0.0% loss",
                                 "address 4: 4 sent, 0 answered, 100.0% "
                                 "loss, no response time, 2 turns skipped",
                                 "total: 22 sent, 18 answered, 4 timeouts"}) {
            QVERIFY2(run.err.contains(text), qPrintable(run.err));
        }
    }

private:
    QTemporaryDir m_folder;
    QString m_slaveEnd;
    QString m_masterEnd;
    QProcess m_socat;
    QProcess m_slave;
};

QTEST_GUILESS_MAIN(TestCliPymodbus)
#include "test_cli_pymodbus.moc"
