#include <QtTest>

#include "sim_test_util.h"
#include "tools/module_model.h"
#include "tools/request_framer.h"

namespace {
QString Reply(sim::ModuleState& state, const QString& request) {
    return Hex(sim::Answer(state, Request(request)));
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

    void framerResynchronises_data() {
        QTest::addColumn<QStringList>("chunks");
        QTest::addColumn<QStringList>("requests");
        QTest::addColumn<QString>("discarded");
        QTest::addColumn<bool>("partial");
        const QString read1 = "01 03 00 00 00 01 84 0A";
        const QString read2 = "01 03 00 00 00 02 C4 0B";
        QTest::newRow("back to back")
            << QStringList{read1 + read2} << QStringList{read1, read2} << "" << false;
        QTest::newRow("split across reads")
            << QStringList{"01 03 00", "00 00 01 84 0A"} << QStringList{read1} << "" << false;
        QTest::newRow("noise before")
            << QStringList{"FF 00 13 " + read1} << QStringList{read1} << "FF 00 13" << false;
        QTest::newRow("noise that looks like a start")
            << QStringList{"01 03 00 " + read1} << QStringList{read1} << "01 03 00" << false;
        QTest::newRow("bad CRC then good")
            << QStringList{"01 03 00 00 00 01 84 0B " + read2} << QStringList{read2}
            << "01 03 00 00 00 01 84 0B" << false;
        QTest::newRow("request then half a request")
            << QStringList{read1 + " 01 03 00"} << QStringList{read1} << "" << true;
    }
    void framerResynchronises() {
        QFETCH(QStringList, chunks);
        QFETCH(QStringList, requests);
        QFETCH(QString, discarded);
        QFETCH(bool, partial);
        sim::RequestFramer framer;
        QStringList found;
        for (const QString& chunk : chunks) {
            const QByteArray raw = QByteArray::fromHex(chunk.toLatin1());
            framer.Push(std::span(reinterpret_cast<const std::uint8_t*>(raw.constData()),
                                  static_cast<std::size_t>(raw.size())));
            while (const auto request = framer.Next()) {
                found << HexOf(*request);
            }
        }
        QCOMPARE(found, requests);
        QCOMPARE(Hex(framer.TakeDiscarded()), discarded);
        QCOMPARE(framer.HasPartial(), partial);
    }

    void silenceDropsPartialFrame() {
        sim::RequestFramer framer;
        const auto half = Bytes("010300");
        framer.Push(half);
        QVERIFY(!framer.Next());
        framer.DropPartial();
        QVERIFY(!framer.HasPartial());
        QCOMPARE(Hex(framer.TakeDiscarded()), QString("01 03 00"));
        framer.Push(Bytes("010300000001840A"));
        const auto request = framer.Next();
        QVERIFY(request);
        QCOMPARE(HexOf(*request), QString("01 03 00 00 00 01 84 0A"));
        QCOMPARE(Hex(framer.TakeDiscarded()), QString());
    }
};

QTEST_APPLESS_MAIN(TestSimModule)
#include "test_sim_module.moc"
