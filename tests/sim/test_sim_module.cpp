#include <QtTest>

#include "sim/line_timing.h"
#include "sim/module_model.h"
#include "sim/request_framer.h"
#include "sim_test_util.h"

namespace {
QString Reply(sim::ModuleState& state, const QString& request) {
    return Hex(sim::Answer(state, Bytes(request)));
}

sim::ModuleState Module(int address, int humidity, int temperature) {
    sim::ModuleState state;
    state.address = static_cast<std::uint8_t>(address);
    state.humidity = humidity;
    state.temperature = temperature;
    return state;
}
} // namespace

class TestSimModule : public QObject {
    Q_OBJECT
private slots:
    void answers_data() {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("temperature");
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("response");
        // Humidity is 45.50 throughout.
        QTest::newRow("read humidity") << 1 << 2300 << "01 03 00 00 00 01 84 0A"
                                       << "01 03 02 11 C6 34 46";
        QTest::newRow("read both") << 1 << 2300 << "01 03 00 00 00 02 C4 0B"
                                   << "01 03 04 11 C6 08 FC 18 B3";
        QTest::newRow("function 4 from register 1")
            << 1 << 2300 << HexOf(Sealed("010400010001")) << "01 04 02 08 FC BE B1";
        QTest::newRow("negative temperature")
            << 1 << -1025 << HexOf(Sealed("010300010001")) << "01 03 02 FB FF BB 34";
        QTest::newRow("address read") << 1 << 2300 << "FA 25 02 00 00 01 99 FE"
                                      << "01 25 02 00 01 72 CC";
        QTest::newRow("address read at 7") << 7 << 2300 << "FA 25 02 00 00 01 99 FE"
                                           << "07 25 02 00 07 7A CE";
        QTest::newRow("three registers") << 1 << 2300 << "01 03 00 00 00 03 05 CB"
                                         << "01 83 02 C0 F1";
        QTest::newRow("start past the end")
            << 1 << 2300 << HexOf(Sealed("010300020001")) << "01 83 02 C0 F1";
        QTest::newRow("zero registers") << 1 << 2300 << "01 03 00 00 00 00 45 CA"
                                        << "01 83 03 01 31";
        QTest::newRow("new address 36")
            << 1 << 2300 << HexOf(Sealed("01060B000024")) << "01 86 03 02 61";
        QTest::newRow("new address 0")
            << 1 << 2300 << HexOf(Sealed("01060B000000")) << "01 86 03 02 61";
        QTest::newRow("write to unknown register")
            << 1 << 2300 << HexOf(Sealed("010600050001")) << "01 86 02 C3 A1";
        QTest::newRow("unknown function")
            << 1 << 2300 << HexOf(Sealed("011000000001")) << "01 90 01 8D C0";
        QTest::newRow("other address") << 1 << 2300 << "02 03 00 00 00 01 84 39"
                                       << "";
        QTest::newRow("bad CRC") << 1 << 2300 << "01 03 00 00 00 01 84 0B"
                                 << "";
        QTest::newRow("read at 250") << 1 << 2300 << "FA 03 00 00 00 01 91 81"
                                     << "";
        QTest::newRow("address read with other data")
            << 1 << 2300 << HexOf(Sealed("FA2502000002")) << "";
        // Frames of other lengths: what arrived between two silences.
        QTest::newRow("report server id, 4 bytes")
            << 1 << 2300 << HexOf(Sealed("0111")) << HexOf(Sealed("019101"));
        QTest::newRow("write registers, 11 bytes")
            << 1 << 2300 << HexOf(Sealed("011000000001020005")) << HexOf(Sealed("019001"));
        QTest::newRow("read with a byte too many")
            << 1 << 2300 << HexOf(Sealed("01030000000100")) << HexOf(Sealed("018303"));
        QTest::newRow("other length at another address")
            << 1 << 2300 << HexOf(Sealed("0211")) << "";
        QTest::newRow("address and CRC only") << 1 << 2300 << HexOf(Sealed("01")) << "";
        QTest::newRow("two requests with no silence between")
            << 1 << 2300 << "01 03 00 00 00 01 84 0A 01 03 00 00 00 01 84 0A"
            << "";
        QTest::newRow("noise before a request") << 1 << 2300 << "FF 01 03 00 00 00 01 84 0A"
                                                << "";
        QTest::newRow("a byte after a request") << 1 << 2300 << "01 03 00 00 00 01 84 0A FF"
                                                << "";
    }
    void answers() {
        QFETCH(int, address);
        QFETCH(int, temperature);
        QFETCH(QString, request);
        QFETCH(QString, response);
        sim::ModuleState state = Module(address, 4550, temperature);
        QCOMPARE(Reply(state, request), response);
    }

    void addressChangeAnswersFromNewAddress() {
        sim::ModuleState state = Module(2, 4550, 2300);
        QCOMPARE(Reply(state, "02 06 0B 00 00 05 4B DE"), QString("05 06 0B 00 00 05 4A 69"));
        QCOMPARE(int{state.address}, 5);
        QCOMPARE(Reply(state, "02 03 00 00 00 01 84 39"), QString());
        QCOMPARE(Reply(state, HexOf(Sealed("050300000001"))).left(8), QString("05 03 02"));
    }

