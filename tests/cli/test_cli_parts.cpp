#include <QtTest>

#include "bytes_util.h"
#include "cli/commands/scan_plan.h"
#include "cli/options/arguments.h"
#include "cli/options/line_options.h"
#include "cli/options/module_names.h"
#include "cli/options/options_file.h"
#include "cli/output/exit_codes.h"
#include "cli/output/poll_summary.h"
#include "cli/output/row_format.h"
#include "cli/output/window_texts.h"
#include "codec/protocol.h"
#include "master/reading.h"
#include "module_setup/address_rules.h"
#include "module_setup/adjustment_rules.h"

// The command-line program's parts that need no line: options, exit
// statuses, decoding, rows, statistics and the scan's plan.
namespace {

using master::Outcome;

} // namespace

class TestCliParts : public QObject {
    Q_OBJECT
private slots:
    void lineOptions_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("result");
        QTest::newRow("defaults") << QStringList{}
                                  << "port - baud - address 1 timeout 500 retries 0";
        QTest::newRow("all given")
            << QStringList{"-p",        "COM3", "-b",        "14400", "-a", "35",
                           "--timeout", "20",   "--retries", "3",     "-v"}
            << "port COM3 baud 14400 address 35 timeout 20 retries 3 verbose";
        QTest::newRow("baud not the module's")
            << QStringList{"-b", "115200"} << "bad --baud '115200': 4800, 9600, 14400 or 19200";
        QTest::newRow("baud text")
            << QStringList{"-b", "fast"} << "bad --baud 'fast': 4800, 9600, 14400 or 19200";
        QTest::newRow("address 0") << QStringList{"-a", "0"} << "bad --address '0': 1 to 255";
        QTest::newRow("address 256") << QStringList{"-a", "256"} << "bad --address '256': 1 to 255";
        QTest::newRow("address list")
            << QStringList{"-a", "3,1-2"} << "port - baud - address 3 1 2 timeout 500 retries 0";
        QTest::newRow("address list out of range")
            << QStringList{"-a", "1-300"}
            << "bad --address '1-300': address 300 is out of range: give addresses from 1 to 255";
        QTest::newRow("time-out 0")
            << QStringList{"--timeout", "0"} << "bad --timeout '0': 1 to 60000";
        QTest::newRow("retries with a sign")
            << QStringList{"--retries", "+1"} << "bad --retries '+1': 0 to 100";
        QTest::newRow("empty port")
            << QStringList{"--port="} << "--port needs a device path or COMn";
        QTest::newRow("COM17")
            << QStringList{"-p", "COM17"}
            << "bad --port COM17: not a port of the window, which offers COM1 to COM16";
    }
    void lineOptions() {
        QFETCH(QStringList, args);
        QFETCH(QString, result);
        std::vector<std::string> storage;
        for (const QString& arg : args) {
            storage.push_back(arg.toStdString());
        }
        const std::vector<std::string_view> views(storage.begin(), storage.end());
        const cli::ParsedArguments parsed = cli::ParseArguments(cli::CommonOptions(), views);
        QVERIFY(parsed.error.empty());
        const auto line = cli::ReadLineOptions(parsed.arguments);
        if (const auto* error = std::get_if<std::string>(&line)) {
            QCOMPARE(QString::fromStdString(*error), result);
            return;
        }
        const cli::LineOptions& o = std::get<cli::LineOptions>(line);
        QStringList addresses;
        for (const int address : o.addresses) {
            addresses << QString::number(address);
        }
        QCOMPARE(o.address, o.addresses.front());
        QString text = QStringLiteral("port %1 baud %2 address %3 timeout %4 retries %5")
                           .arg(o.port ? o.port->text : "-")
                           .arg(o.baud ? QString::number(*o.baud) : "-")
                           .arg(addresses.join(' '))
                           .arg(o.timeoutMs)
                           .arg(o.retries);
        if (o.verbose) {
            text += " verbose";
        }
        QCOMPARE(text, result);
    }

    // Each answer judged while it arrives ("wait": not yet) and at the time-out.
    // --name: each polled module named once, with a name any output can carry.
    void moduleNames_data() {
        QTest::addColumn<QStringList>("given");
        QTest::addColumn<QString>("result");
        QTest::newRow("names by address")
            << QStringList{"3=Boiler room", "1=Hall=east"} << "1:Hall=east 3:Boiler room";
        QTest::newRow("none") << QStringList{} << "";
        QTest::newRow("no equals sign")
            << QStringList{"Hall"} << "bad --name 'Hall': ADDRESS=NAME, as 3=Boiler room";
        QTest::newRow("address not a number")
            << QStringList{"x=Hall"} << "bad --name 'x=Hall': ADDRESS=NAME, the address 1 to 255";
        QTest::newRow("address not polled")
            << QStringList{"9=Hall"} << "bad --name '9=Hall': 9 is not polled (-a)";
        QTest::newRow("empty name")
            << QStringList{"1="} << "bad --name '1=': a name of 1 to 64 characters";
        QTest::newRow("name too long")
            << QStringList{"1=" + QString(65, 'x')}
            << "bad --name '1=" + QString(65, 'x') + "': a name of 1 to 64 characters";
        QTest::newRow("control character")
            << QStringList{"1=a\nb"} << "bad --name '1=a\nb': no control characters in a name";
        QTest::newRow("a last backslash")
            << QStringList{"1=Hall\\"}
            << "bad --name '1=Hall\\': a name that does not end with a backslash";
        QTest::newRow("named twice")
            << QStringList{"1=a", "1=b"} << "bad --name '1=b': address 1 is named twice";
    }
    void moduleNames() {
        QFETCH(QStringList, given);
        QFETCH(QString, result);
        std::vector<std::string> values;
        for (const QString& text : given) {
            values.push_back(text.toStdString());
        }
        const auto names = cli::ReadModuleNames(values, {1, 2, 3});
        QString got;
        if (const auto* read = std::get_if<std::map<int, std::string>>(&names)) {
            QStringList parts;
            for (const auto& [address, name] : *read) {
                parts << QStringLiteral("%1:%2").arg(address).arg(QString::fromStdString(name));
            }
            got = parts.join(' ');
        } else {
            got = QString::fromStdString(std::get<std::string>(names));
        }
        QCOMPARE(got, result);
    }

    // --config: a file of options, one a line, read as the command line
    // would hold them, or refused with its line.
    void optionsFile_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result");
        QTest::newRow("options, values with spaces, a flag, comments")
            << "# hall\n\n  address 1-8\nname   3=Boiler room  \r\nverbose\n--timeout 200"
            << "--address|1-8|--name|3=Boiler room|--verbose|--timeout|200";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("unknown") << "address 1\ncolour red"
                                 << "F:2: unknown option 'colour'";
        QTest::newRow("help is not an option here") << "help"
                                                    << "F:1: unknown option 'help'";
        QTest::newRow("nor config") << "config other.conf"
                                    << "F:1: unknown option 'config'";
        QTest::newRow("a flag given a value") << "verbose yes"
                                              << "F:1: verbose takes no value";
        QTest::newRow("a value missing") << "timeout"
                                         << "F:1: timeout needs a value (MS)";
    }
    void optionsFile() {
        QFETCH(QString, text);
        QFETCH(QString, result);
        QTemporaryDir dir;
        const QString path = dir.filePath("F");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
        file.close();
        std::vector<cli::OptionSpec> specs(cli::CommonOptions().begin(),
                                           cli::CommonOptions().end());
        specs.push_back({"name", 0, "ADDRESS=NAME", ""});
        const auto read = cli::ReadOptionsFile(path.toStdString(), specs);
        QString got;
        if (const auto* arguments = std::get_if<std::vector<std::string>>(&read)) {
            QStringList parts;
            for (const std::string& argument : *arguments) {
                parts << QString::fromStdString(argument);
            }
            got = parts.join('|');
        } else {
            got = QString::fromStdString(std::get<std::string>(read)).replace(path, "F");
        }
        QCOMPARE(got, result);
        QVERIFY(std::holds_alternative<std::string>(
            cli::ReadOptionsFile(dir.filePath("absent").toStdString(), specs)));
    }

    void exitCodes() {
        QCOMPARE(cli::ExitCodeOf(Outcome::Ok), 0);
        QCOMPARE(cli::ExitCodeOf(Outcome::Timeout), 4);
        for (const Outcome corrupt :
             {Outcome::Crc, Outcome::Short, Outcome::WrongAddress, Outcome::WrongFunction}) {
            QCOMPARE(cli::ExitCodeOf(corrupt), 5);
        }
        QCOMPARE(cli::ExitCodeOf(Outcome::Exception), 6);
    }

    void decoding_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("decoded");
        QTest::newRow("0") << 0 << "0.00";
        QTest::newRow("2500") << 2500 << "25.00";
        QTest::newRow("20000: still positive") << 20000 << "200.00";
        QTest::newRow("20001: most negative") << 20001 << "-455.35";
        QTest::newRow("65436") << 65436 << "-1.00";
        QTest::newRow("65534") << 65534 << "-0.02";
        QTest::newRow("65535: no reading") << 65535 << "none";
    }
    void decoding() {
        QFETCH(int, value);
        QFETCH(QString, decoded);
        const auto hundredths = codec::DecodeRegister(static_cast<std::uint16_t>(value));
        QCOMPARE(hundredths ? QString::fromStdString(cli::Hundredths(*hundredths))
                            : QString("none"),
                 decoded);
    }

    void rows_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("registers");
        QTest::addColumn<QString>("csv");
        QTest::addColumn<QString>("json");
        QTest::newRow("two registers, negative temperature")
            << "01 03 04 11 C6 FB 1E DC 0A" << 2
            << "T,1,ok,2.25,45.50,-12.50,01 03 04 11 C6 FB 1E DC 0A\n"
            << R"({"time":"T","address":1,"outcome":"ok","response_ms":2.25,"humidity":45.50,)"
               R"("temperature":-12.50,"raw":"01 03 04 11 C6 FB 1E DC 0A"})"
               "\n";
        QTest::newRow("one register")
            << "01 03 02 11 C6 34 46" << 1 << "T,1,ok,2.25,45.50,,01 03 02 11 C6 34 46\n"
            << R"({"time":"T","address":1,"outcome":"ok",)"
               R"("response_ms":2.25,"humidity":45.50,)"
               R"("temperature":null,"raw":"01 03 02 11 C6 34 46"})"
               "\n";
        QTest::newRow("no reading")
            << "01 03 02 FF FF B9 F4" << 1 << "T,1,ok,2.25,,,01 03 02 FF FF B9 F4\n"
            << R"({"time":"T","address":1,"outcome":"ok",)"
               R"("response_ms":2.25,"humidity":null,)"
               R"("temperature":null,"raw":"01 03 02 FF FF B9 F4"})"
               "\n";
    }
    void rows() {
        QFETCH(QString, answer);
        QFETCH(int, registers);
        QFETCH(QString, csv);
        QFETCH(QString, json);
        const std::vector<std::uint8_t> bytes = Bytes(answer);
        QVERIFY(codec::CrcMatches(bytes));
        cli::Row row{
            "T", 1,  Outcome::Ok, 2.254, master::ReadingOf(bytes, registers), answer.toStdString(),
            {},  {}, {}};
        QCOMPARE(QString::fromStdString(cli::CsvRow(row)), csv);
        QCOMPARE(QString::fromStdString(cli::JsonRow(row)), json);
    }

    void timeoutRow() {
        const cli::Row row{"T", 7, Outcome::Timeout, std::nullopt, {}, "", {}, {}, {}};
        QCOMPARE(QString::fromStdString(cli::CsvRow(row)), QString("T,7,timeout,,,,\n"));
        QCOMPARE(QString::fromStdString(cli::JsonRow(row)),
                 QString(R"({"time":"T","address":7,"outcome":"timeout","response_ms":null,)"
                         R"("humidity":null,"temperature":null,"raw":""})"
                         "\n"));
        QCOMPARE(QString::fromStdString(cli::TextRow(row)), QString("T address 7 timeout\n"));
    }

    // A backed-off module's turn: a row with no request behind it.
    void skippedRow() {
        const cli::Row row{"T", 5, Outcome::Timeout, std::nullopt, {}, "", "skipped", "", {}};
        QCOMPARE(QString::fromStdString(cli::CsvRow(row)), QString("T,5,skipped,,,,\n"));
        QVERIFY(cli::JsonRow(row).find(R"("outcome":"skipped","response_ms":null)") !=
                std::string::npos);
        QCOMPARE(QString::fromStdString(cli::TextRow(row)), QString("T address 5 skipped\n"));
    }

    void milliseconds_data() {
        QTest::addColumn<double>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("two decimals") << 2.254 << "2.25";
        QTest::newRow("rounded up") << 2.255001 << "2.26";
        QTest::newRow("below one") << 0.5 << "0.50";
        QTest::newRow("whole") << 12.0 << "12.00";
    }
    void milliseconds() {
        QFETCH(double, ms);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(cli::Milliseconds(ms)), text);
    }

    void summary() {
        cli::PollSummary summary;
        QCOMPARE(summary.lossPercent(), 0.0);
        QVERIFY(!summary.medianMs());
        for (const double ms : {4.0, 1.0, 3.0, 2.0}) {
            summary.add(Outcome::Ok, ms);
        }
        summary.add(Outcome::Timeout, std::nullopt);
        summary.add(Outcome::Crc, 1.5);
        summary.add(Outcome::Exception, 1.0);
        summary.add(Outcome::Short, 9.0);
        summary.addLate(3);
        QCOMPARE(summary.sent(), 8);
        QCOMPARE(summary.answered(), 4);
        QCOMPARE(summary.lossPercent(), 50.0);
        // Only sound answers count for the times; an even count takes the middle pair.
        QCOMPARE(*summary.minMs(), 1.0);
        QCOMPARE(*summary.medianMs(), 2.5);
        QCOMPARE(*summary.maxMs(), 4.0);
        QCOMPARE(QString::fromStdString(summary.text()),
                 QString("8 sent, 4 answered, 1 timeouts, 1 CRC errors, 1 exceptions, 1 other "
                         "corrupt, 50.0% loss, 1 late (3 ticks skipped)\n"
                         "response time min/median/max = 1.00/2.50/4.00 ms\n"));
        // One module of several: the short line and its JSON.
        summary.addSkippedTurn();
        QCOMPARE(QString::fromStdString(summary.moduleText()),
                 QString("8 sent, 4 answered, 50.0% loss, response time min/median/max = "
                         "1.00/2.50/4.00 ms, 1 turns skipped (backed off)"));
        // A turn lost with the port after its request went out: sent, not answered.
        summary.addLost(true);
        QCOMPARE(QString::fromStdString(summary.moduleText()),
                 QString("9 sent, 4 answered, 55.6% loss, response time min/median/max = "
                         "1.00/2.50/4.00 ms, 1 turns skipped (backed off), 1 turns lost"));
        QCOMPARE(QString::fromStdString(summary.json("address", 3)),
                 QString(R"({"summary":"address","address":3,"sent":9,"answered":4,"timeouts":1,)"
                         R"("crc_errors":1,"exceptions":1,"other_corrupt":1,"loss_percent":55.6,)"
                         R"("response_ms_min":1.00,"response_ms_median":2.50,)"
                         R"("response_ms_max":4.00,"skipped_turns":1,"lost_turns":1})"
                         "\n"));
        QVERIFY(summary.json("total", std::nullopt)
                    .ends_with(R"("skipped_turns":1,"lost_turns":1,"late":1,"ticks_skipped":3,)"
                               R"("interrupted":0,)"
                               R"("late_answers":0})"
                               "\n"));
    }

    // Response times are kept by value and count: the median of many
    // equal times, and of an odd count.
    void summaryTimes() {
        cli::PollSummary summary;
        for (int i = 0; i < 1000; ++i) {
            summary.add(Outcome::Ok, 9.0);
        }
        summary.add(Outcome::Ok, 1.0);
        summary.add(Outcome::Ok, 20.004);
        summary.add(Outcome::Ok, 20.006);
        QCOMPARE(*summary.minMs(), 1.0);
        QCOMPARE(*summary.medianMs(), 9.0);
        QCOMPARE(*summary.maxMs(), 20.01);
        QCOMPARE(QString::fromStdString(summary.moduleText()),
                 QString("1003 sent, 1003 answered, 0.0% loss, response time min/median/max = "
                         "1.00/9.00/20.01 ms"));
    }

    void scanOptions_data() {
        QTest::addColumn<QString>("bauds");
        QTest::addColumn<QString>("addresses");
        QTest::addColumn<QString>("plan");
        QTest::newRow("one rate, one address") << "9600"
                                               << "17"
                                               << "9600 | 17-17";
        QTest::newRow("two rates, a range") << "19200,4800"
                                            << "1-35"
                                            << "19200 4800 | 1-35";
        QTest::newRow("a rate twice") << "9600,9600"
                                      << "1-2"
                                      << "bauds? | 1-2";
        QTest::newRow("not a module rate") << "38400"
                                           << "1-2"
                                           << "bauds? | 1-2";
        QTest::newRow("empty entry") << "9600,"
                                     << "1-2"
                                     << "bauds? | 1-2";
        QTest::newRow("range backwards") << "9600"
                                         << "9-3"
                                         << "9600 | addresses?";
        QTest::newRow("address 0") << "9600"
                                   << "0-3"
                                   << "9600 | addresses?";
        QTest::newRow("beyond a byte") << "9600"
                                       << "1-256"
                                       << "9600 | addresses?";
    }
    void scanOptions() {
        QFETCH(QString, bauds);
        QFETCH(QString, addresses);
        QFETCH(QString, plan);
        QStringList parts;
        if (const auto list = cli::ParseBauds(bauds.toStdString())) {
            QStringList rates;
            for (const int baud : *list) {
                rates << QString::number(baud);
            }
            parts << rates.join(' ');
        } else {
            parts << "bauds?";
        }
        const auto range = cli::ParseAddressRange(addresses.toStdString());
        parts << (range ? QStringLiteral("%1-%2").arg(range->first).arg(range->last)
                        : QString("addresses?"));
        QCOMPARE(parts.join(" | "), plan);
    }

    // The time-outs leave 50 ms after the line time. In the worst case every
    // request times out and all but the first wait as long again for a quiet
    // line: a full default scan stays within 21 s.
    void scanTimes() {
        QCOMPARE(cli::ScanTimeoutMs(4800), 89);
        QCOMPARE(cli::ScanTimeoutMs(19200), 60);
        const std::vector<int> all{4800, 9600, 14400, 19200};
        QCOMPARE(cli::ScanWorstCaseMs(all, {1, 35}), 2 * 37 * (89 + 70 + 63 + 60) - 60);
        QCOMPARE(cli::ScanWorstCaseMs({19200}, {1, 1}), 3 * 60 + 2 * 60);
        QVERIFY(cli::ScanWorstCaseMs(all, {1, 35}) < 21'000);
        // --timeout replaces every rate's own: the longest it allows, all of it.
        QCOMPARE(cli::ScanTimeoutMs(4800, 300), 300);
        // Each rate: 257 time-outs and 256 guards; between rates, one guard more.
        QCOMPARE(cli::ScanWorstCaseMs(all, {1, 255}, 60'000), (4LL * (257 + 256) + 3) * 60'000);
    }

    // Every refusal of the window's address and adjustment checks is printed
    // with an English gloss after it.
    void windowRefusalsHaveAGloss_data() {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("next");
        QTest::newRow("old malformed") << "x"
                                       << "2";
        QTest::newRow("new malformed") << "1"
                                       << "x";
        QTest::newRow("below 1") << "0"
                                 << "2";
        QTest::newRow("same") << "3"
                              << "3";
        QTest::newRow("above 35") << "1"
                                  << "36";
        QTest::newRow("old beyond a byte") << "300"
                                           << "2";
        QTest::newRow("adjustment value") << ""
                                          << "";
    }
    void windowRefusalsHaveAGloss() {
        QFETCH(QString, current);
        QFETCH(QString, next);
        const std::string refusal =
            current.isEmpty()
                ? module_setup::CheckAdjustment(0, "abc").refusal
                : module_setup::CheckAddressChange(current.toStdString(), next.toStdString())
                      .refusal;
        QVERIFY(!refusal.empty());
        const std::string glossed = cli::Glossed(refusal);
        QVERIFY2(glossed.starts_with(refusal + " (") && glossed.ends_with(")"), glossed.c_str());
    }
};

QTEST_APPLESS_MAIN(TestCliParts)
#include "test_cli_parts.moc"
