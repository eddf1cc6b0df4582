#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QtTest>

#include "cli_run.h"
#include "local_server.h"
#include "support/simulator.h"

// poll --format influx written into a real InfluxDB (Debian's influxd,
// started on loopback ports in a folder of its own) and read back by a
// query: each module's tags, values, outcomes and times as the bus gave them.
namespace {

// influxd with its storage in `folder`, on two free loopback ports.
bool StartInfluxd(ServerProcess& server, const QString& folder, quint16& httpPort) {
    const std::vector<quint16> ports = FreeLoopbackPorts(2);
    if (ports.empty()) {
        return false;
    }
    httpPort = ports[0];
    const quint16 rpcPort = ports[1];
    QFile config(folder + "/influxdb.conf");
    if (!config.open(QIODevice::WriteOnly)) {
        return false;
    }
    config.write(QStringLiteral(R"(reporting-disabled = true
bind-address = "127.0.0.1:%1"
[meta]
  dir = "%3/meta"
[data]
  dir = "%3/data"
  wal-dir = "%3/wal"
  query-log-enabled = false
[monitor]
  store-enabled = false
[http]
  bind-address = "127.0.0.1:%2"
  log-enabled = false
)")
                     .arg(rpcPort)
                     .arg(httpPort)
                     .arg(folder)
                     .toUtf8());
    config.close();
    return server.start("influxd", {"-config", config.fileName()}, "Listening on HTTP");
}

QString Url(quint16 port, const QString& path) {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path);
}

} // namespace

class TestCliInflux : public QObject {
    Q_OBJECT
private slots:
    void rowsReadBackFromInfluxDb() {
        QTemporaryDir folder;
        SimProcess sim;
        QVERIFY(
            sim.start(folder.path(), {"--address", "1-3", "--no-drift", "--fault", "silent@3"}));
        const CliRun run = RunCli({"poll",         "-p",          sim.link,
                                   "-b",           "19200",       "-a",
                                   "1-3",          "--interval",  "150",
                                   "--count",      "8",           "--timeout",
                                   "40",           "--registers", "2",
                                   "--format",     "influx",      "--name",
                                   "1=Hall, east", "--name",      "2=Cold room=2"});
        QVERIFY2(run.exitCode == 1, qPrintable(run.err));
        const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 24); // no summary among them: it stays on standard error
        QVERIFY2(run.err.contains("poll statistics"), qPrintable(run.err));
        QSet<QString> times;
        for (const QString& line : lines) {
            times << line.section(' ', -1);
        }

        ServerProcess influxd;
        quint16 port = 0;
        QVERIFY2(StartInfluxd(influxd, folder.path(), port),
                 influxd.output.right(1500).constData());
        QCOMPARE(Curl({"-XPOST", Url(port, "/query"), "--data-urlencode", "q=CREATE DATABASE bus"})
                     .status,
                 200);
        const QString file = folder.filePath("lines");
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(run.out.toUtf8());
        out.close();
        const HttpReply write =
            Curl({"-XPOST", Url(port, "/write?db=bus&precision=ns"), "--data-binary", "@" + file});
        QVERIFY2(write.status == 204, write.body.constData());

        const HttpReply query =
            Curl({"-G", Url(port, "/query"), "--data-urlencode", "db=bus", "--data-urlencode",
                  "epoch=ns", "--data-urlencode", "q=SELECT * FROM ht5530k GROUP BY *"});
        QVERIFY2(query.status == 200, query.body.constData());
        const QJsonArray series =
            QJsonDocument::fromJson(query.body)["results"][0]["series"].toArray();
        QCOMPARE(series.size(), 3);
        QSet<QString> storedTimes;
        for (const QJsonValue& one : series) {
            const QJsonObject tags = one["tags"].toObject();
            const int address = tags["address"].toString().toInt();
            QCOMPARE(tags["port"].toString(), sim.link);
            const QString name = address == 1 ? "Hall, east" : address == 2 ? "Cold room=2" : "";
            QCOMPARE(tags["name"].toString(), name);
            const QJsonArray columns = one["columns"].toArray();
            const auto column = [&columns](const QString& key) {
                for (qsizetype i = 0; i < columns.size(); ++i) {
                    if (columns[i].toString() == key) {
                        return i;
                    }
                }
                return qsizetype(-1);
            };
            const QJsonArray values = one["values"].toArray();
            QCOMPARE(values.size(), 8);
            QStringList outcomes;
            for (const QJsonValue& value : values) {
                const QJsonArray row = value.toArray();
                storedTimes << QString::number(row[column("time")].toInteger());
                const QString outcome = row[column("outcome")].toString();
                outcomes << outcome;
                if (address == 3) {
                    QVERIFY(column("humidity") < 0 || row[column("humidity")].isNull());
                    continue;
                }
                QCOMPARE(outcome, QString("ok"));
                QCOMPARE(row[column("humidity")].toDouble(), 45.0 + address - 1);
                QCOMPARE(row[column("temperature")].toDouble(), 23.0 + address - 1);
                QVERIFY(row[column("response_ms")].toDouble() > 0);
            }
            if (address == 3) {
                // Backed off after three time-outs: asked in rounds 0, 1, 2 and 4.
                QCOMPARE(outcomes.join(' '),
                         QString("timeout timeout timeout skipped timeout skipped skipped "
                                 "skipped"));
            }
        }
        QCOMPARE(storedTimes, times);
    }
};

QTEST_GUILESS_MAIN(TestCliInflux)
#include "test_cli_influx.moc"
