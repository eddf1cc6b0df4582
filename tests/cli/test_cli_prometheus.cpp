#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

#include "cli_run.h"
#include "local_server.h"
#include "support/simulator.h"

// poll --metrics against a bus of three virtual modules, one of them
// silent: the endpoint's text passes promtool, scrapes put no request on
// the line, and a real Prometheus (Debian's, on loopback) scrapes it and
// returns each series with its labels and values to a query.
namespace {

QString Url(quint16 port, const QString& path) {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path);
}

// The value of each sample of `series` in `text`, by its address label.
QMap<int, double> Values(const QByteArray& text, const QString& series) {
    QMap<int, double> values;
    for (const QString& line : QString::fromUtf8(text).split('\n')) {
        if (line.startsWith(series + '{')) {
            values[line.section("address=\"", 1).section('"', 0, 0).toInt()] =
                line.section(' ', -1).toDouble();
        }
    }
    return values;
}

// An instant query's result: each sample's labels and value, or an empty
// list when there is none yet.
QJsonArray Query(quint16 port, const QString& query) {
    const HttpReply reply =
        Curl({"-G", Url(port, "/api/v1/query"), "--data-urlencode", "query=" + query});
    return QJsonDocument::fromJson(reply.body)["data"]["result"].toArray();
}

// The query's samples by address, waiting (bounded) until it has `count`.
QMap<int, QJsonObject> Series(quint16 port, const QString& query, qsizetype count) {
    QJsonArray result;
    const QDeadlineTimer deadline(20'000);
    while ((result = Query(port, query)).size() < count && !deadline.hasExpired()) {
        QTest::qWait(200); // the next scrape
    }
    QMap<int, QJsonObject> samples;
    for (const QJsonValue& sample : result) {
        samples[sample["metric"]["address"].toString().toInt()] = sample.toObject();
    }
    return samples;
}

QString Label(const QJsonObject& sample, const QString& key) {
    return sample["metric"].toObject()[key].toString();
}

double ValueOf(const QJsonObject& sample) {
    return sample["value"][1].toString().toDouble();
}

} // namespace

