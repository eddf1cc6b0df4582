#include <QtTest>

#include "bytes_util.h"
#include "manual_clock.h"
#include "master/exchanger.h"
#include "master/requests.h"
#include "memory_port.h"

// The master's exchanges on a port in memory, with time moved by hand: a
// script of what happens on the line, and what the master wrote and judged.
namespace {

constexpr int kTimeoutMs = 100;
constexpr int kAddress = 1;
const char* const kAnswer = "01 03 02 11 C6 34 46";

// Runs `script`, steps separated by ";":
//   send        a one-register read of address 1, time-out 100 ms
//   +N          N ms pass
//   +N HEX      N ms pass, then these bytes arrive
//   lost        the device vanishes
// The log has "tx@T" for each request written at T ms, the outcome of each
// exchange ("ok 7 in 12", "timeout", with "late N" and "tries N" when they
// apply), and "lost" when the line reports the loss.
QString Run(const QString& script, int retries) {
    ManualClock clock;
    MemoryPort port;
    const master::FrameTrace trace(false);
    master::SerialLine line(port, clock, trace);
    master::Exchanger exchanger(line, trace, retries);
    QStringList log;
    port.onWrite = [&](std::span<const std::uint8_t>) {
        log << QStringLiteral("tx@%1").arg(clock.nowMs());
    };
    QObject::connect(&line, &master::SerialLine::lost, [&] { log << "lost"; });
    port.open("memory", 9600);
    for (const QString& rawStep : script.split(';')) {
        const QString step = rawStep.trimmed();
        if (step == "send") {
            exchanger.exchange(master::ReadRequest(kAddress, 1).bytes,
                               master::RegisterReadExpectation(kAddress, 1), kTimeoutMs,
                               [&](const master::Exchange& done) {
                                   const master::Attempt& attempt = done.attempt;
                                   QString text = QString::fromUtf8(
                                       master::OutcomeName(attempt.verdict.outcome).data());
                                   if (attempt.verdict.length > 0) {
                                       text += QStringLiteral(" %1").arg(attempt.verdict.length);
                                   }
                                   if (attempt.responseMs) {
                                       text += QStringLiteral(" in %1").arg(*attempt.responseMs);
                                   }
                                   if (attempt.lateBytesBefore > 0) {
                                       text +=
                                           QStringLiteral(" late %1").arg(attempt.lateBytesBefore);
                                   }
                                   if (done.attempts > 1) {
                                       text += QStringLiteral(" tries %1").arg(done.attempts);
                                   }
                                   log << text;
                               });
        } else if (step == "lost") {
            port.unplug();
        } else if (step.startsWith('+')) {
            const qsizetype space = step.indexOf(' ');
            clock.advance(step.mid(1, space < 0 ? -1 : space - 1).toDouble());
            if (space > 0) {
                const std::vector<std::uint8_t> bytes = Bytes(step.mid(space + 1));
                port.arrive(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                       static_cast<qsizetype>(bytes.size())));
            }
        } else {
            qFatal("bad step %s", qPrintable(step));
        }
    }
    return log.join(", ");
}

} // namespace

