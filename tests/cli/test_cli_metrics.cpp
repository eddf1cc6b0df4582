#include <QtTest>

#include "cli/options/listen_address.h"
#include "cli/output/metrics_exposition.h"
#include "cli/output/metrics_registry.h"

// poll --metrics: where it listens, what each module's numbers become after
// a run of turns, and the text Prometheus reads.
namespace {

using master::Outcome;

// One turn of module 1, `ms` milliseconds after 2026-12-08T10:00:00Z: "ok"
// with the humidity and temperature in hundredths (-1: no reading, -2: not
// read), or another outcome with a response time (negative: none).
struct Turn {
    Outcome outcome;
    int humidity = -2;
    int temperature = -2;
    double responseMs = 2.0;
    bool skipped = false;
};

using Turns = QList<Turn>;

cli::Row RowOf(const Turn& turn, int index) {
    cli::Row row;
    row.at = std::chrono::system_clock::time_point(
        std::chrono::milliseconds(1'796'724'000'000 + 1000LL * index));
    row.address = 1;
    row.outcome = turn.outcome;
    if (turn.responseMs >= 0 && !turn.skipped) {
        row.responseMs = turn.responseMs;
    }
    if (turn.skipped) {
        row.missed = "skipped";
    }
    const auto value = [](int hundredths) {
        return hundredths < 0 ? std::nullopt : std::optional<std::int32_t>(hundredths);
    };
    row.reading.humidity = value(turn.humidity);
    row.reading.temperature = value(turn.temperature);
    return row;
}

// The lines of `text` that begin with `series` and are not comments.
QStringList Samples(const std::string& text, const QString& series) {
    QStringList lines;
    for (const QString& line : QString::fromStdString(text).split('\n')) {
        if (line.startsWith(series + '{')) {
            lines << line;
        }
    }
    return lines;
}

} // namespace

Q_DECLARE_METATYPE(Turns)

class TestCliMetrics : public QObject {
    Q_OBJECT
private slots:
    void listenAddress_data() {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("result"); // host|port, or the error
        QTest::newRow("IPv4") << "127.0.0.1:9530"
                              << "127.0.0.1|9530";
        QTest::newRow("every address") << ":9530"
                                       << "|9530";
        QTest::newRow("localhost") << "localhost:9530"
                                   << "127.0.0.1|9530";
        QTest::newRow("IPv6") << "[::1]:9530"
                              << "::1|9530";
        QTest::newRow("IPv6 without brackets")
            << "::1:9530"
            << "bad --metrics '::1:9530': HOST an IPv4 address, [an IPv6 address], localhost or "
               "nothing (every address)";
        QTest::newRow("a host name")
            << "example.org:9530"
            << "bad --metrics 'example.org:9530': HOST an IPv4 address, [an IPv6 address], "
               "localhost or nothing (every address)";
        QTest::newRow("no port") << "127.0.0.1"
                                 << "bad --metrics '127.0.0.1': HOST:PORT, as 127.0.0.1:9530";
        QTest::newRow("port 0") << "127.0.0.1:0"
                                << "bad --metrics '127.0.0.1:0': HOST:PORT, the port 1 to 65535";
        QTest::newRow("port too high")
            << "127.0.0.1:65536"
            << "bad --metrics '127.0.0.1:65536': HOST:PORT, the port 1 to 65535";
        QTest::newRow("bad brackets")
            << "[127.0.0.1]:80"
            << "bad --metrics '[127.0.0.1]:80': an IPv6 address in brackets, as [::1]:9530";
    }
    void listenAddress() {
        QFETCH(QString, given);
        QFETCH(QString, result);
        const auto read = cli::ReadListenAddress("metrics", given.toStdString());
        const QString got = std::holds_alternative<cli::ListenAddress>(read)
                                ? QString::fromStdString(std::get<cli::ListenAddress>(read).host) +
                                      '|' + QString::number(std::get<cli::ListenAddress>(read).port)
                                : QString::fromStdString(std::get<std::string>(read));
        QCOMPARE(got, result);
    }