class TestCliPrometheus : public QObject {
    Q_OBJECT
private slots:
    void scrapedByPrometheus() {
        QTemporaryDir folder;
        const QString simLog = folder.filePath("sim.log");
        SimProcess sim;
        QVERIFY(sim.start(folder.path(), {"--address", "1-3", "--no-drift", "--fault", "silent@3",
                                          "--log", simLog}));
        const quint16 metricsPort = FreeLoopbackPort();
        QProcess poll;
        poll.setStandardOutputFile(folder.filePath("rows.jsonl"));
        poll.start(HT_CLI_PATH, {"poll",
                                 "-p",
                                 sim.link,
                                 "-b",
                                 "19200",
                                 "-a",
                                 "1-3",
                                 "--interval",
                                 "300",
                                 "--duration",
                                 "90",
                                 "--timeout",
                                 "40",
                                 "--retries",
                                 "0",
                                 "--registers",
                                 "2",
                                 "--format",
                                 "jsonl",
                                 "--name",
                                 "1=Hall \"A\"",
                                 "--metrics",
                                 QStringLiteral("127.0.0.1:%1").arg(metricsPort)});
        QVERIFY(poll.waitForStarted(5000));

        // Wait (bounded) until both answering modules have been read.
        HttpReply scrape;
        const QDeadlineTimer deadline(15'000);
        while (Values(scrape.body, "ht5530k_relative_humidity_percent").size() < 2 &&
               !deadline.hasExpired()) {
            QTest::qWait(100);
            scrape = Curl({"-D", "-", Url(metricsPort, "/metrics")});
        }
        QCOMPARE(scrape.status, 200);
        QVERIFY2(scrape.body.contains("Content-Type: text/plain; version=0.0.4; charset=utf-8"),
                 scrape.body.constData());
        const QByteArray text = scrape.body.mid(scrape.body.indexOf("\r\n\r\n") + 4);
        QCOMPARE(Values(text, "ht5530k_relative_humidity_percent"),
                 (QMap<int, double>{{1, 45.0}, {2, 46.0}}));
        QCOMPARE(Values(text, "ht5530k_temperature_celsius"),
                 (QMap<int, double>{{1, 23.0}, {2, 24.0}}));
        QVERIFY2(text.contains("ht5530k_up{port=\"" + sim.link.toUtf8() +
                               "\",address=\"1\",name=\"Hall \\\"A\\\"\"} 1\n"),
                 text.constData());
        QCOMPARE(Curl({Url(metricsPort, "/other")}).status, 404);

        QProcess promtool;
        promtool.start("promtool", {"check", "metrics"});
        QVERIFY2(promtool.waitForStarted(5000), "promtool (Debian's prometheus) is not installed");
        promtool.write(text);
        promtool.closeWriteChannel();
        QVERIFY(promtool.waitForFinished(15'000));
        const QByteArray lint = promtool.readAllStandardOutput() + promtool.readAllStandardError();
        QVERIFY2(promtool.exitCode() == 0 && lint.trimmed().isEmpty(), lint.constData());

        // Prometheus scraping every second, for each series.
        const quint16 prometheusPort = FreeLoopbackPort();
        QFile config(folder.filePath("prometheus.yml"));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral("scrape_configs:\n"
                                    "  - job_name: ht5530k\n"
                                    "    scrape_interval: 1s\n"
                                    "    static_configs:\n"
                                    "      - targets: ['127.0.0.1:%1']\n")
                         .arg(metricsPort)
                         .toUtf8());
        config.close();
        ServerProcess prometheus;
        QVERIFY2(prometheus.start(
                     "prometheus",
                     {"--config.file=" + config.fileName(),
                      "--storage.tsdb.path=" + folder.filePath("tsdb"),
                      QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(prometheusPort)},
                     "Server is ready to receive web requests"),
                 prometheus.output.right(1500).constData());

        const auto humidity = Series(prometheusPort, "ht5530k_relative_humidity_percent", 2);
        QCOMPARE(humidity.keys(), QList<int>({1, 2}));
        QCOMPARE(ValueOf(humidity[1]), 45.0);
        QCOMPARE(ValueOf(humidity[2]), 46.0);
        QCOMPARE(Label(humidity[1], "name"), QString("Hall \"A\""));
        QCOMPARE(Label(humidity[2], "port"), sim.link);
        QCOMPARE(Label(humidity[1], "job"), QString("ht5530k"));
        const auto temperature = Series(prometheusPort, "ht5530k_temperature_celsius", 2);
        QCOMPARE(temperature.keys(), QList<int>({1, 2}));
        QCOMPARE(ValueOf(temperature[2]), 24.0);
        const auto up = Series(prometheusPort, "ht5530k_up", 3);
        QCOMPARE(up.keys(), QList<int>({1, 2, 3}));
        QCOMPARE(ValueOf(up[1]) + ValueOf(up[2]) * 10 + ValueOf(up[3]) * 100, 11.0);
        const auto ok = Series(prometheusPort, "ht5530k_exchanges_total{outcome=\"ok\"}", 3);
        QVERIFY(ValueOf(ok[1]) >= 1 && ValueOf(ok[3]) == 0);
        // Three time-outs before the back-off: a scrape after the third.
        const auto timeouts =
            Series(prometheusPort, "ht5530k_exchanges_total{outcome=\"timeout\"} >= 3", 1);
        QCOMPARE(timeouts.keys(), QList<int>({3}));
        const auto answered = Series(prometheusPort, "ht5530k_response_seconds_count", 3);
        QVERIFY(ValueOf(answered[2]) >= 1 && ValueOf(answered[3]) == 0);
        // Every answer within the 40 ms time-out, in one scrape.
        const auto slow = Series(prometheusPort,
                                 "ht5530k_response_seconds_bucket{le=\"+Inf\"} - ignoring(le) "
                                 "ht5530k_response_seconds_bucket{le=\"0.05\"}",
                                 3);
        QCOMPARE(ValueOf(slow[1]) + ValueOf(slow[2]) + ValueOf(slow[3]), 0.0);
        const auto last = Series(prometheusPort, "ht5530k_last_success_timestamp_seconds", 2);
        QCOMPARE(last.keys(), QList<int>({1, 2}));
        const double now = static_cast<double>(QDateTime::currentSecsSinceEpoch());
        QVERIFY2(ValueOf(last[1]) > now - 60 && ValueOf(last[1]) <= now + 1,
                 qPrintable(QString::number(ValueOf(last[1]), 'f', 3)));

        // Every request on the line is a row's: the scrapes sent none.
        poll.terminate();
        QVERIFY(poll.waitForFinished(10'000));
        QFile rows(folder.filePath("rows.jsonl"));
        QVERIFY(rows.open(QIODevice::ReadOnly));
        // A request that SIGTERM cut short has no row; the summary counts it.
        int sent = 0;
        for (const QByteArray& line : rows.readAll().split('\n')) {
            const QJsonObject row = QJsonDocument::fromJson(line).object();
            sent += row.contains("outcome") && row["outcome"] != "skipped" ? 1 : 0;
            sent += row["summary"] == "total" ? row["interrupted"].toInt() : 0;
        }
        QFile log(simLog);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const qsizetype requests = log.readAll().count(" rx ");
        QVERIFY(sent > 10);
        QCOMPARE(requests, sent);
    }
};

QTEST_GUILESS_MAIN(TestCliPrometheus)
#include "test_cli_prometheus.moc"
