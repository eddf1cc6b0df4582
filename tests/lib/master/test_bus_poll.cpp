#include <map>

#include <QtTest>

#include "codec/crc16.h"
#include "manual_clock.h"
#include "master/back_off.h"
#include "master/bus_poll.h"
#include "memory_port.h"

// Polling several modules on one line, in memory with time moved by hand:
// the rounds, the gap kept between an answer and the next request, and the
// back-off of a module that stopped answering.
namespace {

// How a module on the memory line behaves.
struct Module {
    double delayMs = 5; // from the request to its whole answer
    bool silent = false;
    int answersAs = 0; // 0: its own address
    std::optional<long long> silentFromRound;
    std::optional<long long> answersAgainFromRound;
};

// A register read answer from `address` holding `address` × 100.
QByteArray Answer(int address) {
    std::vector<std::uint8_t> frame{static_cast<std::uint8_t>(address), 0x03, 0x02,
                                    static_cast<std::uint8_t>(address * 100 >> 8),
                                    static_cast<std::uint8_t>(address * 100 & 0xFF)};
    const std::uint16_t crc = codec::Crc16Value(frame);
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return QByteArray(reinterpret_cast<const char*>(frame.data()),
                      static_cast<qsizetype>(frame.size()));
}

// A line at 19200 baud with modules on it, polled for `ms`. The log has
// "tx A@T" for each request to address A written at T ms (with `times`),
// "A outcome" for each turn ("3 ok", "5 timeout", "5 skipped"; "5 timeout
// off" once the module is backed off), "late N"
// for a round that started late after N skipped, and "end" when the plan
// is done.
struct Bus {
    ManualClock clock;
    MemoryPort port;
    master::FrameTrace trace{false};
    master::SerialLine line{port, clock, trace};
    master::Exchanger exchanger{line, trace, 0};
    std::map<int, Module> modules;
    std::unique_ptr<master::Timer> answerTimer = clock.newTimer();
    QByteArray pending;
    long long round = 0;
    QStringList log;
    bool times = true;

    Bus() {
        port.open("memory", 19200);
        port.onWrite = [this](std::span<const std::uint8_t> frame) {
            const int address = frame[0];
            if (times) {
                log << QStringLiteral("tx %1@%2").arg(address).arg(clock.nowMs());
            }
            const auto found = modules.find(address);
            if (found == modules.end()) {
                return;
            }
            const Module& module = found->second;
            const bool silent =
                module.silent ||
                (module.silentFromRound && round >= *module.silentFromRound &&
                 !(module.answersAgainFromRound && round >= *module.answersAgainFromRound));
            if (silent) {
                return;
            }
            pending = Answer(module.answersAs != 0 ? module.answersAs : address);
            answerTimer->start(static_cast<int>(module.delayMs));
        };
        QObject::connect(answerTimer.get(), &master::Timer::fired,
                         [this] { port.arrive(std::exchange(pending, {})); });
    }

    QString run(master::BusPollPlan plan, double ms) {
        master::BusPoll poll(exchanger, clock, std::move(plan));
        poll.onTurn = [this](const master::Turn& turn) {
            round = turn.round;
            log << QStringLiteral("%1 %2")
                           .arg(turn.address)
                           .arg(turn.exchange
                                    ? QString::fromUtf8(master::OutcomeName(
                                                            turn.exchange->attempt.verdict.outcome)
                                                            .data())
                                    : QStringLiteral("skipped")) +
                       (turn.exchange && !turn.answering ? QStringLiteral(" off") : QString());
        };
        poll.onLate = [this](long long skipped) { log << QStringLiteral("late %1").arg(skipped); };
        poll.onFinished = [this] { log << "end"; };
        poll.start();
        clock.advance(ms);
        return log.join(", ");
    }
};

master::BusPollPlan Plan(std::vector<int> addresses, int intervalMs,
                         std::optional<long long> rounds = std::nullopt) {
    master::BusPollPlan plan;
    plan.addresses = std::move(addresses);
    plan.intervalMs = intervalMs;
    plan.rounds = rounds;
    plan.timeoutMs = 20;
    return plan;
}

} // namespace

