#include <csignal>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

#include "cli_run.h"
#include "comm_set_file.h"
#include "support/simulator.h"

// ht5530k-cli against the virtual module on a pseudo-terminal: every
// command, the faults a line has and the exit status each gives.
namespace {

// The module's line, reached through its COM4 link, at 19200 baud.
QStringList Line(const SimProcess& sim) {
    return {QStringLiteral("-p"), sim.link, QStringLiteral("-b"), QStringLiteral("19200")};
}

QStringList Lines(const QString& text) {
    return text.split('\n', Qt::SkipEmptyParts);
}

// The outcome column of every CSV row of the output.
QStringList Outcomes(const QString& csv) {
    QStringList outcomes;
    const QStringList rows = Lines(csv);
    for (qsizetype i = 1; i < rows.size(); ++i) {
        outcomes << rows[i].section(',', 2, 2);
    }
    return outcomes;
}

} // namespace

class TestCliSim : public QObject {
    Q_OBJECT
private slots:
    void reads_data() {
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<QStringList>("cliArgs");
        QTest::addColumn<QString>("out");
        QTest::newRow("humidity") << QStringList{"--humidity", "45.5"} << QStringList{"read"}
                                  << "humidity 45.50 %RH\n";
        QTest::newRow("both, below zero")
            << QStringList{"--humidity", "80", "--temperature", "-12.5"}
            << QStringList{"read", "--registers", "2"}
            << "humidity 80.00 %RH\ntemperature -12.50 °C\n";
        QTest::newRow("full scale") << QStringList{"--humidity", "100", "--temperature", "125"}
                                    << QStringList{"read", "--registers=2"}
                                    << "humidity 100.00 %RH\ntemperature 125.00 °C\n";
        QTest::newRow("address 17") << QStringList{"--address", "17", "--humidity", "0"}
                                    << QStringList{"-a", "17", "read"} << "humidity 0.00 %RH\n";
        QTest::newRow("address read")
            << QStringList{"--address", "17"} << QStringList{"address"} << "17\n";
    }
    void reads() {
        QFETCH(QStringList, simArgs);
        QFETCH(QStringList, cliArgs);
        QFETCH(QString, out);
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), simArgs + QStringList{"--no-drift"}));
        const CliRun run = RunCli(cliArgs + Line(sim));
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(run.out, out);
    }

    // The JSON and CSV forms, and the frames on standard error with -v.
    void readFormats() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(),
                          {"--humidity", "45.5", "--temperature", "-12.5", "--no-drift"}));
        const CliRun json =
            RunCli(QStringList{"read", "--registers", "2", "--format", "json", "-v"} + Line(sim));
        QCOMPARE(json.exitCode, 0);
        const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
        QCOMPARE(object["address"].toInt(), 1);
        QCOMPARE(object["humidity"].toDouble(), 45.5);
        QCOMPARE(object["temperature"].toDouble(), -12.5);
        QCOMPARE(object["raw"].toString(), QString("01 03 04 11 C6 FB 1E DC 0A"));
        QVERIFY(object["response_ms"].toDouble() > 0);
        QVERIFY2(json.err.contains(QString(" sent: 01 03 00 00 00 02 C4 0B \n")),
                 qPrintable(json.err));
        QVERIFY2(json.err.contains(" received: 01 03 04 11 C6 FB 1E DC 0A\n"),
                 qPrintable(json.err));
        QVERIFY2(json.err.contains(
                     QStringLiteral("port %1 -> %2, 19200 baud 8N1").arg(sim.link, sim.device)),
                 qPrintable(json.err));

        const CliRun csv = RunCli(QStringList{"read", "--format", "csv"} + Line(sim));
        QCOMPARE(csv.exitCode, 0);
        const QStringList rows = Lines(csv.out);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0], QString("time,address,outcome,response_ms,humidity,temperature,raw"));
        QVERIFY2(rows[1].endsWith(",1,ok," + rows[1].section(',', 3, 3) +
                                  ",45.50,,01 03 02 11 C6 34 46"),
                 qPrintable(rows[1]));
        QVERIFY(json.err.contains("sent:") && !csv.err.contains("sent:"));
    }

    // Each fault of the line ends a read and a poll with its own status, and
    // every poll row names it.
    void faults_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("cliArgs");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("message");
        QTest::newRow("silent: read") << "silent" << QStringList{"read"} << 4 << ""
                                      << "no answer within 200 ms";
        QTest::newRow("silent: poll") << "silent" << QStringList{"poll"} << 4 << "timeout"
                                      << "0 answered, 3 timeouts";
        QTest::newRow("bad CRC: read") << "bad-crc=1" << QStringList{"read"} << 5 << ""
                                       << "bad CRC";
        QTest::newRow("bad CRC: poll") << "bad-crc=1" << QStringList{"poll"} << 5 << "crc"
                                       << "3 CRC errors";
        QTest::newRow("exception: read") << "exception" << QStringList{"read"} << 6 << ""
                                         << "exception 04 (device failure) from address 1";
        QTest::newRow("exception: poll") << "exception" << QStringList{"poll"} << 6 << "exception"
                                         << "3 exceptions";
        QTest::newRow("exception: address read") << "exception" << QStringList{"address"} << 6 << ""
                                                 << "exception 04";
        QTest::newRow("short: read") << "short" << QStringList{"read"} << 5 << ""
                                     << "short answer within 200 ms: 01 03 02";
        QTest::newRow("short: poll") << "short" << QStringList{"poll"} << 5 << "short"
                                     << "3 other corrupt";
        QTest::newRow("no module at 2") << "" << QStringList{"read", "-a", "2"} << 4 << ""
                                        << "no answer";
        QTest::newRow("doubled answers are one") << "double" << QStringList{"poll"} << 0 << "ok"
                                                 << "3 answered";
        QTest::newRow("answers a byte at a time") << "split=2" << QStringList{"poll"} << 0 << "ok"
                                                  << "3 answered";
    }
    void faults() {
        QFETCH(QString, fault);
        QFETCH(QStringList, cliArgs);
        QFETCH(int, status);
        QFETCH(QString, outcome);
        QFETCH(QString, message);
        QTemporaryDir folder;
        SimProcess sim;
        QStringList simArgs{"--no-drift"};
        if (!fault.isEmpty()) {
            simArgs << "--fault" << fault;
        }
        QVERIFY(sim.start(folder.path(), simArgs));
        if (cliArgs.first() == "poll") {
            cliArgs << "--interval"
                    << "50"
                    << "--count"
                    << "3";
        }
        const CliRun run = RunCli(cliArgs + Line(sim) + QStringList{"--timeout", "200"});
        QVERIFY2(run.exitCode == status, qPrintable(run.err));
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        if (!outcome.isEmpty()) {
            QCOMPARE(Outcomes(run.out), QStringList(3, outcome));
        } else {
            QCOMPARE(run.out, QString());
        }
    }

    // read --format json and csv print a failed exchange as poll does: its
    // outcome, no values; the status is the failure's.
    void readReportsAFailedExchange_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("silent, json") << "silent"
                                      << "json" << 4 << "timeout";
        QTest::newRow("silent, csv") << "silent"
                                     << "csv" << 4 << "timeout";
        QTest::newRow("bad CRC, csv") << "bad-crc=1"
                                      << "csv" << 5 << "crc";
        QTest::newRow("exception, json") << "exception"
                                         << "json" << 6 << "exception";
    }
    void readReportsAFailedExchange() {
        QFETCH(QString, fault);
        QFETCH(QString, format);
        QFETCH(int, status);
        QFETCH(QString, outcome);
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift", "--fault", fault}));
        const CliRun run =
            RunCli(QStringList{"read", "--registers", "2", "--format", format, "--timeout", "200"} +
                   Line(sim));
        QVERIFY2(run.exitCode == status, qPrintable(run.err));
        if (format == "json") {
            const QJsonObject row = QJsonDocument::fromJson(run.out.toUtf8()).object();
            QCOMPARE(row["outcome"].toString(), outcome);
            QCOMPARE(row["address"].toInt(), 1);
            QVERIFY(row["humidity"].isNull() && row["temperature"].isNull());
            QCOMPARE(row["response_ms"].isNull(), outcome == "timeout");
        } else {
            QCOMPARE(Outcomes(run.out), QStringList{outcome});
            QCOMPARE(run.out.section('\n', 1, 1).section(',', 4, 5), QString(","));
        }
    }

    // Some exchanges failed, some did not: status 1. Retries turn failures
    // into answers.
    void pollWithSomeFailures() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift", "--fault", "bad-crc=0.5", "--seed", "7"}));
        const QStringList poll{"poll", "--interval", "20", "--count", "20"};
        const CliRun mixed = RunCli(poll + Line(sim));
        QCOMPARE(mixed.exitCode, 1);
        const QStringList outcomes = Outcomes(mixed.out);
        QVERIFY2(outcomes.contains("ok") && outcomes.contains("crc"), qPrintable(mixed.out));

        const CliRun retried = RunCli(poll + Line(sim) + QStringList{"--retries", "30", "-v"});
        QVERIFY2(retried.exitCode == 0, qPrintable(retried.err));
        QCOMPARE(Outcomes(retried.out), QStringList(20, "ok"));
        QVERIFY(retried.err.contains("retry 1 of 30 after crc"));
        // Retries are requests of their own in the summary.
        QVERIFY2(!retried.err.contains("20 sent,"), qPrintable(retried.err));
    }

    // An unplugged module ends the poll with status 3; every row written
    // before stays whole.
    void unplugDuringPoll() {
        if (SystemPython().isEmpty()) {
            QSKIP("/usr/bin/python3 is missing: no CSV parser to read the rows back");
        }
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(
            sim.start(folder.path(), {"--no-drift", "--humidity", "45.5", "--fault", "unplug=2"}));
        const QString csv = folder.filePath("run.csv");
        const CliRun run =
            RunCli(QStringList{"poll", "--interval", "100", "--output", csv} + Line(sim));
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.err.contains("was lost"), qPrintable(run.err));
        QVERIFY2(run.err.contains("poll statistics"), qPrintable(run.err));
        QCOMPARE(run.out, QString());
        const QJsonObject read = ReadCsvWithPython(csv);
        QVERIFY2(!read.isEmpty(), "Python could not read the CSV");
        QVERIFY(!read["wide"].toBool());
        const int rows = read["rows"].toInt();
        QVERIFY2(rows >= 10 && rows <= 21, qPrintable(QString::number(rows)));
        QCOMPARE(read["outcomes"].toObject()["ok"].toInt(), rows);
        QVERIFY(read["times"].toBool());
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().endsWith("01 03 02 11 C6 34 46\n"));
    }

    // 200 polls at 50 ms: none lost, and the CSV is what a CSV parser reads.
    void twoHundredPollsNoneLost() {
        if (SystemPython().isEmpty()) {
            QSKIP("/usr/bin/python3 is missing: no CSV parser to read the rows back");
        }
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift", "--humidity", "45.5", "--temperature",
                                          "-0.25", "--baud", "19200"}));
        const QString csv = folder.filePath("run.csv");
        const CliRun run = RunCli(QStringList{"poll", "--interval", "50", "--count", "200",
                                              "--registers", "2", "-o", csv} +
                                  Line(sim));
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY2(run.err.contains("200 sent, 200 answered, 0 timeouts"), qPrintable(run.err));
        const QJsonObject read = ReadCsvWithPython(csv);
        QVERIFY2(!read.isEmpty(), "Python could not read the CSV");
        QCOMPARE(read["header"].toArray().toVariantList(),
                 (QVariantList{"time", "address", "outcome", "response_ms", "humidity",
                               "temperature", "raw"}));
        QCOMPARE(read["rows"].toInt(), 200);
        QCOMPARE(read["outcomes"].toObject()["ok"].toInt(), 200);
        QCOMPARE(read["humidity"].toArray().toVariantList(), QVariantList{"45.50"});
        QCOMPARE(read["temperature"].toArray().toVariantList(), QVariantList{"-0.25"});
        QVERIFY(read["times"].toBool());
    }

    // JSON lines carry the CSV's keys; --duration ends the run.
    void pollJsonLinesForADuration() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift", "--humidity", "45.5"}));
        const CliRun run = RunCli(
            QStringList{"poll", "--interval", "100", "--duration", "0.55", "--format", "jsonl"} +
            Line(sim));
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QStringList lines = Lines(run.out);
        // The rows end with the summary of the address and the total.
        QVERIFY2(lines.size() >= 2, qPrintable(run.out));
        const QJsonObject total = QJsonDocument::fromJson(lines.takeLast().toUtf8()).object();
        const QJsonObject module = QJsonDocument::fromJson(lines.takeLast().toUtf8()).object();
        QCOMPARE(module["summary"].toString(), QString("address"));
        QCOMPARE(module["address"].toInt(), 1);
        QCOMPARE(total["summary"].toString(), QString("total"));
        QCOMPARE(total["answered"].toInt(), lines.size());
        QCOMPARE(module["response_ms_median"].isDouble(), true);
        // Ticks at 0, 100, ... 500 ms; a loaded machine may make some late and skip others.
        QVERIFY2(lines.size() >= 3 && lines.size() <= 6, qPrintable(run.out));
        for (const QString& line : lines) {
            const QJsonObject row = QJsonDocument::fromJson(line.toUtf8()).object();
            QCOMPARE(row.keys(), (QStringList{"address", "humidity", "outcome", "raw",
                                              "response_ms", "temperature", "time"}));
            QCOMPARE(row["outcome"].toString(), QString("ok"));
            QCOMPARE(row["humidity"].toDouble(), 45.5);
            QVERIFY(row["temperature"].isNull());
        }
    }

    // SIGINT and SIGTERM end a poll with its summary; the rows written stay.
    void pollStopsOnSignals_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
    }
    void pollStopsOnSignals() {
        QFETCH(int, signal);
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift", "--humidity", "45.5"}));
        QProcess poll;
        poll.start(QStringLiteral(HT_CLI_PATH),
                   QStringList{"poll", "--interval", "50"} + Line(sim));
        QVERIFY(poll.waitForStarted());
        QByteArray rows;
        QTRY_VERIFY_WITH_TIMEOUT((rows += poll.readAllStandardOutput()).count('\n') >= 4, 20'000);
        ::kill(static_cast<pid_t>(poll.processId()), signal);
        QVERIFY(poll.waitForFinished(10'000));
        QCOMPARE(poll.exitStatus(), QProcess::NormalExit);
        rows += poll.readAllStandardOutput();
        const QString err = QString::fromUtf8(poll.readAllStandardError());
        QVERIFY2(err.contains("poll statistics") && err.contains("0 timeouts"), qPrintable(err));
        QVERIFY(rows.endsWith("01 03 02 11 C6 34 46\n"));
        const QStringList outcomes = Outcomes(QString::fromLatin1(rows));
        QCOMPARE(outcomes, QStringList(outcomes.size(), "ok"));
        // The summary counts what the rows show, and the one request under
        // way if the signal came while it waited: that cut the run short.
        const int sent = err.section(" sent,", 0, 0).section('\n', -1).toInt();
        const bool cutShort = err.contains("interrupted");
        QCOMPARE(sent, outcomes.size() + (cutShort ? 1 : 0));
        QCOMPARE(poll.exitCode(), cutShort ? 1 : 0);
    }

    // A silent module and a 300 ms time-out against 50 ms ticks: one request
    // at a time, the ticks in between are skipped and counted.
    void slowAnswersMakeTicksLate() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--fault", "silent"}));
        const CliRun run =
            RunCli(QStringList{"poll", "--interval", "50", "--count", "3", "--timeout", "300"} +
                   Line(sim));
        QCOMPARE(run.exitCode, 4);
        QVERIFY2(run.err.contains("3 sent, 0 answered, 3 timeouts"), qPrintable(run.err));
        QVERIFY2(run.err.contains(" 2 late ("), qPrintable(run.err));
        const QStringList rows = Lines(run.out);
        QCOMPARE(rows.size(), 4);
        const auto sentAt = [&](int row) {
            return QDateTime::fromString(rows[row].section(',', 0, 0), Qt::ISODateWithMs);
        };
        QVERIFY(sentAt(1).msecsTo(sentAt(2)) >= 300);
        QVERIFY(sentAt(2).msecsTo(sentAt(3)) >= 300);
    }

    // An answer belongs to its own request: one that comes after its
    // time-out is dropped while the next request waits for a quiet line,
    // never taken for the next one's. The module paces its answers at 19200
    // baud, 10 bits a byte, so no sound answer can arrive sooner than its
    // own transmission time after the request.
    void answersBelongToTheirRequest_data() {
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("summary");
        QTest::newRow("on time") << QStringList{} << 500 << "ok"
                                 << "4 sent, 4 answered, 0 timeouts";
        QTest::newRow("late, within the time-out") << QStringList{"--delay", "300"} << 500 << "ok"
                                                   << "4 sent, 4 answered, 0 timeouts";
        QTest::newRow("600 ms late, 500 ms time-out")
            << QStringList{"--delay", "600"} << 500 << "timeout"
            << "4 sent, 0 answered, 4 timeouts, 0 CRC errors, 0 exceptions, 0 other corrupt, "
               "100.0% loss";
        QTest::newRow("350 ms late, 200 ms time-out")
            << QStringList{"--delay", "350"} << 200 << "timeout"
            << "4 sent, 0 answered, 4 timeouts";
    }
    void answersBelongToTheirRequest() {
        QFETCH(QStringList, simArgs);
        QFETCH(int, timeoutMs);
        QFETCH(QString, outcome);
        QFETCH(QString, summary);
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), simArgs + QStringList{"--no-drift", "--baud", "19200"}));
        const CliRun run =
            RunCli(QStringList{"poll", "--interval", "50", "--count", "4", "--registers", "2",
                               "--timeout", QString::number(timeoutMs)} +
                   Line(sim));
        QVERIFY2(run.exitCode == (outcome == "ok" ? 0 : 4), qPrintable(run.err));
        QCOMPARE(Outcomes(run.out), QStringList(4, outcome));
        QVERIFY2(run.err.contains(summary), qPrintable(run.err));
        // The nine bytes of a two-register answer at 19200 baud, 10 bits a byte.
        const double transmissionMs = 9 * 10 * 1000.0 / 19200;
        const QStringList rows = Lines(run.out);
        for (qsizetype i = 1; i < rows.size(); ++i) {
            const QString time = rows[i].section(',', 3, 3);
            QVERIFY2(time.isEmpty() == (outcome != "ok"), qPrintable(rows[i]));
            QVERIFY2(time.isEmpty() || time.toDouble() >= transmissionMs, qPrintable(rows[i]));
        }
        if (outcome != "ok") {
            // Each late answer but the last came before the next request went out.
            QVERIFY2(run.err.contains("3 late answers (27 bytes after the time-out) dropped"),
                     qPrintable(run.err));
        }
    }

    // A retry never takes the answer its first request got too late.
    void retryAfterALateAnswer() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift", "--baud", "19200", "--delay", "600"}));
        const CliRun run =
            RunCli(QStringList{"read", "--retries", "2", "--timeout", "500", "-v"} + Line(sim));
        QVERIFY2(run.exitCode == 4, qPrintable(run.err));
        QCOMPARE(run.out, QString());
        QCOMPARE(run.err.count("dropped 7 bytes that came after the time-out"), 2);
    }

    // A module set to 9600 baud at address 17 is found there, and at no other rate.
    void scanFindsTheModuleAtItsRate() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(),
                          {"--no-drift", "--baud", "9600", "--address", "17", "--humidity", "45"}));
        const CliRun run = RunCli({"scan", "-p", sim.link});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(run.out, QString("9600 baud, address 17: humidity 45.00 %RH\n"));
        QVERIFY2(run.err.contains("9600 baud (time-out 70 ms)"), qPrintable(run.err));

        const CliRun json =
            RunCli({"scan", "-p", sim.link, "--bauds", "19200,9600", "--format", "jsonl"});
        QCOMPARE(json.exitCode, 0);
        QCOMPARE(json.out, QString("{\"baud\":9600,\"address\":17,\"humidity\":45.00}\n"));
    }

    // The address read names a module outside the range: it is read there too.
    void scanFollowsTheAddressRead() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift", "--address", "200"}));
        const CliRun run =
            RunCli({"scan", "-p", sim.link, "--bauds", "19200", "--addresses", "1-3"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(run.out, QString("19200 baud, address 200: humidity 45.00 %RH\n"));
    }

    void scanFindsNothing() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--fault", "silent"}));
        const CliRun run = RunCli({"scan", "-p", sim.link, "-b", "19200", "--addresses", "1-2"});
        QCOMPARE(run.exitCode, 4);
        QCOMPARE(run.out, QString());
        QVERIFY2(run.err.endsWith("ht5530k-cli: nothing answered: tried the address read (to 250) "
                                  "and a register read at addresses 1-2, at 19200 baud "
                                  "(time-out 60 ms)\n"),
                 qPrintable(run.err));
    }

    // --timeout is the wait for each request of the scan.
    void scanWaitsAsLongAsTimeoutSays() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--fault", "silent"}));
        QElapsedTimer clock;
        clock.start();
        const CliRun run = RunCli({"scan", "-p", sim.link, "--bauds", "19200,9600", "--addresses",
                                   "1-2", "--timeout", "300"});
        QVERIFY(clock.elapsed() >= 2 * 3 * 300); // the address read and two addresses, twice
        QCOMPARE(run.exitCode, 4);
        QVERIFY2(run.err.contains("at 19200 baud (time-out 300 ms), 9600 baud (time-out 300 ms); "
                                  "at most 4.5 s\n"),
                 qPrintable(run.err));
    }

    // Without --port and --baud: the comm.set and COMn link beside the
    // program, as for the window run from its folder.
    void commSetBesideTheProgram_data() {
        QTest::addColumn<QByteArray>("commSet");
        QTest::addColumn<int>("status");
        QTest::newRow("COM4 at 19200") << QByteArray("4,19200\r\n") << 0;
        QTest::newRow("COM4 at 9600: the module hears garbage") << QByteArray("4,9600\r\n") << 4;
        QTest::newRow("COM5: no such link") << QByteArray("5,19200\r\n") << 3;
        // Never COM4 at 19200 in place of a comm.set that gives no port and rate.
        QTest::newRow("empty: no default") << QByteArray("") << 2;
        QTest::newRow("garbled: no default") << QByteArray("COM4 19200\r\n") << 2;
        QTest::newRow("a folder: no default") << QByteArray("/") << 2;
        QTest::newRow("missing: no default") << QByteArray() << 2;
    }
    void commSetBesideTheProgram() {
        QFETCH(QByteArray, commSet);
        QFETCH(int, status);
        QTemporaryDir folder;
        const QString program = folder.filePath("ht5530k-cli");
        QVERIFY(QFile::copy(QStringLiteral(HT_CLI_PATH), program));
        QVERIFY(PlaceCommSet(folder.path(), commSet));
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift", "--humidity", "45.5", "--baud", "19200"}));
        const CliRun run = RunCli({"read", "-v", "--timeout", "200"}, 30'000, program);
        QVERIFY2(run.exitCode == status, qPrintable(run.err));
        QCOMPARE(run.out, status == 0 ? QString("humidity 45.50 %RH\n") : QString());
        QVERIFY2(run.err.contains(folder.filePath("comm.set")), qPrintable(run.err));
        if (status == 3) {
            QVERIFY2(run.err.contains("does not exist"), qPrintable(run.err));
        }
        if (status == 2) {
            QVERIFY2(run.err.contains("give the port and rate with -p and -b instead, e.g. -p "
                                      "COM4 -b 19200"),
                     qPrintable(run.err));
            QVERIFY2(!run.err.contains(" sent: "), qPrintable(run.err));
        } else {
            QVERIFY2(run.err.contains(QStringLiteral("port COM%1 from %2, rate from %2")
                                          .arg(commSet.left(1), folder.filePath("comm.set"))),
                     qPrintable(run.err));
        }
    }

    // One rule for a port argument: COMn in any case through the settings
    // folder's link, a relative path from the current folder.
    void portArguments_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("status");
        QTest::newRow("com4 is COM4") << "com4" << 0;
        QTest::newRow("a relative path") << "build/COM4" << 0;
        QTest::newRow("COM17 is no port of the window") << "COM17" << 2;
    }
    void portArguments() {
        QFETCH(QString, port);
        QFETCH(int, status);
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir("build"));
        const QString program = folder.filePath("build/ht5530k-cli");
        QVERIFY(QFile::copy(QStringLiteral(HT_CLI_PATH), program));
        SimProcess sim;
        QVERIFY(sim.start(folder.filePath("build"), {"--no-drift", "--humidity", "45.5"}));
        QProcess cli;
        cli.setWorkingDirectory(folder.path());
        cli.start(program, {"read", "-p", port, "-b", "19200"});
        QVERIFY(cli.waitForFinished(30'000));
        const QString err = QString::fromUtf8(cli.readAllStandardError());
        QVERIFY2(cli.exitCode() == status, qPrintable(err));
        QCOMPARE(QString::fromUtf8(cli.readAllStandardOutput()),
                 status == 0 ? QString("humidity 45.50 %RH\n") : QString());
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no command") << QStringList{} << "no command given";
        QTest::newRow("unknown command") << QStringList{"reed"} << "unknown command 'reed'";
        QTest::newRow("unknown option")
            << QStringList{"read", "--colour"} << "unknown option --colour";
        QTest::newRow("bad rate") << QStringList{"read", "-b", "115200"} << "bad --baud '115200'";
        QTest::newRow("bad registers")
            << QStringList{"read", "--registers", "3"} << "bad --registers '3': 1, 2";
        QTest::newRow("read takes no argument")
            << QStringList{"read", "now"} << "read takes no arguments";
        QTest::newRow("poll without interval") << QStringList{"poll"} << "poll needs --interval";
        QTest::newRow("interval too short")
            << QStringList{"poll", "--interval", "5"} << "bad --interval '5'";
        QTest::newRow("count and duration")
            << QStringList{"poll", "--interval", "50", "--count", "2", "--duration", "1"}
            << "give --count or --duration, not both";
        QTest::newRow("bad duration")
            << QStringList{"poll", "--interval", "50", "--duration", "0"} << "bad --duration '0'";
        QTest::newRow("bad format") << QStringList{"poll", "--interval", "50", "--format", "xml"}
                                    << "bad --format 'xml': csv, jsonl, text";
        QTest::newRow("bad bauds")
            << QStringList{"scan", "--bauds", "9600,1200"} << "bad --bauds '9600,1200'";
        QTest::newRow("bad addresses")
            << QStringList{"scan", "--addresses", "5-1"} << "bad --addresses '5-1'";
        QTest::newRow("address given twice")
            << QStringList{"poll", "--interval", "50", "-a", "1-3,2"}
            << "bad --address '1-3,2': address 2 is given twice";
        QTest::newRow("a list for a command of one module")
            << QStringList{"adjust", "0", "1", "-a", "1,2"}
            << "adjust takes one address (-a N); read and poll take a list";
        QTest::newRow("bad gap") << QStringList{"read", "--gap", "-1"}
                                 << "bad --gap '-1': 0 to 10000 milliseconds";
        QTest::newRow("gap too long") << QStringList{"poll", "--interval", "50", "--gap", "10001"}
                                      << "bad --gap '10001': 0 to 10000 milliseconds";
    }
    void usageErrors() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const CliRun run = RunCli(args);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains("ht5530k-cli: " + message), qPrintable(run.err));
        QVERIFY2(run.err.contains("Try 'ht5530k-cli"), qPrintable(run.err));
        QCOMPARE(run.out, QString());
    }

    // Every command's help names its usage and the exit status list.
    void help_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("usage");
        QTest::newRow("program") << QStringList{"--help"} << "Usage: ht5530k-cli [options] COMMAND";
        for (const char* command : {"read", "poll", "address", "set-address", "adjust", "scan"}) {
            QTest::newRow(command) << QStringList{command, "--help"}
                                   << QStringLiteral("Usage: ht5530k-cli %1").arg(command);
        }
    }
    void help() {
        QFETCH(QStringList, args);
        QFETCH(QString, usage);
        const CliRun run = RunCli(args);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith(usage));
        for (int status = 0; status <= 8; ++status) {
            QVERIFY2(run.out.contains(QStringLiteral("\n  %1  ").arg(status)), qPrintable(run.out));
        }
    }

    void portErrors_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("message");
        QTest::newRow("no such device") << "/dev/ttyUSB97"
                                        << "/dev/ttyUSB97 does not exist";
        QTest::newRow("link to nothing") << "LINK"
                                         << "is a link to /dev/pts/9999, which does not exist";
    }
    void portErrors() {
        QFETCH(QString, port);
        QFETCH(QString, message);
        QTemporaryDir folder;
        if (port == "LINK") {
            port = folder.filePath("COM4");
            QVERIFY(QFile::link("/dev/pts/9999", port));
        }
        const CliRun run = RunCli({"read", "-p", port, "-b", "19200"});
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
    }

    // A poll that cannot start leaves an earlier log alone; a log that
    // cannot be written is a usage error.
    void pollOutputFile() {
        QTemporaryDir folder;
        const QString log = folder.filePath("run.csv");
        QFile file(log);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("yesterday\n");
        file.close();
        const CliRun noPort =
            RunCli({"poll", "--interval", "50", "-o", log, "-p", "/dev/ttyUSB97", "-b", "19200"});
        QCOMPARE(noPort.exitCode, 3);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("yesterday\n"));

        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift"}));
        const CliRun unwritable = RunCli(
            QStringList{"poll", "--interval", "50", "-o", folder.filePath("no/such/folder.csv")} +
            Line(sim));
        QCOMPARE(unwritable.exitCode, 2);
        QVERIFY2(unwritable.err.contains("cannot write"), qPrintable(unwritable.err));
    }

    // A port another program holds is busy; one the user may not open says
    // how to join dialout.
    void portHeldOrForbidden() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--no-drift"}));
        QProcess holder;
        holder.start(QStringLiteral(HT_CLI_PATH),
                     QStringList{"poll", "--interval", "1000"} + Line(sim));
        QVERIFY(holder.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(holder.bytesAvailable() > 0 || holder.state() != QProcess::Running,
                                 10'000);
        const CliRun busy = RunCli(QStringList{"read"} + Line(sim));
        holder.terminate();
        QVERIFY(holder.waitForFinished(10'000));
        QCOMPARE(busy.exitCode, 3);
        QVERIFY2(busy.err.contains(sim.link + " is busy"), qPrintable(busy.err));

        if (::geteuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty()) {
            QSKIP("needs root and setpriv to open the port as a user outside dialout");
        }
        // The pseudo-terminal belongs to root with mode 0620: nobody may not open it.
        const CliRun forbidden =
            RunCli({"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                    QStringLiteral(HT_CLI_PATH), "read", "-p", sim.device, "-b", "19200"},
                   30'000, QStandardPaths::findExecutable("setpriv"));
        if (forbidden.exitCode != 3 && forbidden.err.contains("Permission denied") &&
            !forbidden.err.contains("ht5530k-cli:")) {
            QSKIP("nobody cannot run the program from the build folder");
        }
        QCOMPARE(forbidden.exitCode, 3);
        QVERIFY2(forbidden.err.contains("no permission to open " + sim.device) &&
                     forbidden.err.contains("sudo usermod -aG dialout"),
                 qPrintable(forbidden.err));
    }
};

QTEST_GUILESS_MAIN(TestCliSim)
#include "test_cli_sim.moc"
