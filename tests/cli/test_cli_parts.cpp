#include <QtTest>

#include "bytes_util.h"
#include "cli/arguments.h"
#include "cli/line_options.h"
#include "cli/poll_summary.h"
#include "cli/reading.h"
#include "cli/response_check.h"
#include "cli/row_format.h"
#include "cli/scan_plan.h"
#include "cli/timestamp.h"
#include "cli/window_texts.h"
#include "codec/protocol.h"
#include "module_setup/address_rules.h"
#include "module_setup/adjustment_rules.h"

// The command-line program's parts that need no line: options, judging an
// answer, decoding, rows, statistics and the scan's plan.
namespace {

using cli::Outcome;

const std::array kSpecs{
    cli::OptionSpec{"port", 'p', "PORT", ""},
    cli::OptionSpec{"verbose", 'v', "", ""},
    cli::OptionSpec{"count", 0, "N", ""},
};

// "name=value" for each option given, then the positionals, or "error: ...".
QString Parsed(const QStringList& args) {
    std::vector<std::string> storage;
    for (const QString& arg : args) {
        storage.push_back(arg.toStdString());
    }
    const std::vector<std::string_view> views(storage.begin(), storage.end());
    const cli::ParsedArguments parsed = cli::ParseArguments(kSpecs, views);
    if (!parsed.error.empty()) {
        return "error: " + QString::fromStdString(parsed.error);
    }
    QStringList parts;
    for (const auto& [name, value] : parsed.arguments.options) {
        parts << QString::fromStdString(name + "=" + value);
    }
    for (const std::string& positional : parsed.arguments.positionals) {
        parts << QString::fromStdString(positional);
    }
    return parts.join(' ');
}

cli::Expectation ReadOfOne(std::uint8_t address) {
    return {{address}, codec::kReadHoldingRegisters, 7};
}

QString Judged(const cli::Expectation& expected, const char* hex, bool atTimeout) {
    const std::vector<std::uint8_t> bytes = Bytes(hex);
    std::optional<cli::Verdict> verdict = cli::JudgeSoFar(expected, bytes);
    if (atTimeout) {
        verdict = cli::JudgeAtTimeout(expected, bytes);
    }
    if (!verdict) {
        return "wait";
    }
    QString text = QString::fromUtf8(cli::OutcomeName(verdict->outcome).data()) + " " +
                   QString::number(verdict->length);
    if (verdict->outcome == Outcome::Exception) {
        text += " code " + QString::number(verdict->exceptionCode);
    }
    return text;
}

} // namespace

