#include <chrono>
#include <cstdlib>

#include <QtTest>

#include "sim/drift.h"
#include "sim/faults.h"
#include "sim/read_noise.h"
#include "sim/transmitter.h"
#include "sim_test_util.h"

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(sim::FaultSet)

namespace {
const auto kRead = Bytes("01 03 00 00 00 01 84 0A");

sim::ModuleState Module() {
    sim::ModuleState state;
    state.humidity = 4550;
    return state;
}

sim::FaultSet Faults(void (*set)(sim::FaultSet&)) {
    sim::FaultSet faults;
    set(faults);
    return faults;
}
} // namespace

class TestSimFaults : public QObject {
    Q_OBJECT
private slots:
    void responseFaults_data() {
        QTest::addColumn<sim::FaultSet>("faults");
        QTest::addColumn<QString>("sent");
        QTest::newRow("none") << sim::FaultSet{} << "01 03 02 11 C6 34 46";
        QTest::newRow("silent") << Faults([](sim::FaultSet& f) { f.silent = true; }) << "";
        QTest::newRow("exception")
            << Faults([](sim::FaultSet& f) { f.exception = true; }) << "01 83 04 40 F3";
        QTest::newRow("short") << Faults([](sim::FaultSet& f) { f.shortFrame = true; })
                               << "01 03 02 11 C6 34";
        QTest::newRow("double") << Faults([](sim::FaultSet& f) { f.doubled = true; })
                                << "01 03 02 11 C6 34 46 01 03 02 11 C6 34 46";
        QTest::newRow("short and double") << Faults([](sim::FaultSet& f) {
            f.shortFrame = true;
            f.doubled = true;
        }) << "01 03 02 11 C6 34 01 03 02 11 C6 34";
    }
    void responseFaults() {
        QFETCH(sim::FaultSet, faults);
        QFETCH(QString, sent);
        sim::ModuleState state = Module();
        sim::FaultyModule module(faults, 1);
        QCOMPARE(Hex(module.Answer(state, kRead)), sent);
    }

    void exceptionLeavesStateAlone() {
        sim::ModuleState state = Module();
        sim::FaultyModule module(Faults([](sim::FaultSet& f) { f.exception = true; }), 1);
        QCOMPARE(Hex(module.Answer(state, Bytes("01 06 0B 00 00 02 0A 2F"))),
                 QString("01 86 04 43 A3"));
        QCOMPARE(int{state.address}, 1);
    }

    void badCrcShare_data() {
        QTest::addColumn<double>("share");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::newRow("never") << 0.0 << 0 << 0;
        QTest::newRow("always") << 1.0 << 1000 << 1000;
        QTest::newRow("a quarter") << 0.25 << 180 << 320;
    }
    void badCrcShare() {
        QFETCH(double, share);
        QFETCH(int, low);
        QFETCH(int, high);
        sim::FaultSet faults;
        faults.badCrcShare = share;
        sim::FaultyModule first(faults, 42);
        sim::FaultyModule second(faults, 42);
        sim::ModuleState state = Module();
        int bad = 0;
        for (int i = 0; i < 1000; ++i) {
            const auto response = first.Answer(state, kRead);
            QCOMPARE(Hex(second.Answer(state, kRead)), Hex(response)); // same seed, same run
            QCOMPARE(Hex(std::span(response).first(5)), QString("01 03 02 11 C6"));
            bad += codec::CrcMatches(response) ? 0 : 1;
        }
        QVERIFY2(bad >= low && bad <= high, qPrintable(QString::number(bad)));
    }

    void garbageKeepsItsRate() {
        const auto start = sim::GarbageSource::Clock::time_point{};
        sim::GarbageSource garbage(1000, 7, start);
        std::size_t total = 0;
        for (int ms = 1; ms <= 20000; ++ms) {
            total += garbage.Take(start + std::chrono::milliseconds(ms), 4096).size();
        }
        // 20000 expected; a Poisson count has a spread of about 141.
        QVERIFY2(total >= 19500 && total <= 20500, qPrintable(QString::number(total)));
        // Nothing sent for a long while: only a short burst (0.1 s, ~100 bytes) is made up.
        const std::size_t burst = garbage.Take(start + 80s, 1'000'000).size();
        QVERIFY2(burst >= 50 && burst <= 160, qPrintable(QString::number(burst)));
    }

    // A master polling every 50 ms must meet the noise at every phase of its
    // cycle: noise in step with the polls would spoil all of them or none.
    void garbageDoesNotKeepStepWithPolls() {
        const auto start = sim::GarbageSource::Clock::time_point{};
        sim::GarbageSource garbage(200, 11, start);
        constexpr int kCycles = 4000;
        int clean = 0; // cycles whose first 6 ms brought no noise
        for (int cycle = 0; cycle < kCycles; ++cycle) {
            bool noisy = false;
            for (int ms = 1; ms <= 50; ++ms) {
                const auto now = start + std::chrono::milliseconds(cycle * 50 + ms);
                const bool arrived = !garbage.Take(now, 4096).empty();
                noisy = noisy || (arrived && ms <= 6);
            }
            clean += noisy ? 0 : 1;
        }
        // Independent noise at 200 a second leaves e^-1.2 = 30% of the windows clean.
        QVERIFY2(clean > kCycles / 5 && clean < kCycles * 2 / 5,
                 qPrintable(QString::number(clean)));
    }

