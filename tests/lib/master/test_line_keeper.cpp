#include <QtTest>

#include "bytes_util.h"
#include "manual_clock.h"
#include "master/line_keeper.h"
#include "master/requests.h"
#include "memory_port.h"

// A line kept through outages of its port, in memory, with time moved by
// hand: what the keeper sent, told and ended while the device was away.
namespace {

constexpr int kTimeoutMs = 100;
constexpr int kRetryMs = 1000;
const char* const kAnswer = "01 03 02 11 C6 34 46";

// Runs `script`, steps separated by ";":
//   send        a one-register read of address 1 through the keeper
//   +N          N ms pass
//   +N HEX      N ms pass, then these bytes arrive
//   lost        the device vanishes
//   away        from now on it cannot be opened
//   back        from now on it can
//   absent      the device was missing at the start (the first step only)
// The log has "tx@T" for each request written, "open@T" for each try to open
// the device (with its path and rate), "down: REASON" and "up after MS", and
// each exchange's outcome, "lost" with "sent" when its request had gone out,
// and "@T" with the time of the exchange.
QString Run(const QString& script, int retries = 0) {
    ManualClock clock;
    MemoryPort port;
    const master::FrameTrace trace(false);
    master::SerialLine line(port, clock, trace);
    master::LineKeeper keeper(line, clock, trace, retries);
    QStringList log;
    port.onWrite = [&](std::span<const std::uint8_t>) {
        log << QStringLiteral("tx@%1").arg(clock.nowMs());
    };
    if (!script.startsWith("absent")) {
        port.open("by-id/adapter", 19200);
    }
    port.onOpen = [&](const QString& device, int baud) {
        log << QStringLiteral("open@%1 %2 %3").arg(clock.nowMs()).arg(device).arg(baud);
    };
    keeper.keep("by-id/adapter", 19200, kRetryMs);
    QObject::connect(&keeper, &master::LineKeeper::down,
                     [&](const QString& reason) { log << "down: " + reason; });
    QObject::connect(&keeper, &master::LineKeeper::up,
                     [&](double ms) { log << QStringLiteral("up after %1").arg(ms); });
    const auto origin = clock.wallNow();
    for (const QString& rawStep : script.split(';')) {
        const QString step = rawStep.trimmed();
        if (step == "send") {
            keeper.exchange(master::ReadRequest(1, 1).bytes, master::RegisterReadExpectation(1, 1),
                            kTimeoutMs, [&](const master::Exchange& done) {
                                const auto at = std::chrono::duration<double, std::milli>(
                                    done.attempt.sentAt - origin);
                                QString text = QString::fromUtf8(
                                    master::OutcomeName(done.attempt.verdict.outcome).data());
                                if (done.attempt.verdict.outcome == master::Outcome::Lost &&
                                    done.attempts > 0) {
                                    text += " sent";
                                }
                                log << text + QStringLiteral(" @%1").arg(at.count());
                            });
        } else if (step == "lost") {
            port.unplug();
        } else if (step == "away") {
            port.refusal = QStringLiteral("missing");
        } else if (step == "absent") {
            port.refusal = QStringLiteral("missing");
            keeper.startAway(QStringLiteral("missing at the start"));
        } else if (step == "back") {
            port.refusal.clear();
        } else if (step.startsWith('+')) {
            const qsizetype space = step.indexOf(' ');
            clock.advance(step.mid(1, space < 0 ? -1 : space - 1).toDouble());
            if (space > 0) {
                port.arrive(Raw(step.mid(space + 1).toLatin1().constData()));
            }
        } else {
            qFatal("bad step %s", qPrintable(step));
        }
    }
    return log.join(", ");
}

} // namespace

class TestLineKeeper : public QObject {
    Q_OBJECT
private slots:
    void outages_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("retries");
        QTest::addColumn<QString>("log");
        const QString answer(kAnswer);
        QTest::newRow("a sound line is left alone")
            << "send; +5 " + answer + "; +95; send; +5 " + answer << 0
            << "tx@0, ok @0, tx@100, ok @100";
        // The request went out; its answer can no longer come.
        QTest::newRow("lost mid-exchange: the exchange ends as lost")
            << "send; +5 01 03; lost" << 0 << "tx@0, down: unplugged, lost sent @0";
        QTest::newRow("lost between a time-out and its retry")
            << "send; +100; +50; lost" << 2 << "tx@0, down: unplugged, lost sent @0";
        // Nothing is written while the device is away; each turn still ends.
        QTest::newRow("turns while away end at once, unsent")
            << "away; lost; send; +0; +300; send; +0" << 0 << "down: unplugged, lost @0, lost @300";
        QTest::newRow("reopened every second until back, then polled again")
            << "away; lost; +3500; back; +500; send; +5 " + answer << 0
            << "down: unplugged, open@1000 by-id/adapter 19200, open@2000 by-id/adapter 19200, "
               "open@3000 by-id/adapter 19200, open@4000 by-id/adapter 19200, up after 4000, "
               "tx@4000, ok @4000";
        QTest::newRow("back at the first try")
            << "lost; +1000; send; +5 " + answer << 0
            << "down: unplugged, open@1000 by-id/adapter 19200, up after 1000, tx@1000, ok @1000";
        // One message per outage, not one per try; a new outage is told again.
        QTest::newRow("two outages, two messages")
            << "lost; +1000; +500; lost; +1000" << 0
            << "down: unplugged, open@1000 by-id/adapter 19200, up after 1000, down: unplugged, "
               "open@2500 by-id/adapter 19200, up after 1000";
        // Told once, from the event loop; polled as soon as it is there.
        QTest::newRow("missing at the start: kept as through an outage")
            << "absent; send; +0; +1500; back; +500; send; +5 " + answer << 0
            << "down: missing at the start, lost @0, open@1000 by-id/adapter 19200, "
               "open@2000 by-id/adapter 19200, up after 2000, tx@2000, ok @2000";
        QTest::newRow("a turn asked just as the port went")
            << "send; lost; +0" << 0 << "tx@0, down: unplugged, lost sent @0";
    }
    void outages() {
        QFETCH(QString, script);
        QFETCH(int, retries);
        QFETCH(QString, log);
        QCOMPARE(Run(script, retries), log);
    }
};

QTEST_GUILESS_MAIN(TestLineKeeper)
#include "test_line_keeper.moc"