class TestBusPoll : public QObject {
    Q_OBJECT
private slots:
    // Every how many rounds a module is asked, after each outcome of a
    // script: "t" a time-out, "a" an answer.
    void backOff_data() {
        QTest::addColumn<QString>("outcomes");
        QTest::addColumn<QString>("periods");
        QTest::newRow("answers") << "aaa"
                                 << "1 1 1";
        QTest::newRow("two misses are no back-off") << "tta"
                                                    << "1 1 1";
        QTest::newRow("three misses: every 2nd round") << "ttt"
                                                       << "1 1 2";
        QTest::newRow("doubling up to every 32nd") << "tttttttt"
                                                   << "1 1 2 4 8 16 32 32";
        QTest::newRow("an answer brings it back") << "tttta"
                                                  << "1 1 2 4 1";
        QTest::newRow("the count starts over") << "tttatt"
                                               << "1 1 2 1 1 1";
    }
    void backOff() {
        QFETCH(QString, outcomes);
        QFETCH(QString, periods);
        master::BackOff backOff;
        QStringList got;
        long long round = 0;
        for (const QChar outcome : outcomes) {
            // Asked on the first round it is due.
            while (!backOff.due(round)) {
                ++round;
            }
            backOff.record(round, outcome == 't');
            got << QString::number(backOff.period());
        }
        QCOMPARE(got.join(' '), periods);
    }

    void rounds_data() {
        QTest::addColumn<QString>("modules"); // address[:silent|:as=N|:delay=MS], space-separated
        QTest::addColumn<QString>("addresses");
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<int>("rounds"); // 0: until stopped
        QTest::addColumn<double>("ms");
        QTest::addColumn<bool>("times");
        QTest::addColumn<QString>("log");
        // 2.005 ms at 19200 baud, rounded up by the timer to 3 ms after an
        // answer that ends as its callback asks for the next request.
        QTest::newRow("each address in order, the gap kept between them")
            << "1 2 3"
            << "1,2,3" << 100 << 1 << 200.0 << true
            << "tx 1@0, 1 ok, tx 2@8, 2 ok, tx 3@16, 3 ok, end";
        QTest::newRow("the next round on its time")
            << "1 2"
            << "1,2" << 50 << 2 << 200.0 << true
            << "tx 1@0, 1 ok, tx 2@8, 2 ok, tx 1@50, 1 ok, tx 2@58, 2 ok, end";
        QTest::newRow("after a time-out the line is quiet for as long")
            << "2"
            << "1,2" << 500 << 1 << 500.0 << true << "tx 1@0, 1 timeout, tx 2@40, 2 ok, end";
        QTest::newRow("a round longer than the interval makes the next late")
            << "1 2"
            << "1,2" << 10 << 3 << 200.0 << true
            << "tx 1@0, 1 ok, tx 2@8, 2 ok, late 0, tx 1@16, 1 ok, tx 2@24, 2 ok, late 0, tx "
               "1@32, 1 ok, tx 2@40, 2 ok, end";
        QTest::newRow("rounds whose time passed meanwhile are skipped")
            << "2"
            << "1,2" << 10 << 2 << 200.0 << true
            << "tx 1@0, 1 timeout, tx 2@40, 2 ok, late 3, tx 1@48, 1 timeout, tx 2@88, 2 ok, end";
        QTest::newRow("an answer from another address is not credited")
            << "1 2:as=3"
            << "1,2" << 100 << 1 << 100.0 << false << "1 ok, 2 wrong-address, end";
        QTest::newRow("an absent module among present ones")
            << "1 3"
            << "1,2,3" << 100 << 2 << 300.0 << false
            << "1 ok, 2 timeout, 3 ok, 1 ok, 2 timeout, 3 ok, end";
        QTest::newRow("a lone dead module is asked every round")
            << ""
            << "4" << 50 << 5 << 500.0 << false
            << "4 timeout, 4 timeout, 4 timeout off, 4 timeout off, 4 timeout off, end";
        // Rounds 0-2 miss (every 2nd from then), 4 misses (every 4th), 8
        // misses (every 8th); the others are asked every round meanwhile.
        QTest::newRow("a dead module backs off, the others keep asking")
            << "1 3"
            << "1,2,3" << 100 << 10 << 1100.0 << false
            << "1 ok, 2 timeout, 3 ok, 1 ok, 2 timeout, 3 ok, 1 ok, 2 timeout off, 3 ok, "
               "1 ok, 2 skipped, 3 ok, 1 ok, 2 timeout off, 3 ok, 1 ok, 2 skipped, 3 ok, "
               "1 ok, 2 skipped, 3 ok, 1 ok, 2 skipped, 3 ok, 1 ok, 2 timeout off, 3 ok, "
               "1 ok, 2 skipped, 3 ok, end";
        QTest::newRow("a module that answers again rejoins every round")
            << "1 2:back=4"
            << "1,2" << 100 << 7 << 800.0 << false
            << "1 ok, 2 timeout, 1 ok, 2 timeout, 1 ok, 2 timeout off, 1 ok, 2 skipped, "
               "1 ok, 2 ok, 1 ok, 2 ok, 1 ok, 2 ok, end";
        QTest::newRow("until stopped: as many rounds as the time holds")
            << "1"
            << "1" << 100 << 0 << 350.0 << false << "1 ok, 1 ok, 1 ok, 1 ok";
    }
    void rounds() {
        QFETCH(QString, modules);
        QFETCH(QString, addresses);
        QFETCH(int, intervalMs);
        QFETCH(int, rounds);
        QFETCH(double, ms);
        QFETCH(bool, times);
        QFETCH(QString, log);
        Bus bus;
        bus.times = times;
        for (const QString& text : modules.split(' ', Qt::SkipEmptyParts)) {
            const QStringList parts = text.split(':');
            Module module;
            for (const QString& part : parts.mid(1)) {
                if (part.startsWith("as=")) {
                    module.answersAs = part.mid(3).toInt();
                } else if (part.startsWith("back=")) {
                    module.silentFromRound = 0;
                    module.answersAgainFromRound = part.mid(5).toLongLong();
                }
            }
            bus.modules[parts[0].toInt()] = module;
        }
        std::vector<int> list;
        for (const QString& address : addresses.split(',')) {
            list.push_back(address.toInt());
        }
        QCOMPARE(bus.run(Plan(list, intervalMs,
                              rounds > 0 ? std::optional<long long>(rounds) : std::nullopt),
                         ms),
                 log);
    }

