#include <csignal>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "cli_run.h"
#include "support/simulator.h"

// A poll that runs for months: the port lost and back (--reconnect), a log
// added to across restarts (--append) and rotated (rename, then SIGHUP); and
// the address read when more than one module answers it.
namespace {

QStringList Line(const SimProcess& sim) {
    return {QStringLiteral("-p"), sim.link, QStringLiteral("-b"), QStringLiteral("19200")};
}

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The rows of a CSV log, each split into its columns; the header must be
// its first line and nowhere else.
QList<QStringList> CsvRows(const QString& path) {
    const QStringList lines = QString::fromUtf8(Contents(path)).split('\n', Qt::SkipEmptyParts);
    QList<QStringList> rows;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const bool header = lines[i].startsWith("time,");
        if (header != (i == 0)) {
            return {}; // a header missing or in the middle
        }
        if (!header) {
            rows << lines[i].split(',');
        }
    }
    return rows;
}

int Lines(const QString& path) {
    return static_cast<int>(Contents(path).count('\n'));
}

const QString kHeader = "time,address,outcome,response_ms,humidity,temperature,raw\n";

} // namespace

class TestCliLongRun : public QObject {
    Q_OBJECT
private slots:
    // The module goes twice and comes back, on the same link: one message
    // each time, a lost row for each turn meanwhile, and polling resumes
    // with the new module's readings.
    void reconnectsThroughOutages() {
        QTemporaryDir folder;
        SimProcess first;
        QVERIFY(first.start(folder.path(),
                            {"--no-drift", "--humidity", "45.5", "--fault", "unplug=1"}));
        const QString csv = folder.filePath("run.csv");
        QProcess poll;
        poll.start(QStringLiteral(HT_CLI_PATH),
                   QStringList{"poll", "--interval", "100", "--reconnect", "-o", csv} +
                       Line(first));
        QVERIFY(poll.waitForStarted());
        QVERIFY(first.process.waitForFinished(10'000));
        QTest::qWait(1500);
        SimProcess second;
        QVERIFY(second.start(folder.path(),
                             {"--no-drift", "--humidity", "55.25", "--fault", "unplug=1.5"}));
        QVERIFY(second.process.waitForFinished(10'000));
        QTest::qWait(500);
        SimProcess third;
        QVERIFY(third.start(folder.path(), {"--no-drift", "--humidity", "65"}));
        QTRY_VERIFY_WITH_TIMEOUT(Contents(csv).count(",65.00,") >= 5, 15'000);
        ::kill(static_cast<pid_t>(poll.processId()), SIGINT);
        QVERIFY(poll.waitForFinished(10'000));
        const QString err = QString::fromUtf8(poll.readAllStandardError());
        QVERIFY2(poll.exitCode() == 1, qPrintable(err));
        QVERIFY2(err.count("ht5530k-cli: the port ") == 2, qPrintable(err));
        QVERIFY2(err.count("each turn is a row with the outcome lost") == 2, qPrintable(err));

        // ok rows of each module in turn, lost rows between them, nothing else.
        const QList<QStringList> rows = CsvRows(csv);
        QVERIFY(!rows.isEmpty());
        QString shape;
        int lost = 0;
        QString lastTime;
        for (const QStringList& row : rows) {
            QCOMPARE(row.size(), 7);
            QVERIFY2(row[0] > lastTime, qPrintable(row[0])); // in order, none twice
            lastTime = row[0];
            const QString part = row[2] == "lost" ? QStringLiteral("lost")
                                 : row[2] == "ok" ? "ok " + row[4]
                                                  : row[2];
            if (!shape.endsWith(part)) {
                shape += (shape.isEmpty() ? "" : ", ") + part;
            }
            lost += row[2] == "lost" ? 1 : 0;
        }
        QCOMPARE(shape, QString("ok 45.50, lost, ok 55.25, lost, ok 65.00"));
        // About 15 turns an outage at 100 ms; a loaded machine may skip some.
        QVERIFY2(lost >= 10, qPrintable(QString::number(lost)));
        QVERIFY2(err.contains(QString("the port was lost 2 times: %1 turns lost").arg(lost)),
                 qPrintable(err));
    }

    // An adapter not yet plugged in when the run starts (a service at boot)
    // is waited for as through an outage: one message, lost rows, then its
    // readings once it is there.
    void waitsForAPortMissingAtTheStart() {
        QTemporaryDir folder;
        const QString csv = folder.filePath("run.csv");
        QProcess poll;
        poll.start(QStringLiteral(HT_CLI_PATH),
                   QStringList{"poll", "--interval", "100", "--reconnect", "-o", csv, "-p",
                               folder.filePath("COM4"), "-b", "19200"});
        QVERIFY(poll.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(Contents(csv).count(",lost,") >= 3, 10'000);
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift", "--humidity", "45.5"}));
        QTRY_VERIFY_WITH_TIMEOUT(Contents(csv).count(",45.50,") >= 3, 15'000);
        ::kill(static_cast<pid_t>(poll.processId()), SIGINT);
        QVERIFY(poll.waitForFinished(10'000));
        const QString err = QString::fromUtf8(poll.readAllStandardError());
        QVERIFY2(poll.exitCode() == 1, qPrintable(err));
        QVERIFY2(err.count("each turn is a row with the outcome lost") == 1, qPrintable(err));
        QVERIFY2(err.contains("the port was lost 1 time: "), qPrintable(err));
        QString shape;
        for (const QStringList& row : CsvRows(csv)) {
            if (!shape.endsWith(row[2])) {
                shape += (shape.isEmpty() ? "" : ", ") + row[2];
            }
        }
        QCOMPARE(shape, QString("lost, ok"));
    }

    // A restarted run adds to its log: one header, every row kept. A log of
    // other rows is left alone, and without --append the file is replaced.
    void appendsAcrossRestarts() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift", "--humidity", "45.5"}));
        const QString csv = folder.filePath("day.csv");
        const QStringList poll{"poll", "--interval", "20", "--count", "5", "-o", csv};
        QCOMPARE(RunCli(poll + Line(sim)).exitCode, 0);
        CliRun again = RunCli(poll + QStringList{"--append"} + Line(sim));
        QVERIFY2(again.exitCode == 0, qPrintable(again.err));
        QCOMPARE(CsvRows(csv).size(), 10);
        QVERIFY(Contents(csv).startsWith(kHeader.toUtf8()));

        const QByteArray before = Contents(csv);
        const CliRun json = RunCli(poll + QStringList{"--append", "--format", "jsonl"} + Line(sim));
        QCOMPARE(json.exitCode, 2);
        QVERIFY2(json.err.contains(csv + " holds other rows than these: its first line is "
                                         "\"time,address,"),
                 qPrintable(json.err));
        QCOMPARE(Contents(csv), before);

        const CliRun noFile = RunCli({"poll", "--interval", "20", "--append"});
        QCOMPARE(noFile.exitCode, 2);
        QVERIFY2(noFile.err.contains("--append needs --output FILE"), qPrintable(noFile.err));

        QCOMPARE(RunCli(poll + Line(sim)).exitCode, 0);
        QCOMPARE(CsvRows(csv).size(), 5);
    }

    // logrotate's way, twice during one run: rename, then SIGHUP. Every row
    // is in exactly one file, each file has its header, and none is lost.
    void sighupReopensTheLog() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift", "--humidity", "45.5"}));
        const QString csv = folder.filePath("day.csv");
        constexpr int kCount = 200;
        QProcess poll;
        poll.start(QStringLiteral(HT_CLI_PATH), QStringList{"poll", "--interval", "20", "--count",
                                                            QString::number(kCount), "-o", csv} +
                                                    Line(sim));
        QVERIFY(poll.waitForStarted());
        const auto pid = static_cast<pid_t>(poll.processId());
        for (const QString& rotated : {csv + ".1", csv + ".2"}) {
            QTRY_VERIFY_WITH_TIMEOUT(Lines(csv) >= 30, 15'000);
            QVERIFY(QFile::rename(csv, rotated));
            ::kill(pid, SIGHUP);
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(csv), 5000);
        }
        QVERIFY(poll.waitForFinished(30'000));
        const QString err = QString::fromUtf8(poll.readAllStandardError());
        QVERIFY2(poll.exitStatus() == QProcess::NormalExit && poll.exitCode() == 0,
                 qPrintable(err));
        QVERIFY2(err.contains(QString("%1 sent, %1 answered").arg(kCount)), qPrintable(err));
        QStringList times;
        for (const QString& file : {csv + ".1", csv + ".2", csv}) {
            const QList<QStringList> rows = CsvRows(file);
            QVERIFY2(rows.size() >= 1, qPrintable(file));
            for (const QStringList& row : rows) {
                QCOMPARE(row[2], QString("ok"));
                times << row[0];
            }
        }
        QCOMPARE(times.size(), kCount);
        QStringList ordered = times;
        ordered.sort();
        ordered.removeDuplicates();
        QCOMPARE(times, ordered);
    }

    // What several modules answering the shared address look like to the
    // master: a garbled answer, or a second one after the first. address
    // prints no address and ends with status 5; scan says so and reads each
    // address all the same.
    void addressReadCollides_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("shows");
        QTest::newRow("garbled") << "bad-crc=1"
                                 << "(bad CRC: 01 25 02 00 01";
        QTest::newRow("a second answer")
            << "double"
            << "(a sound answer from address 1, then 7 more bytes: 01 25 02 00 01";
    }
    void addressReadCollides() {
        QFETCH(QString, fault);
        QFETCH(QString, shows);
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift", "--humidity", "45.5", "--fault", fault}));
        const CliRun address = RunCli(QStringList{"address"} + Line(sim));
        QVERIFY2(address.exitCode == 5, qPrintable(address.err));
        QCOMPARE(address.out, QString());
        QVERIFY2(address.err.contains("ht5530k-cli: more than one module answered the address "
                                      "read (to 250): their answers collided " +
                                      shows),
                 qPrintable(address.err));

        // Address 1 lies outside the range: only the address read's sound
        // first answer leads the scan there.
        const CliRun scan = RunCli(QStringList{"scan", "--addresses", "2-3"} + Line(sim));
        QVERIFY2(scan.err.contains("at 19200 baud the address read (to 250) collided: more than "
                                   "one module answered " +
                                   shows),
                 qPrintable(scan.err));
        if (fault == "double") {
            QCOMPARE(scan.exitCode, 0);
            QCOMPARE(scan.out, QString("19200 baud, address 1: humidity 45.50 %RH\n"));
        }
    }

    // Eight modules on one line: their answers to the address read collide,
    // so address says that more than one answered and prints none; scan
    // reads each address of 1-35 and finds all eight, each with its own
    // reading, and says that the address read collided.
    void scanAndAddressOnABus() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift", "--humidity", "40", "--address", "1-8"}));
        const CliRun address = RunCli(QStringList{"address"} + Line(sim));
        QVERIFY2(address.exitCode == 5, qPrintable(address.err));
        QCOMPARE(address.out, QString());
        QVERIFY2(address.err.contains("ht5530k-cli: more than one module answered the address "
                                      "read (to 250): their answers collided (bad CRC: "),
                 qPrintable(address.err));
        // Without --from the change would go to whichever module answered:
        // none is changed. The scan below finds all eight where they were.
        const CliRun change = RunCli(QStringList{"set-address", "9"} + Line(sim));
        QVERIFY2(change.exitCode == 5, qPrintable(change.err));
        QVERIFY2(change.err.contains("more than one module answered the address read (to 250)") &&
                     change.err.contains("; no address was changed"),
                 qPrintable(change.err));

        const CliRun scan = RunCli(QStringList{"scan"} + Line(sim));
        QVERIFY2(scan.exitCode == 0, qPrintable(scan.err));
        QString found;
        for (int module = 1; module <= 8; ++module) {
            found += QString("19200 baud, address %1: humidity %2.00 %RH\n")
                         .arg(module)
                         .arg(39 + module);
        }
        QCOMPARE(scan.out, found);
        QVERIFY2(scan.err.contains("at 19200 baud the address read (to 250) collided: more than "
                                   "one module answered (bad CRC: "),
                 qPrintable(scan.err));
    }
};

QTEST_GUILESS_MAIN(TestCliLongRun)
#include "test_cli_long_run.moc"
