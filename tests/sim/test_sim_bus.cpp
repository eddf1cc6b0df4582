#include <QtTest>

#include "codec/frames.h"
#include "sim/bus.h"
#include "sim_test_util.h"

Q_DECLARE_METATYPE(sim::Options)

namespace {
using Clock = sim::Bus::Clock;
const Clock::time_point kStart{};

// A bus of fixed readings at the addresses given, 45.00 %RH and 23.00 degrees
// for the first module unless `options` says otherwise.
sim::Options Bus(std::vector<std::uint8_t> addresses, sim::Options options = {}) {
    options.addresses = std::move(addresses);
    options.drift = false;
    options.seed = 1;
    return options;
}

std::vector<std::uint8_t> ReadBoth(std::uint8_t address) {
    const codec::Frame frame = codec::RegisterRead(address, 3, 0, 2).bytes;
    return {frame.begin(), frame.end()};
}

std::vector<std::uint8_t> Frame(const codec::Request& request) {
    return {request.bytes.begin(), request.bytes.end()};
}

// "4500 2300" from a read of both registers; "" for silence, "collision"
// when more than one module answered.
QString Readings(sim::Bus& bus, std::uint8_t address) {
    const sim::Bus::Reply reply = bus.Answer(ReadBoth(address), kStart);
    if (reply.answers > 1) {
        return "collision";
    }
    if (reply.bytes.empty()) {
        return {};
    }
    if (reply.bytes.size() != 9 || reply.bytes[0] != address || !codec::CrcMatches(reply.bytes)) {
        return "not its answer: " + Hex(reply.bytes);
    }
    return QString("%1 %2")
        .arg(static_cast<std::int16_t>(codec::RegisterValue(reply.bytes, 0)))
        .arg(static_cast<std::int16_t>(codec::RegisterValue(reply.bytes, 1)));
}

sim::Options Humidity(int hundredths) {
    sim::Options options;
    options.humidity = hundredths;
    return options;
}
} // namespace

class TestSimBus : public QObject {
    Q_OBJECT
private slots:
    // Each module answers its own address only, with readings of its own.
    void readingsPerAddress_data() {
        QTest::addColumn<sim::Options>("options");
        QTest::addColumn<int>("address");
        QTest::addColumn<QString>("readings");
        const sim::Options eight = Bus({1, 2, 3, 4, 5, 6, 7, 8});
        QTest::newRow("one module") << Bus({17}) << 17 << "4500 2300";
        QTest::newRow("first of eight") << eight << 1 << "4500 2300";
        QTest::newRow("second of eight") << eight << 2 << "4600 2400";
        QTest::newRow("last of eight") << eight << 8 << "5200 3000";
        QTest::newRow("no module there") << eight << 9 << "";
        // The list's order, not the addresses' numbers, sets the readings.
        QTest::newRow("order given") << Bus({9, 3}) << 3 << "4600 2400";
        QTest::newRow("past the top of the range")
            << Bus({1, 2, 3}, Humidity(9900)) << 2 << "10000 2400";
        QTest::newRow("wrapped to the bottom") << Bus({1, 2, 3}, Humidity(9900)) << 3 << "100 2500";
    }
    void readingsPerAddress() {
        QFETCH(sim::Options, options);
        QFETCH(int, address);
        QFETCH(QString, readings);
        sim::Bus bus(options, kStart);
        QCOMPARE(Readings(bus, static_cast<std::uint8_t>(address)), readings);
    }

    // Readings stay apart on a bus of every address the module takes.
    void everyModuleDistinct() {
        std::vector<std::uint8_t> addresses;
        for (std::uint8_t address = 1; address <= codec::kHighestNewAddress; ++address) {
            addresses.push_back(address);
        }
        sim::Bus bus(Bus(addresses, Humidity(9000)), kStart);
        QSet<QString> seen;
        for (const std::uint8_t address : addresses) {
            const QString readings = Readings(bus, address);
            QVERIFY2(!readings.isEmpty() && !readings.startsWith("not"), qPrintable(readings));
            seen.insert(readings.section(' ', 0, 0));
        }
        QCOMPARE(seen.size(), int{codec::kHighestNewAddress});
    }