    // --gap: the quiet after an answer is the one asked when it is longer
    // than the line's own, and the line's own when it is not.
    void gapAsked_data() {
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<QString>("log");
        QTest::newRow("30 ms") << 30 << "tx 1@0, 1 ok, tx 2@35, 2 ok, end";
        QTest::newRow("below the line's own") << 1 << "tx 1@0, 1 ok, tx 2@8, 2 ok, end";
    }
    void gapAsked() {
        QFETCH(int, gapMs);
        QFETCH(QString, log);
        Bus bus;
        bus.modules[1] = Module{};
        bus.modules[2] = Module{};
        bus.line.setGap(std::chrono::milliseconds(gapMs));
        QCOMPARE(bus.run(Plan({1, 2}, 1000, 1), 200), log);
    }

    // The line's own gap follows its rate: 3.5 characters of 11 bits.
    void gapFollowsTheRate_data() {
        QTest::addColumn<int>("baud");
        QTest::addColumn<qint64>("ns");
        QTest::newRow("19200") << 19200 << qint64{2'005'208};
        QTest::newRow("9600") << 9600 << qint64{4'010'416};
        QTest::newRow("4800") << 4800 << qint64{8'020'833};
    }
    void gapFollowsTheRate() {
        QFETCH(int, baud);
        QFETCH(qint64, ns);
        Bus bus;
        bus.port.setBaud(baud);
        QCOMPARE(static_cast<qint64>(bus.line.gap().count()), ns);
    }
};

QTEST_GUILESS_MAIN(TestBusPoll)
#include "test_bus_poll.moc"
