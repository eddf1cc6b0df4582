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
        // Humidity 45.50 %RH, temperature -12.50 degrees (two's complement), unit 1.
        m_slave.start(SystemPython(), {QStringLiteral(HT_PYMODBUS_SLAVE), m_slaveEnd, "19200", "1",
                                       "4550", "64286"});
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
        QTest::newRow("another unit stays silent") << QStringList{"read", "-a", "2"} << 4 << "";
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
        QCOMPARE(lines.size(), 20);
        for (const QString& line : lines) {
            const QJsonObject row = QJsonDocument::fromJson(line.toUtf8()).object();
            QCOMPARE(row["outcome"].toString(), QString("ok"));
            QCOMPARE(row["humidity"].toDouble(), 45.5);
            QCOMPARE(row["temperature"].toDouble(), -12.5);
        }
        QVERIFY2(run.err.contains("20 sent, 20 answered"), qPrintable(run.err));
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
