#include <QtTest>

#include "cli/output/influx_line.h"

// poll --format influx: the line of each kind of row, and the escaping that
// keeps a port or a name with separators in its own tag.
namespace {

// 2026-12-08T10:00:00.123Z
const std::chrono::system_clock::time_point kAt{std::chrono::milliseconds(1'796'724'000'123)};

cli::Row RowOf(master::Outcome outcome, std::optional<double> responseMs,
               std::optional<std::int32_t> humidity, std::optional<std::int32_t> temperature) {
    cli::Row row;
    row.at = kAt;
    row.address = 3;
    row.outcome = outcome;
    row.responseMs = responseMs;
    row.reading.humidity = humidity;
    row.reading.temperature = temperature;
    row.reading.registers = temperature ? 2 : 1;
    return row;
}

} // namespace

class TestCliInfluxLine : public QObject {
    Q_OBJECT
private slots:
    void line_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("missed"); // "skipped", or empty
        QTest::addColumn<int>("outcome");
        QTest::addColumn<double>("responseMs"); // negative: no answer
        QTest::addColumn<int>("humidity");      // below -9999: not read
        QTest::addColumn<int>("temperature");
        QTest::addColumn<QString>("line");
        using master::Outcome;
        const int none = -10'000;
        const QString time = " 1796724000123000000\n";
        QTest::newRow("humidity only")
            << "COM4"
            << ""
            << "" << int(Outcome::Ok) << 1.524 << 4550 << none
            << "ht5530k,address=3,port=COM4 humidity=45.50,response_ms=1.52,outcome=\"ok\"" + time;
        QTest::newRow("both, below zero")
            << "/dev/ttyUSB0"
            << ""
            << "" << int(Outcome::Ok) << 12.0 << 3 << -215
            << "ht5530k,address=3,port=/dev/ttyUSB0 humidity=0.03,temperature=-2.15,"
               "response_ms=12.00,outcome=\"ok\"" +
                   time;
        QTest::newRow("a crc answer has a response time, no reading")
            << "COM4"
            << ""
            << "" << int(Outcome::Crc) << 2.5 << none << none
            << "ht5530k,address=3,port=COM4 response_ms=2.50,outcome=\"crc\"" + time;
        QTest::newRow("a time-out: outcome only")
            << "COM4"
            << ""
            << "" << int(Outcome::Timeout) << -1.0 << none << none
            << "ht5530k,address=3,port=COM4 outcome=\"timeout\"" + time;
        QTest::newRow("skipped: outcome only")
            << "COM4"
            << ""
            << "skipped" << int(Outcome::Timeout) << -1.0 << none << none
            << "ht5530k,address=3,port=COM4 outcome=\"skipped\"" + time;
        QTest::newRow("lost: outcome only")
            << "COM4"
            << ""
            << "" << int(Outcome::Lost) << -1.0 << none << none
            << "ht5530k,address=3,port=COM4 outcome=\"lost\"" + time;
        QTest::newRow("a name, between address and port")
            << "COM4"
            << "Hall"
            << "" << int(Outcome::Timeout) << -1.0 << none << none
            << "ht5530k,address=3,name=Hall,port=COM4 outcome=\"timeout\"" + time;
        QTest::newRow("separators in tags escaped")
            << "/dev/serial/by-id/usb-FTDI x,y=z"
            << "Cold room, north = 2"
            << "" << int(Outcome::Timeout) << -1.0 << none << none
            << "ht5530k,address=3,name=Cold\\ room\\,\\ north\\ \\=\\ 2,"
               "port=/dev/serial/by-id/usb-FTDI\\ x\\,y\\=z outcome=\"timeout\"" +
                   time;
        QTest::newRow("a Windows device path keeps its backslashes")
            << "\\\\.\\COM10"
            << ""
            << "" << int(Outcome::Timeout) << -1.0 << none << none
            << "ht5530k,address=3,port=\\\\.\\COM10 outcome=\"timeout\"" + time;
        QTest::newRow("a name with quotes and non-ASCII letters")
            << "COM4"
            << "\"Küche\""
            << "" << int(Outcome::Timeout) << -1.0 << none << none
            << "ht5530k,address=3,name=\"Küche\",port=COM4 outcome=\"timeout\"" + time;
    }
    void line() {
        QFETCH(QString, port);
        QFETCH(QString, name);
        QFETCH(QString, missed);
        QFETCH(int, outcome);
        QFETCH(double, responseMs);
        QFETCH(int, humidity);
        QFETCH(int, temperature);
        QFETCH(QString, line);
        const auto optional = [](int value) {
            return value < -9999 ? std::nullopt : std::optional<std::int32_t>(value);
        };
        cli::Row row = RowOf(static_cast<master::Outcome>(outcome),
                             responseMs < 0 ? std::nullopt : std::optional<double>(responseMs),
                             optional(humidity), optional(temperature));
        const std::string nameText = name.toStdString();
        const std::string missedText = missed.toStdString();
        row.name = nameText;
        row.missed = missedText;
        const cli::InfluxLines lines(port.toStdString());
        QCOMPARE(QString::fromStdString(lines.line(row)), line);
    }

    void stringField_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << "ok"
                               << "\"ok\"";
        QTest::newRow("a double quote") << "say \"hi\""
                                        << "\"say \\\"hi\\\"\"";
        QTest::newRow("a backslash") << "a\\b"
                                     << "\"a\\\\b\"";
        QTest::newRow("separators stay") << "a, b=c"
                                         << "\"a, b=c\"";
        QTest::newRow("empty") << ""
                               << "\"\"";
    }
    void stringField() {
        QFETCH(QString, text);
        QFETCH(QString, field);
        QCOMPARE(QString::fromStdString(cli::InfluxString(text.toStdString())), field);
    }
};

QTEST_GUILESS_MAIN(TestCliInfluxLine)
#include "test_cli_influx_line.moc"