    void pacing_data() {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<int>("atUs");
        QTest::addColumn<int>("due");
        // A 7-byte response at 9600 baud takes 7.29 ms: 1.04 ms a byte.
        QTest::newRow("unpaced") << 0 << 0 << 0 << 0 << 7;
        QTest::newRow("9600: first byte still on the line") << 9600 << 0 << 0 << 1000 << 0;
        QTest::newRow("9600: six bytes out") << 9600 << 0 << 0 << 7000 << 6;
        QTest::newRow("9600: all out") << 9600 << 0 << 0 << 7300 << 7;
        QTest::newRow("turnaround pending") << 9600 << 10 << 0 << 10000 << 0;
        QTest::newRow("turnaround then five bytes") << 9600 << 10 << 0 << 16000 << 5;
        QTest::newRow("turnaround unpaced") << 0 << 10 << 0 << 10000 << 7;
        QTest::newRow("split: first byte at once") << 0 << 0 << 5 << 0 << 1;
        QTest::newRow("split: two bytes") << 0 << 0 << 5 << 9000 << 2;
        QTest::newRow("split: all") << 0 << 0 << 5 << 30000 << 7;
    }
    void pacing() {
        QFETCH(int, baud);
        QFETCH(int, delayMs);
        QFETCH(int, gapMs);
        QFETCH(int, atUs);
        QFETCH(int, due);
        sim::Transmitter::Pacing pacing;
        pacing.baud = baud;
        pacing.turnaround = std::chrono::milliseconds(delayMs);
        pacing.gap = std::chrono::milliseconds(gapMs);
        sim::Transmitter transmitter(pacing);
        const auto now = sim::Transmitter::Clock::time_point{} + 1h;
        transmitter.Queue(Bytes("012502000172CC"), now);
        QCOMPARE(int(transmitter.Due(now + std::chrono::microseconds(atUs)).size()), due);
    }

    void driftStaysPlausible() {
        sim::ModuleState state = Module();
        state.temperature = -1000;
        const auto start = sim::Drift::Clock::time_point{};
        sim::Drift drift(state, 3, start);
        bool humidityMoved = false;
        bool temperatureMoved = false;
        for (int second = 1; second <= 3600; ++second) {
            const sim::ModuleState before = state;
            drift.Advance(state, start + std::chrono::seconds(second));
            // Four steps a second, at most 0.02 %RH and 0.01 degrees each.
            QVERIFY(std::abs(state.humidity - before.humidity) <= 8);
            QVERIFY(std::abs(state.temperature - before.temperature) <= 4);
            QVERIFY(std::abs(state.humidity - 4550) <= sim::Drift::kHumidityRange);
            QVERIFY(std::abs(state.temperature + 1000) <= sim::Drift::kTemperatureRange);
            humidityMoved |= state.humidity != 4550;
            temperatureMoved |= state.temperature != -1000;
        }
        QVERIFY(humidityMoved);
        QVERIFY(temperatureMoved);
    }

    // Each answer reads a new value within the amplitude, also at the limits
    // of the range, where the clamped readings leave fewer values to choose.
    void noiseChangesEveryAnswer_data() {
        QTest::addColumn<int>("amplitude");
        QTest::addColumn<int>("humidity");
        QTest::addColumn<int>("temperature");
        QTest::addColumn<int>("values"); // distinct readings of each register
        QTest::newRow("mid-range") << 5 << 4550 << 2300 << 11;
        QTest::newRow("one hundredth") << 1 << 4550 << -1000 << 3;
        QTest::newRow("at the lower limits") << 3 << sim::kHumidityMin << sim::kTemperatureMin << 4;
        QTest::newRow("at the upper limits") << 3 << sim::kHumidityMax << sim::kTemperatureMax << 4;
    }
    void noiseChangesEveryAnswer() {
        QFETCH(int, amplitude);
        QFETCH(int, humidity);
        QFETCH(int, temperature);
        QFETCH(int, values);
        sim::ModuleState state = Module();
        state.humidity = humidity;
        state.temperature = temperature;
        sim::ReadNoise noise(amplitude, 7);
        std::array<int, 2> last{-1, -1};
        std::array<QSet<int>, 2> seen;
        for (int answer = 0; answer < 500; ++answer) {
            noise.Draw(state);
            for (int reg = 0; reg < 2; ++reg) {
                const int value = static_cast<std::int16_t>(sim::RegisterValue(state, reg));
                QVERIFY(value != last[reg]);
                QVERIFY(std::abs(value - (reg == 0 ? humidity : temperature)) <= amplitude);
                last[reg] = value;
                seen[reg].insert(value);
            }
        }
        // Every value within reach comes up, not merely two taking turns.
        QCOMPARE(seen[0].size(), values);
        QCOMPARE(seen[1].size(), values);
    }
};

QTEST_APPLESS_MAIN(TestSimFaults)
#include "test_sim_faults.moc"
