#include <string>

#include <QtTest>

#include "sim/sim_options.h"

namespace {
using Outcome = sim::ParsedOptions::Outcome;

sim::ParsedOptions Parse(const QStringList& args) {
    std::vector<std::string> storage;
    for (const QString& arg : args) {
        storage.push_back(arg.toStdString());
    }
    return sim::ParseOptions(std::vector<std::string_view>(storage.begin(), storage.end()));
}

// Every option's value as text, so that one table can check any of them.
QMap<QString, QString> Fields(const sim::Options& o) {
    const sim::FaultSet& f = o.faults;
    const auto n = [](auto value) { return QString::number(value); };
    QStringList faults{
        f.silent ? "silent" : "",           f.exception ? "exception" : "",
        f.shortFrame ? "short" : "",        f.doubled ? "double" : "",
        "crc=" + n(f.badCrcShare),          "split=" + n(f.splitMs),
        "garbage=" + n(f.garbagePerSecond), "unplug=" + n(f.unplugAfterSeconds.value_or(-1))};
    faults.removeAll(QString());
    return {
        {"address", n(o.address)},
        {"humidity", n(o.humidity)},
        {"temperature", n(o.temperature)},
        {"drift", o.drift ? "on" : "off"},
        {"noise", n(o.noise)},
        {"baud", n(o.baud)},
        {"delay", n(o.delayMs)},
        {"link", QString::fromStdString(o.linkPath)},
        {"faults", faults.join(' ')},
    };
}
} // namespace

class TestSimOptions : public QObject {
    Q_OBJECT
private slots:
    void accepted_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::newRow("default address") << QStringList{} << "address"
                                         << "1";
        QTest::newRow("no faults by default") << QStringList{} << "faults"
                                              << "crc=0 split=0 garbage=0 unplug=-1";
        QTest::newRow("address") << QStringList{"--address", "247"} << "address"
                                 << "247";
        QTest::newRow("value after =") << QStringList{"--address=7"} << "address"
                                       << "7";
        QTest::newRow("humidity") << QStringList{"--humidity", "45.5"} << "humidity"
                                  << "4550";
        QTest::newRow("negative temperature")
            << QStringList{"--temperature", "-10.25"} << "temperature"
            << "-1025";
        QTest::newRow("temperature rounds") << QStringList{"--temperature=21.006"} << "temperature"
                                            << "2101";
        QTest::newRow("no drift") << QStringList{"--no-drift"} << "drift"
                                  << "off";
        QTest::newRow("no noise by default") << QStringList{} << "noise"
                                             << "0";
        QTest::newRow("noise") << QStringList{"--noise", "0.05"} << "noise"
                               << "5";
        QTest::newRow("baud") << QStringList{"--baud", "9600"} << "baud"
                              << "9600";
        QTest::newRow("delay") << QStringList{"--delay", "20"} << "delay"
                               << "20";
        QTest::newRow("link") << QStringList{"--link", "/tmp/ht"} << "link"
                              << "/tmp/ht";
        QTest::newRow("faults add up")
            << QStringList{"--fault", "bad-crc=0.25",    "--fault", "short",     "--fault=split=3",
                           "--fault", "garbage=1048576", "--fault", "unplug=2.5"}
            << "faults"
            << "short crc=0.25 split=3 garbage=1048576 unplug=2.5";
        QTest::newRow("flag faults")
            << QStringList{"--fault", "silent", "--fault", "exception", "--fault", "double"}
            << "faults"
            << "silent exception double crc=0 split=0 garbage=0 unplug=-1";
    }
    void accepted() {
        QFETCH(QStringList, args);
        QFETCH(QString, field);
        QFETCH(QString, value);
        const sim::ParsedOptions parsed = Parse(args);
        QVERIFY2(parsed.outcome == Outcome::Run, parsed.error.c_str());
        QCOMPARE(Fields(parsed.options).value(field), value);
    }

    void refused_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("address 0") << QStringList{"--address", "0"};
        QTest::newRow("address 248") << QStringList{"--address", "248"};
        QTest::newRow("trailing text") << QStringList{"--address", "1x"};
        QTest::newRow("humidity above 100") << QStringList{"--humidity", "100.01"};
        QTest::newRow("humidity nan") << QStringList{"--humidity", "nan"};
        QTest::newRow("temperature below -40") << QStringList{"--temperature", "-40.5"};
        QTest::newRow("noise above 10") << QStringList{"--noise", "10.01"};
        QTest::newRow("negative noise") << QStringList{"--noise", "-0.01"};
        QTest::newRow("negative baud") << QStringList{"--baud", "-1"};
        QTest::newRow("missing value") << QStringList{"--delay"};
        QTest::newRow("unknown fault") << QStringList{"--fault", "noise"};
        QTest::newRow("share above 1") << QStringList{"--fault", "bad-crc=1.5"};
        QTest::newRow("split of 0") << QStringList{"--fault", "split=0"};
        QTest::newRow("flag fault with value") << QStringList{"--fault", "silent=1"};
        QTest::newRow("unknown option") << QStringList{"--speed", "1"};
        QTest::newRow("stray argument") << QStringList{"9600"};
    }
    void refused() {
        QFETCH(QStringList, args);
        const sim::ParsedOptions parsed = Parse(args);
        QVERIFY(parsed.outcome == Outcome::Error);
        QVERIFY(!parsed.error.empty());
    }

    void help() {
        QVERIFY(Parse({"-h"}).outcome == Outcome::Help);
        QVERIFY(Parse({"--address", "3", "--help"}).outcome == Outcome::Help);
    }

    void version() {
        QVERIFY(Parse({"--version"}).outcome == Outcome::Version);
        QVERIFY(Parse({"--no-drift", "--version", "--baud", "x"}).outcome == Outcome::Version);
        QVERIFY(Parse({"--version=1"}).outcome == Outcome::Error);
    }
};

QTEST_APPLESS_MAIN(TestSimOptions)
#include "test_sim_options.moc"