    // A fault given for some modules leaves the others alone: every module
    // drops its answers' last byte, and the fifth is silent besides.
    void faultForOneModule_data() {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("length");
        QTest::newRow("silent module") << 5 << 0;
        QTest::newRow("module before it") << 4 << 8;
        QTest::newRow("module after it") << 6 << 8;
        QTest::newRow("first module") << 1 << 8;
    }
    void faultForOneModule() {
        QFETCH(int, address);
        QFETCH(int, length);
        sim::Options options = Bus({1, 2, 3, 4, 5, 6, 7, 8});
        options.faults.shortFrame = true;
        options.moduleFaults[5] = options.faults;
        options.moduleFaults[5].silent = true;
        sim::Bus bus(options, kStart);
        const auto reply = bus.Answer(ReadBoth(static_cast<std::uint8_t>(address)), kStart);
        QCOMPARE(int(reply.bytes.size()), length);
        if (length > 0) {
            QCOMPARE(int{reply.bytes[0]}, address);
        }
    }

    // The address read goes to 250, where every module answers at once.
    void sharedAddress_data() {
        QTest::addColumn<sim::Options>("options");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("sound");
        QTest::newRow("one module answers cleanly") << Bus({1}) << "01 25 02 00 01 72 CC" << true;
        QTest::newRow("one module at 7") << Bus({7}) << "07 25 02 00 07 7A CE" << true;
        // 1 | 2 ... | 8 = 0F: an address that no module has, under a CRC that fails.
        QTest::newRow("eight modules collide")
            << Bus({1, 2, 3, 4, 5, 6, 7, 8}) << "0F 25 02 00 0F" << false;
        sim::Options oneSilent = Bus({1, 2});
        oneSilent.moduleFaults[2].silent = true;
        QTest::newRow("the only one not silent") << oneSilent << "01 25 02 00 01 72 CC" << true;
    }
    void sharedAddress() {
        QFETCH(sim::Options, options);
        QFETCH(QString, line);
        QFETCH(bool, sound);
        sim::Bus bus(options, kStart);
        const sim::Bus::Reply reply = bus.Answer(Frame(codec::AddressRead()), kStart);
        QCOMPARE(Hex(reply.bytes).left(line.size()), line);
        QCOMPARE(reply.bytes.size(), std::size_t{7});
        QCOMPARE(codec::CrcMatches(reply.bytes), sound);
        QCOMPARE(reply.answers == 1, sound);
    }

    void collision_data() {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("line");
        QTest::newRow("ones win") << QStringList{"F0 0F", "0F F0"} << "FF FF";
        QTest::newRow("zero only where all send zero")
            << QStringList{"01 02", "01 04", "00 08"} << "01 0E";
        QTest::newRow("longest tail alone") << QStringList{"01", "02 30 40"} << "03 30 40";
    }
    void collision() {
        QFETCH(QStringList, answers);
        QFETCH(QString, line);
        std::vector<std::vector<std::uint8_t>> frames;
        for (const QString& answer : answers) {
            frames.push_back(Bytes(answer));
        }
        QCOMPARE(Hex(sim::Collide(frames)), line);
    }

    // An address change moves the module it is sent to, and no other; moved
    // onto another module's address, both answer there.
    void addressChangeMovesOneModule() {
        sim::Bus bus(Bus({1, 2, 3}), kStart);
        QCOMPARE(Hex(bus.Answer(Frame(codec::AddressChange(2, 9)), kStart).bytes),
                 HexOf(Sealed("09060B000009")));
        QCOMPARE(Readings(bus, 9), QString("4600 2400"));
        QCOMPARE(Readings(bus, 2), QString());
        QCOMPARE(Readings(bus, 1), QString("4500 2300"));
        QCOMPARE(Readings(bus, 3), QString("4700 2500"));

        QCOMPARE(bus.Answer(Frame(codec::AddressChange(9, 3)), kStart).answers, std::size_t{1});
        QCOMPARE(Readings(bus, 3), QString("collision"));
        QVERIFY(!codec::CrcMatches(bus.Answer(ReadBoth(3), kStart).bytes));
        QCOMPARE(Readings(bus, 9), QString());
    }

    // A module's readings flicker from one of its answers to the next, however
    // many frames for the others come between.
    void noiseChangesEveryAnswerOfEachModule() {
        sim::Options options = Bus({1, 2, 3});
        options.noise = 2;
        sim::Bus bus(options, kStart);
        std::map<int, QString> last;
        for (int round = 0; round < 200; ++round) {
            for (const std::uint8_t address : {1, 2, 3}) {
                const QString readings = Readings(bus, address);
                QVERIFY(readings.count(' ') == 1);
                QVERIFY2(readings.section(' ', 0, 0) != last[address].section(' ', 0, 0),
                         qPrintable(readings));
                last[address] = readings;
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestSimBus)
#include "test_sim_bus.moc"
