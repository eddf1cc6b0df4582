#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

#include "cli_run.h"
#include "support/simulator.h"

// ht5530k-cli against a bus of virtual modules on one pseudo-terminal: each
// module read in turn with its own values, a dead one backed off while the
// others keep their interval, and the gap kept between an answer and the
// next request.
namespace {

QStringList Line(const SimProcess& sim) {
    return {QStringLiteral("-p"), sim.link, QStringLiteral("-b"), QStringLiteral("19200")};
}

// The JSON rows of a jsonl output, without its summary objects.
QList<QJsonObject> Rows(const QString& out) {
    QList<QJsonObject> rows;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
        const QJsonObject row = QJsonDocument::fromJson(line.toUtf8()).object();
        if (!row.contains("summary")) {
            rows << row;
        }
    }
    return rows;
}

qint64 Ms(const QJsonObject& row) {
    return QDateTime::fromString(row["time"].toString(), Qt::ISODateWithMs).toMSecsSinceEpoch();
}

} // namespace

class TestCliBus : public QObject {
    Q_OBJECT
private slots:
    // Every row is its own module's: the virtual bus starts each module
    // 1.00 %RH and 1.00 degree above the one before.
    void eachModuleInTurn() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--address", "1-8", "--no-drift"}));
        const CliRun run = RunCli(QStringList{"poll", "-a", "1-8", "--interval", "200", "--count",
                                              "3", "--registers", "2", "--format", "jsonl"} +
                                  Line(sim));
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QList<QJsonObject> rows = Rows(run.out);
        QCOMPARE(rows.size(), 24);
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const int address = static_cast<int>(i % 8) + 1;
            QCOMPARE(rows[i]["address"].toInt(), address);
            QCOMPARE(rows[i]["outcome"].toString(), QString("ok"));
            QCOMPARE(rows[i]["humidity"].toDouble(), 45.0 + address - 1);
            QCOMPARE(rows[i]["temperature"].toDouble(), 23.0 + address - 1);
        }
        QVERIFY2(run.err.contains("addresses 1-8, 19200 baud") &&
                     run.err.contains("address 8: 3 sent, 3 answered, 0.0% loss") &&
                     run.err.contains("total: 24 sent, 24 answered"),
                 qPrintable(run.err));

        const CliRun read = RunCli(QStringList{"read", "-a", "7,2"} + Line(sim));
        QCOMPARE(read.exitCode, 0);
        QCOMPARE(read.out,
                 QString("address 7: humidity 51.00 %RH\naddress 2: humidity 46.00 %RH\n"));
    }

    // One silent module of eight: backed off after three time-outs, while
    // every round still asks the seven others on time.
    void deadModuleBacksOff() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(
            sim.start(folder.path(), {"--address", "1-8", "--no-drift", "--fault", "silent@5"}));
        const CliRun run = RunCli(QStringList{"poll", "-a", "1-8", "--interval", "250", "--count",
                                              "12", "--timeout", "40", "--format", "jsonl"} +
                                  Line(sim));
        QVERIFY2(run.exitCode == 1, qPrintable(run.err));
        const QList<QJsonObject> rows = Rows(run.out);
        QCOMPARE(rows.size(), 96);
        QStringList dead;
        QList<qint64> firstTimes;
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const int address = rows[i]["address"].toInt();
            QCOMPARE(address, static_cast<int>(i % 8) + 1);
            if (address == 5) {
                dead << rows[i]["outcome"].toString();
            } else {
                QCOMPARE(rows[i]["outcome"].toString(), QString("ok"));
            }
            if (address == 1) {
                firstTimes << Ms(rows[i]);
            }
        }
        // Asked in rounds 0, 1, 2, 4 and 8.
        QCOMPARE(dead.join(' '), QString("timeout timeout timeout skipped timeout skipped skipped "
                                         "skipped timeout skipped skipped skipped"));
        // Module 1 keeps the 250 ms period of the rounds.
        for (qsizetype i = 1; i < firstTimes.size(); ++i) {
            const qint64 period = firstTimes[i] - firstTimes[i - 1];
            QVERIFY2(period >= 240 && period <= 300, qPrintable(QString::number(period)));
        }
        QVERIFY2(run.err.contains("address 5: 5 sent, 0 answered, 100.0% loss, no response "
                                  "time, 7 turns skipped (backed off)") &&
                     run.err.contains(" 0 late (0 ticks skipped)"),
                 qPrintable(run.err));
    }

    // --gap: the next request waits that long after an answer.
    void gapBetweenModules() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--address", "1,2", "--no-drift"}));
        const CliRun run = RunCli(QStringList{"poll", "-a", "1,2", "--interval", "500", "--count",
                                              "3", "--gap", "60", "--format", "jsonl"} +
                                  Line(sim));
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QList<QJsonObject> rows = Rows(run.out);
        QCOMPARE(rows.size(), 6);
        for (qsizetype i = 0; i < rows.size(); i += 2) {
            const double after = static_cast<double>(Ms(rows[i + 1]) - Ms(rows[i])) -
                                 rows[i]["response_ms"].toDouble();
            QVERIFY2(after >= 59 && after < 200, qPrintable(QString::number(after)));
        }
    }
};

QTEST_GUILESS_MAIN(TestCliBus)
#include "test_cli_bus.moc"