class TestExchanges : public QObject {
    Q_OBJECT
private slots:
    void exchanges_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("retries");
        QTest::addColumn<QString>("log");
        const QString answer(kAnswer);
        QTest::newRow("whole answer") << "send; +12 " + answer << 0 << "tx@0, ok 7 in 12";
        QTest::newRow("answer in pieces, timed to its last byte")
            << "send; +3 01 03; +2 02 11; +4 C6 34 46" << 0 << "tx@0, ok 7 in 9";
        QTest::newRow("two answers in one block: the first counts")
            << "send; +5 " + answer + " " + answer << 0 << "tx@0, ok 7 in 5";
        QTest::newRow("nothing") << "send; +100" << 0 << "tx@0, timeout";
        QTest::newRow("nothing just before the time-out") << "send; +99.9" << 0 << "tx@0";
        // Too few bytes to wake the master: they are fetched at the time-out.
        QTest::newRow("short at the time-out")
            << "send; +5 01 03 02; +100" << 0 << "tx@0, short 3 in 100";
        QTest::newRow("short, woken before the time-out")
            << "send; +5 01 03 02 11 C6; +100" << 0 << "tx@0, short 5 in 5";
        QTest::newRow("bad CRC") << "send; +5 01 03 02 11 C6 34 47" << 0 << "tx@0, crc 7 in 5";
        QTest::newRow("another address")
            << "send; +5 02 03 02 11 C6 70 46" << 0 << "tx@0, wrong-address 7 in 5";
        QTest::newRow("exception, not retried")
            << "send; +4 01 83 02 C0 F1" << 2 << "tx@0, exception 5 in 4";
        QTest::newRow("retried after time-outs, each one guarded")
            << "send; +100; +100; +100; +100; +100" << 2 << "tx@0, tx@200, tx@400, timeout tries 3";
        QTest::newRow("retry answered")
            << "send; +100; +100; +7 " + answer << 1 << "tx@0, tx@200, ok 7 in 7 tries 2";
        // A module slower than the time-out: its answer comes while the next
        // request waits, is dropped and counted, and the line must then be
        // quiet for a whole time-out before the next request goes out.
        QTest::newRow("late answer dropped, next request waits for quiet")
            << "send; +100; send; +50 " + answer + "; +99; +1; +8 " + answer << 0
            << "tx@0, timeout, tx@250, ok 7 in 8 late 7";
        QTest::newRow("late answer in pieces keeps the line busy")
            << "send; +100; send; +90 01 03; +90 02 11 C6 34 46; +100" << 0
            << "tx@0, timeout, tx@380";
        QTest::newRow("quiet after a time-out: next request after one time-out")
            << "send; +100; send; +100" << 0 << "tx@0, timeout, tx@200";
        // The gap at 9600 baud, 4.01 ms after the answer's end, rounded up.
        QTest::newRow("bytes after a sound answer are no late answer; the gap is kept")
            << "send; +5 " + answer + "; +1 00 00; send; +6 " + answer << 0
            << "tx@0, ok 7 in 5, tx@10, ok 7 in 2";
        QTest::newRow("a request long after the answer goes at once")
            << "send; +5 " + answer + "; +20; send; +6 " + answer << 0
            << "tx@0, ok 7 in 5, tx@25, ok 7 in 6";
        QTest::newRow("lost mid-exchange: no outcome, nothing sent after")
            << "send; +5 01 03; lost; +200; send; +200" << 1 << "tx@0, lost";
    }
    void exchanges() {
        QFETCH(QString, script);
        QFETCH(int, retries);
        QFETCH(QString, log);
        QCOMPARE(Run(script, retries), log);
    }

    // The port wakes the master once an answer of known length is whole, not
    // for every byte.
    void wakesForTheWholeAnswer() {
        ManualClock clock;
        MemoryPort port;
        const master::FrameTrace trace(false);
        master::SerialLine line(port, clock, trace);
        port.open("memory", 9600);
        line.send(master::ReadRequest(kAddress, 2).bytes,
                  master::RegisterReadExpectation(kAddress, 2), kTimeoutMs,
                  [](const master::Attempt&) {});
        QCOMPARE(port.wakeAfterCount(), std::size_t{5}); // an exception is the shortest answer
        port.arrive(QByteArray::fromHex("0103"));
        QCOMPARE(port.wakeAfterCount(), std::size_t{5}); // too few to wake the master
        port.arrive(QByteArray::fromHex("040000"));
        QCOMPARE(port.wakeAfterCount(), std::size_t{4}); // 9 bytes in all
        clock.advance(kTimeoutMs);
        QCOMPARE(port.wakeAfterCount(), std::size_t{1}); // late bytes must be seen at once
    }

    // An address read that hears every answer: it lasts its whole time-out,
    // and what comes after a whole answer is kept beyond it.
    void untilTheTimeout_data() {
        QTest::addColumn<QStringList>("arrivals"); // "MS HEX", each after the one before
        QTest::addColumn<QString>("outcome");
        const QString answer = "01 25 02 00 01 72 CC";
        QTest::newRow("one answer") << QStringList{"5 " + answer} << "ok 7 of 7 in 5 at 100";
        QTest::newRow("a second answer after it")
            << QStringList{"5 " + answer, "20 03 25 02 00 03"} << "ok 7 of 12 in 5 at 100";
        QTest::newRow("both in one block")
            << QStringList{"5 " + answer + " 03 25"} << "ok 7 of 9 in 5 at 100";
        QTest::newRow("garbled, and more after")
            << QStringList{"5 01 25 02 00 01 00 00", "3 FF"} << "crc 7 of 8 in 5 at 100";
        QTest::newRow("nothing") << QStringList{} << "timeout 0 of 0 in - at 100";
    }
    void untilTheTimeout() {
        QFETCH(QStringList, arrivals);
        QFETCH(QString, outcome);
        ManualClock clock;
        MemoryPort port;
        const master::FrameTrace trace(false);
        master::SerialLine line(port, clock, trace);
        port.open("memory", 9600);
        master::Expectation expected = master::AddressReadExpectation();
        expected.untilTimeout = true;
        QString result;
        line.send(Bytes("FA 25 02 00 00 01 99 FE"), expected, kTimeoutMs,
                  [&](const master::Attempt& attempt) {
                      result = QStringLiteral("%1 %2 of %3 in %4 at %5")
                                   .arg(master::OutcomeName(attempt.verdict.outcome).data())
                                   .arg(attempt.verdict.length)
                                   .arg(attempt.received.size())
                                   .arg(attempt.responseMs ? QString::number(*attempt.responseMs)
                                                           : QStringLiteral("-"))
                                   .arg(clock.nowMs());
                  });
        for (const QString& arrival : arrivals) {
            clock.advance(arrival.section(' ', 0, 0).toDouble());
            port.arrive(Raw(arrival.section(' ', 1).toLatin1().constData()));
            QCOMPARE(result, QString()); // still listening
        }
        clock.advance(kTimeoutMs);
        QCOMPARE(result, outcome);
    }
};

QTEST_GUILESS_MAIN(TestExchanges)
#include "test_exchanges.moc"