    // Module 1's samples after its turns; "-" for a series it has no sample of.
    void afterTurns_data() {
        QTest::addColumn<Turns>("turns");
        QTest::addColumn<QString>("humidity");
        QTest::addColumn<QString>("temperature");
        QTest::addColumn<QString>("up");
        QTest::addColumn<QString>("lastSuccess");
        QTest::addColumn<QString>("counted"); // exchanges by outcome, those above 0
        QTest::newRow("never read: no reading, never a 0")
            << Turns{{Outcome::Timeout, -2, -2, -1}, {Outcome::Crc, -2, -2, 3.0}} << "-"
            << "-"
            << "0"
            << "-"
            << "timeout=1 crc=1";
        QTest::newRow("read") << Turns{{Outcome::Ok, 4550, 2310}} << "45.50"
                              << "23.10"
                              << "1"
                              << "1796724000"
                              << "ok=1";
        QTest::newRow("humidity only: no temperature") << Turns{{Outcome::Ok, 4550}} << "45.50"
                                                       << "-"
                                                       << "1"
                                                       << "1796724000"
                                                       << "ok=1";
        QTest::newRow("a failure keeps the last reading, up 0")
            << Turns{{Outcome::Ok, 4550, 2310},
                     {Outcome::Ok, 4600, 2300},
                     {Outcome::Timeout, -2, -2, -1}}
            << "46.00"
            << "23.00"
            << "0"
            << "1796724001.0"
            << "ok=2 timeout=1";
        QTest::newRow("skipped turns count no exchange")
            << Turns{{Outcome::Ok, 4550},
                     {Outcome::Timeout, -2, -2, -1},
                     {Outcome::Timeout, -2, -2, -1, true}}
            << "45.50"
            << "-"
            << "0"
            << "1796724000"
            << "ok=1 timeout=1";
        QTest::newRow("an answer without a reading clears it")
            << Turns{{Outcome::Ok, 4550, 2310}, {Outcome::Ok, -1, 2320}} << "-"
            << "23.20"
            << "1"
            << "1796724001.0"
            << "ok=2";
        QTest::newRow("back after a loss")
            << Turns{{Outcome::Lost, -2, -2, -1}, {Outcome::Ok, 4700}} << "47.00"
            << "-"
            << "1"
            << "1796724001.0"
            << "ok=1 lost=1";
    }
    void afterTurns() {
        QFETCH(Turns, turns);
        QFETCH(QString, humidity);
        QFETCH(QString, temperature);
        QFETCH(QString, up);
        QFETCH(QString, lastSuccess);
        QFETCH(QString, counted);
        cli::MetricsRegistry registry("COM4", {1}, {});
        for (qsizetype i = 0; i < turns.size(); ++i) {
            registry.turned(RowOf(turns[i], static_cast<int>(i)), true);
        }
        const std::string text = registry.text();
        const auto sample = [&](const QString& series) {
            const QStringList lines = Samples(text, series);
            return lines.isEmpty() ? QString("-") : lines.join('\n').section(' ', -1);
        };
        QCOMPARE(sample("ht5530k_relative_humidity_percent"), humidity);
        QCOMPARE(sample("ht5530k_temperature_celsius"), temperature);
        QCOMPARE(sample("ht5530k_up"), up);
        const QString last = sample("ht5530k_last_success_timestamp_seconds");
        QCOMPARE(last == "-" ? last : QString::number(last.toDouble(), 'f', 1),
                 lastSuccess == "-" ? lastSuccess
                                    : QString::number(lastSuccess.toDouble(), 'f', 1));
        QStringList nonZero;
        for (const QString& line : Samples(text, "ht5530k_exchanges_total")) {
            if (!line.endsWith(" 0")) {
                nonZero << line.section("outcome=\"", 1).section('"', 0, 0) + '=' +
                               line.section(' ', -1);
            }
        }
        QCOMPARE(nonZero.join(' '), counted);
        QCOMPARE(Samples(text, "ht5530k_exchanges_total").size(), 8); // every outcome, 0 or not
    }

    // The whole text of one module: families in order, the histogram's
    // buckets cumulative up to +Inf, its sum and count.
    void wholeText() {
        cli::MetricsRegistry registry("/dev/ttyUSB0", {7}, {{7, "Hall"}});
        for (const double ms : {0.8, 1.5, 1.5, 70.0, 90'000.0}) {
            cli::Row row = RowOf({Outcome::Ok, 4550, -2, ms}, 0);
            row.address = 7;
            registry.turned(row, true);
        }
        const QString labels = "port=\"/dev/ttyUSB0\",address=\"7\",name=\"Hall\"";
        const QString text = QString::fromStdString(registry.text());
        QStringList families;
        for (const QString& line : text.split('\n')) {
            if (line.startsWith("# TYPE ")) {
                families << line.mid(7);
            }
        }
        QCOMPARE(
            families,
            QStringList({"ht5530k_relative_humidity_percent gauge", "ht5530k_up gauge",
                         "ht5530k_last_success_timestamp_seconds gauge",
                         "ht5530k_exchanges_total counter", "ht5530k_response_seconds histogram"}));
        QCOMPARE(text.count("# HELP "), 5);
        QStringList buckets;
        for (const QString& line : Samples(registry.text(), "ht5530k_response_seconds_bucket")) {
            QVERIFY2(line.startsWith("ht5530k_response_seconds_bucket{" + labels + ",le=\""),
                     qPrintable(line));
            buckets << line.section("le=\"", 1).section('"', 0, 0) + ':' + line.section(' ', -1);
        }
        QCOMPARE(buckets.join(' '), QString("0.001:1 0.002:3 0.005:3 0.01:3 0.02:3 0.05:3 0.1:4 "
                                            "0.2:4 0.5:4 1:4 2:4 5:4 10:4 30:4 60:4 +Inf:5"));
        QVERIFY(text.contains("\nht5530k_response_seconds_sum{" + labels + "} 90.0738\n"));
        QVERIFY(text.contains("\nht5530k_response_seconds_count{" + labels + "} 5\n"));
        QVERIFY(text.endsWith('\n'));
    }

    void labelValue_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("label");
        QTest::newRow("plain") << "COM4"
                               << "\"COM4\"";
        QTest::newRow("backslashes") << "\\\\.\\COM10"
                                     << "\"\\\\\\\\.\\\\COM10\"";
        QTest::newRow("a double quote") << "Hall \"A\""
                                        << "\"Hall \\\"A\\\"\"";
        QTest::newRow("a line end") << "a\nb"
                                    << "\"a\\nb\"";
        QTest::newRow("separators stay") << "a, b=c}"
                                         << "\"a, b=c}\"";
        QTest::newRow("UTF-8") << "Küche"
                               << "\"Küche\"";
    }
    void labelValue() {
        QFETCH(QString, text);
        QFETCH(QString, label);
        QCOMPARE(QString::fromStdString(cli::LabelValue(text.toStdString())), label);
    }
};

QTEST_GUILESS_MAIN(TestCliMetrics)
#include "test_cli_metrics.moc"