class TestCliParts : public QObject {
    Q_OBJECT
private slots:
    void arguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("parsed");
        QTest::newRow("long with value")
            << QStringList{"--port", "/dev/ttyUSB0"} << "port=/dev/ttyUSB0";
        QTest::newRow("long with =") << QStringList{"--port=COM4"} << "port=COM4";
        QTest::newRow("short with value") << QStringList{"-p", "COM4"} << "port=COM4";
        QTest::newRow("short attached") << QStringList{"-pCOM4"} << "port=COM4";
        QTest::newRow("flag and positionals") << QStringList{"7", "-v", "8"} << "verbose= 7 8";
        QTest::newRow("later wins") << QStringList{"--count", "1", "--count", "2"} << "count=2";
        QTest::newRow("a negative number is a value") << QStringList{"0", "-80"} << "0 -80";
        QTest::newRow("-- ends the options") << QStringList{"--", "-v"} << "-v";
        QTest::newRow("unknown long")
            << QStringList{"--colour"} << "error: unknown option --colour";
        QTest::newRow("unknown short") << QStringList{"-x"} << "error: unknown option -x";
        QTest::newRow("value missing")
            << QStringList{"--count"} << "error: --count needs a value (N)";
        QTest::newRow("flag with value")
            << QStringList{"--verbose=1"} << "error: --verbose takes no value";
    }
    void arguments() {
        QFETCH(QStringList, args);
        QFETCH(QString, parsed);
        QCOMPARE(Parsed(args), parsed);
    }

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
        QString text = QStringLiteral("port %1 baud %2 address %3 timeout %4 retries %5")
                           .arg(o.port ? o.port->text : "-")
                           .arg(o.baud ? QString::number(*o.baud) : "-")
                           .arg(o.address)
                           .arg(o.timeoutMs)
                           .arg(o.retries);
        if (o.verbose) {
            text += " verbose";
        }
        QCOMPARE(text, result);
    }

    // Each answer judged while it arrives ("wait": not yet) and at the time-out.
    void judging_data() {
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<QString>("soFar");
        QTest::addColumn<QString>("atTimeout");
        QTest::newRow("nothing") << ""
                                 << "wait"
                                 << "timeout 0";
        QTest::newRow("sound") << "01 03 02 11 C6 34 46"
                               << "ok 7"
                               << "ok 7";
        QTest::newRow("sound, another behind it") << "01 03 02 11 C6 34 46 01 03"
                                                  << "ok 7"
                                                  << "ok 7";
        QTest::newRow("one byte short") << "01 03 02 11 C6 34"
                                        << "wait"
                                        << "short 6";
        QTest::newRow("only the address") << "01"
                                          << "wait"
                                          << "short 1";
        QTest::newRow("bad CRC") << "01 03 02 11 C6 34 47"
                                 << "crc 7"
                                 << "crc 7";
        QTest::newRow("from address 2") << "02 03 02 11 C6 70 46"
                                        << "wrong-address 7"
                                        << "wrong-address 7";
        QTest::newRow("exception") << "01 83 02 C0 F1"
                                   << "exception 5 code 2"
                                   << "exception 5 code 2";
        QTest::newRow("exception with bad CRC") << "01 83 02 C0 F2"
                                                << "crc 5"
                                                << "crc 5";
        QTest::newRow("exception from address 2") << "02 83 02 30 F1"
                                                  << "wrong-address 5"
                                                  << "wrong-address 5";
        QTest::newRow("sound frame, other function") << "01 04 02 11 C6 35 32"
                                                     << "wait"
                                                     << "wrong-function 7";
        QTest::newRow("noise") << "C3 16 8F 6A"
                               << "wait"
                               << "crc 4";
    }
    void judging() {
        QFETCH(QString, bytes);
        QFETCH(QString, soFar);
        QFETCH(QString, atTimeout);
        const QByteArray hex = bytes.toLatin1();
        QCOMPARE(Judged(ReadOfOne(1), hex.constData(), false), soFar);
        QCOMPARE(Judged(ReadOfOne(1), hex.constData(), true), atTimeout);
    }

    // The address read's answer is counted by its byte 2 and may come from any address.
    void judgingCountedAnswers_data() {
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("from 17") << "11 25 02 00 11 B2 C3"
                                 << "ok 7";
        QTest::newRow("count not yet there") << "11 25"
                                             << "wait";
        QTest::newRow("one short") << "11 25 02 00 11 B2"
                                   << "wait";
    }
    void judgingCountedAnswers() {
        QFETCH(QString, bytes);
        QFETCH(QString, verdict);
        const cli::Expectation expected{{}, codec::kReadAddress, 0};
        QCOMPARE(Judged(expected, bytes.toLatin1().constData(), false), verdict);
    }

    // How many bytes the port waits for before it wakes the program: an
    // exception's five first, then the rest of the answer.
    void bytesStillAwaited_data() {
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<int>("fixedLength"); // 0: counted by byte 2
        QTest::addColumn<int>("awaited");
        QTest::newRow("nothing yet, 7 expected") << "" << 7 << 5;
        QTest::newRow("nothing yet, 9 expected") << "" << 9 << 5;
        QTest::newRow("one byte") << "01" << 7 << 4;
        QTest::newRow("five of seven") << "01 03 02 11 C6" << 7 << 2;
        QTest::newRow("six of seven") << "01 03 02 11 C6 34" << 7 << 1;
        QTest::newRow("exception, three of five") << "01 83 02" << 7 << 2;
        QTest::newRow("other function: the time-out decides") << "01 04 02" << 7 << 1;
        QTest::newRow("counted, count not there") << "11 25" << 0 << 1;
        QTest::newRow("counted, three of seven") << "11 25 02" << 0 << 4;
        QTest::newRow("complete") << "01 03 02 11 C6 34 46" << 7 << 1;
    }
    void bytesStillAwaited() {
        QFETCH(QString, bytes);
        QFETCH(int, fixedLength);
        QFETCH(int, awaited);
        const cli::Expectation expected{{},
                                        fixedLength > 0 ? codec::kReadHoldingRegisters
                                                        : codec::kReadAddress,
                                        static_cast<std::size_t>(fixedLength)};
        QCOMPARE(static_cast<int>(cli::BytesStillAwaited(expected, Bytes(bytes))), awaited);
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
            "T", 1, Outcome::Ok, 2.254, cli::ReadingOf(bytes, registers), answer.toStdString()};
        QCOMPARE(QString::fromStdString(cli::CsvRow(row)), csv);
        QCOMPARE(QString::fromStdString(cli::JsonRow(row)), json);
    }

    void timeoutRow() {
        const cli::Row row{"T", 7, Outcome::Timeout, std::nullopt, {}, ""};
        QCOMPARE(QString::fromStdString(cli::CsvRow(row)), QString("T,7,timeout,,,,\n"));
        QCOMPARE(QString::fromStdString(cli::JsonRow(row)),
                 QString(R"({"time":"T","address":7,"outcome":"timeout","response_ms":null,)"
                         R"("humidity":null,"temperature":null,"raw":""})"
                         "\n"));
        QCOMPARE(QString::fromStdString(cli::TextRow(row)), QString("T address 7 timeout\n"));
    }

    void timestamps_data() {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("epoch") << qint64{0} << "1970-01-01T00:00:00.000Z";
        QTest::newRow("milliseconds kept, not rounded")
            << qint64{1714564800999} << "2024-05-01T12:00:00.999Z";
        QTest::newRow("leap day") << qint64{951782400007} << "2000-02-29T00:00:00.007Z";
        QTest::newRow("last second of a year")
            << qint64{1735689599500} << "2024-12-31T23:59:59.500Z";
    }
    void timestamps() {
        QFETCH(qint64, ms);
        QFETCH(QString, text);
        const cli::WallClock::time_point time{std::chrono::milliseconds(ms)};
        QCOMPARE(QString::fromStdString(cli::Timestamp(time)), text);
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