    void adjustmentAppliesToLaterReads_data() {
        QTest::addColumn<QString>("write");
        QTest::addColumn<QString>("echo");
        QTest::addColumn<QString>("read");
        QTest::addColumn<QString>("response");
        QTest::newRow("humidity -0.80") << "FA 06 0A 00 FF B0 DF DD"
                                        << "01 06 0A 00 FF B0 CA 56"
                                        << "01 03 00 00 00 01 84 0A"
                                        << "01 03 02 11 76 35 F2";
        QTest::newRow("temperature +2.00")
            << "FA 06 0A 02 00 C8 3F CF"
            << "01 06 0A 02 00 C8 2A 44" << HexOf(Sealed("010300010001")) << "01 03 02 09 C4 BF 87";
    }
    void adjustmentAppliesToLaterReads() {
        QFETCH(QString, write);
        QFETCH(QString, echo);
        QFETCH(QString, read);
        QFETCH(QString, response);
        sim::ModuleState state = Module(1, 4550, 2300);
        QCOMPARE(Reply(state, write), echo);
        // A second write sets the offset again; it does not add to it.
        QCOMPARE(Reply(state, write), echo);
        QCOMPARE(Reply(state, read), response);
    }

    // Whatever arrives between two silences is one frame, however the reads
    // cut it; a flood with no silence in it is kept to the longest frame.
    void framerJoinsReadsUntilSilence_data() {
        QTest::addColumn<QStringList>("reads");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<bool>("overlong");
        const QString read1 = "01 03 00 00 00 01 84 0A";
        QTest::newRow("one read") << QStringList{read1} << read1 << false;
        QTest::newRow("split across reads")
            << QStringList{"01 03 00", "00 00 01 84 0A"} << read1 << false;
        QTest::newRow("one byte a read") << read1.split(' ') << read1 << false;
        QTest::newRow("two requests") << QStringList{read1, read1} << read1 + " " + read1 << false;
        const QString flood = QString("AA ").repeated(300).trimmed();
        QTest::newRow("flood") << QStringList{flood} << QString("AA ").repeated(256).trimmed()
                               << true;
        QTest::newRow("full, then one more")
            << QStringList{QString("AA ").repeated(256).trimmed(), "BB"}
            << QString("AA ").repeated(256).trimmed() << true;
    }
    void framerJoinsReadsUntilSilence() {
        QFETCH(QStringList, reads);
        QFETCH(QString, frame);
        QFETCH(bool, overlong);
        const QString read1 = "01 03 00 00 00 01 84 0A";
        sim::RequestFramer framer;
        QVERIFY(!framer.Collecting());
        for (const QString& read : reads) {
            framer.Push(Bytes(read));
        }
        QVERIFY(framer.Collecting());
        const sim::ReceivedFrame taken = framer.Take();
        QCOMPARE(HexOf(taken.bytes), frame);
        QCOMPARE(taken.overlong, overlong);
        // The next frame starts afresh.
        QVERIFY(!framer.Collecting());
        framer.Push(Bytes(read1));
        const sim::ReceivedFrame next = framer.Take();
        QCOMPARE(HexOf(next.bytes), read1);
        QVERIFY(!next.overlong);
    }

    // 3.5 characters of 11 bits at the client's rate, never below 1.75 ms.
    void silenceFollowsTheLineRate_data() {
        QTest::addColumn<long>("baud");
        QTest::addColumn<qint64>("nanoseconds");
        QTest::newRow("4800") << 4800L << qint64{8'020'833};
        QTest::newRow("9600") << 9600L << qint64{4'010'416};
        QTest::newRow("14400") << 14400L << qint64{2'673'611};
        QTest::newRow("19200") << 19200L << qint64{2'005'208};
        QTest::newRow("38400: the floor") << 38400L << qint64{1'750'000};
        QTest::newRow("115200: the floor") << 115200L << qint64{1'750'000};
        QTest::newRow("unknown rate: the floor") << 0L << qint64{1'750'000};
    }
    void silenceFollowsTheLineRate() {
        QFETCH(long, baud);
        QFETCH(qint64, nanoseconds);
        QCOMPARE(sim::FrameSilence(baud).count(), nanoseconds);
    }

    void moduleHearsOnlyItsRate_data() {
        QTest::addColumn<long>("module");
        QTest::addColumn<long>("line");
        QTest::addColumn<bool>("hears");
        QTest::newRow("no rate of its own, line at 9600") << 0L << 9600L << true;
        QTest::newRow("no rate of its own, rate unknown") << 0L << 0L << true;
        QTest::newRow("same rate") << 9600L << 9600L << true;
        QTest::newRow("master faster") << 9600L << 19200L << false;
        QTest::newRow("master slower") << 19200L << 4800L << false;
        QTest::newRow("rate unknown") << 9600L << 0L << false;
    }
    void moduleHearsOnlyItsRate() {
        QFETCH(long, module);
        QFETCH(long, line);
        QFETCH(bool, hears);
        QCOMPARE(sim::HearsLine(module, line), hears);
    }
};

QTEST_APPLESS_MAIN(TestSimModule)
#include "test_sim_module.moc"
