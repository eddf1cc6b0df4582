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

QString FaultsText(const sim::FaultSet& f) {
    const auto n = [](auto value) { return QString::number(value); };
    QStringList faults{
        f.silent ? "silent" : "",           f.exception ? "exception" : "",
        f.shortFrame ? "short" : "",        f.doubled ? "double" : "",
        "crc=" + n(f.badCrcShare),          "split=" + n(f.splitMs),
        "garbage=" + n(f.garbagePerSecond), "unplug=" + n(f.unplugAfterSeconds.value_or(-1))};
    faults.removeAll(QString());
    return faults.join(' ');
}

// Every option's value as text, so that one table can check any of them.
QMap<QString, QString> Fields(const sim::Options& o) {
    const auto n = [](auto value) { return QString::number(value); };
    QStringList addresses;
    for (const std::uint8_t address : o.addresses) {
        addresses << n(address);
    }
    QStringList moduleFaults;
    for (const auto& [address, faults] : o.moduleFaults) {
        moduleFaults << n(address) + ": " + FaultsText(faults);
    }
    return {
        {"address", addresses.join(' ')},
        {"module faults", moduleFaults.join(", ")},
        {"humidity", n(o.humidity)},
        {"temperature", n(o.temperature)},
        {"drift", o.drift ? "on" : "off"},
        {"noise", n(o.noise)},
        {"baud", n(o.baud)},
        {"delay", n(o.delayMs)},
        {"link", QString::fromStdString(o.linkPath)},
        {"log", QString::fromStdString(o.logPath)},
        {"seed", o.seed ? n(*o.seed) : "none"},
        {"faults", FaultsText(o.faults)},
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
        QTest::newRow("the last address counts")
            << QStringList{"--address", "3", "--address=5"} << "address"
            << "5";
        QTest::newRow("a bus") << QStringList{"--address", "1,3,5-7"} << "address"
                               << "1 3 5 6 7";
        QTest::newRow("a bus in the order given") << QStringList{"--address=9-7,1"} << "address"
                                                  << "9 8 7 1";
        QTest::newRow("no module faults by default") << QStringList{} << "module faults"
                                                     << "";
        QTest::newRow("a silent module")
            << QStringList{"--address", "1-8", "--fault", "silent@5"} << "module faults"
            << "5: silent crc=0 split=0 garbage=0 unplug=-1";
        QTest::newRow("a module's fault leaves the bus's")
            << QStringList{"--address", "1-8", "--fault", "silent@5"} << "faults"
            << "crc=0 split=0 garbage=0 unplug=-1";
        // Each module named has the whole bus's faults, given before or after, and its own.
        QTest::newRow("module faults on top of the bus's")
            << QStringList{"--address", "1-8",         "--fault", "bad-crc=0.5@3,5",
                           "--fault",   "short",       "--fault", "exception@5",
                           "--fault",   "bad-crc=0.1", "--fault", "split=2"}
            << "module faults"
            << "3: short crc=0.5 split=2 garbage=0 unplug=-1, "
               "5: exception short crc=0.5 split=2 garbage=0 unplug=-1";
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
        QTest::newRow("log") << QStringList{"--log=/tmp/frames"} << "log"
                             << "/tmp/frames";
        QTest::newRow("no seed by default") << QStringList{} << "seed"
                                            << "none";
        QTest::newRow("highest seed") << QStringList{"--seed", "4294967295"} << "seed"
                                      << "4294967295";
        QTest::newRow("negative temperature after =")
            << QStringList{"--temperature=-0.25"} << "temperature"
            << "-25";
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
        QTest::addColumn<QString>("message");
        const QString example = "write a list such as 1-8 or 1,3,5-7";
        QTest::newRow("address 0")
            << QStringList{"--address", "0"}
            << "bad --address '0': address 0 is out of range: give addresses from 1 to 247";
        QTest::newRow("address 248")
            << QStringList{"--address", "248"}
            << "bad --address '248': address 248 is out of range: give addresses from 1 to 247";
        QTest::newRow("trailing text")
            << QStringList{"--address", "1x"}
            << "bad --address '1x': '1x' is neither an address nor a range A-B: " + example;
        QTest::newRow("an address twice")
            << QStringList{"--address", "1-8,3"}
            << "bad --address '1-8,3': address 3 is given twice: give each address once";
        QTest::newRow("fault for a module not on the bus")
            << QStringList{"--address", "1-8", "--fault", "silent@9"}
            << "bad --fault 'silent@9': no module at address 9: give addresses of --address";
        QTest::newRow("fault for the only module's neighbour")
            << QStringList{"--fault", "silent@2"}
            << "bad --fault 'silent@2': no module at address 2: give addresses of --address";
        QTest::newRow("fault without its modules")
            << QStringList{"--fault", "silent@"}
            << "bad --fault 'silent@': no address given: " + example;
        QTest::newRow("line fault for one module")
            << QStringList{"--fault", "garbage=10@1"}
            << "bad --fault 'garbage=10@1': garbage is the whole line's: give it without @";
        QTest::newRow("bad fault for one module") << QStringList{"--fault", "bad-crc=2@1"}
                                                  << "bad --fault 'bad-crc=2': a share from 0 to 1";
        QTest::newRow("humidity above 100")
            << QStringList{"--humidity", "100.01"} << "bad --humidity '100.01': %RH, 0 to 100";
        QTest::newRow("humidity nan")
            << QStringList{"--humidity", "nan"} << "bad --humidity 'nan': %RH, 0 to 100";
        QTest::newRow("temperature below -40") << QStringList{"--temperature", "-40.5"}
                                               << "bad --temperature '-40.5': degrees, -40 to 125";
        QTest::newRow("noise above 10")
            << QStringList{"--noise", "10.01"} << "bad --noise '10.01': 0 to 10";
        QTest::newRow("negative noise")
            << QStringList{"--noise", "-0.01"} << "bad --noise '-0.01': 0 to 10";
        QTest::newRow("negative baud")
            << QStringList{"--baud", "-1"} << "bad --baud '-1': 0 to 10000000";
        QTest::newRow("seed beyond 32 bits")
            << QStringList{"--seed", "4294967296"} << "bad --seed '4294967296': 0 to 4294967295";
        QTest::newRow("empty link") << QStringList{"--link="} << "bad --link '': a path";
        QTest::newRow("missing value") << QStringList{"--delay"} << "--delay needs a value (MS)";
        QTest::newRow("unknown fault")
            << QStringList{"--fault", "noise"}
            << "unknown fault 'noise' (silent, exception, bad-crc=P, short, split=MS, double, "
               "garbage=N, unplug=S)";
        QTest::newRow("share above 1") << QStringList{"--fault", "bad-crc=1.5"}
                                       << "bad --fault 'bad-crc=1.5': a share from 0 to 1";
        QTest::newRow("split of 0") << QStringList{"--fault", "split=0"}
                                    << "bad --fault 'split=0': milliseconds, 1 to 60000";
        QTest::newRow("a bad fault after good ones")
            << QStringList{"--fault", "short", "--fault=unplug=-1"}
            << "bad --fault 'unplug=-1': seconds, 0 or more";
        QTest::newRow("flag fault with value")
            << QStringList{"--fault", "silent=1"} << "--fault silent takes no value";
        QTest::newRow("flag with value")
            << QStringList{"--no-drift=1"} << "--no-drift takes no value";
        QTest::newRow("unknown option") << QStringList{"--speed", "1"} << "unknown option --speed";
        QTest::newRow("unknown short option") << QStringList{"-x"} << "unknown option -x";
        QTest::newRow("stray argument") << QStringList{"9600"} << "unexpected argument '9600'";
        QTest::newRow("stray negative number") << QStringList{"-5"} << "unexpected argument '-5'";
    }
    void refused() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const sim::ParsedOptions parsed = Parse(args);
        QVERIFY(parsed.outcome == Outcome::Error);
        QCOMPARE(QString::fromStdString(parsed.error), message);
    }

    void help() {
        QVERIFY(Parse({"-h"}).outcome == Outcome::Help);
        QVERIFY(Parse({"--address", "3", "--help"}).outcome == Outcome::Help);
        // Whatever else is wrong: help is what was asked for.
        QVERIFY(Parse({"--speed", "--help"}).outcome == Outcome::Help);
        QVERIFY(Parse({"--address", "0", "-h"}).outcome == Outcome::Help);
    }

    void version() {
        QVERIFY(Parse({"--version"}).outcome == Outcome::Version);
        QVERIFY(Parse({"--no-drift", "--version", "--baud", "x"}).outcome == Outcome::Version);
        QVERIFY(Parse({"--version=1"}).outcome == Outcome::Error);
    }
};

QTEST_APPLESS_MAIN(TestSimOptions)
#include "test_sim_options.moc"
