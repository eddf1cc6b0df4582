#include <QtTest>

#include "bytes_util.h"
#include "codec/frames.h"

Q_DECLARE_METATYPE(codec::Request)

class TestFrames : public QObject {
    Q_OBJECT
private slots:
    void requests_data() {
        QTest::addColumn<codec::Request>("request");
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("threshold");
        QTest::newRow("read start-up")
            << codec::RegisterRead(1, 3, 0, 1) << "01 03 00 00 00 01 84 0A" << 1 << 7 << 7;
        QTest::newRow("read station 2")
            << codec::RegisterRead(2, 3, 0, 1) << "02 03 00 00 00 01 84 39" << 1 << 7 << 7;
        QTest::newRow("read two") << codec::RegisterRead(2, 3, 0, 2) << "02 03 00 00 00 02 C4 38"
                                  << 1 << 9 << 9;
        QTest::newRow("address read")
            << codec::AddressRead() << "FA 25 02 00 00 01 99 FE" << 5 << 7 << 6;
        QTest::newRow("change 2->5")
            << codec::AddressChange(2, 5) << "02 06 0B 00 00 05 4B DE" << 5 << 6 << 6;
        QTest::newRow("change 1->2")
            << codec::AddressChange(1, 2) << "01 06 0B 00 00 02 0A 2F" << 5 << 6 << 6;
        QTest::newRow("adjust -80")
            << codec::AdjustmentWrite(0, 0xFFB0) << "FA 06 0A 00 FF B0 DF DD" << 5 << 6 << 6;
        QTest::newRow("adjust row 1")
            << codec::AdjustmentWrite(1, 200) << "FA 06 0A 02 00 C8 3F CF" << 5 << 6 << 6;
    }
    void requests() {
        QFETCH(codec::Request, request);
        QFETCH(QString, bytes);
        QFETCH(int, kind);
        QFETCH(int, length);
        QFETCH(int, threshold);
        QCOMPARE(Hex(request.bytes), bytes);
        QCOMPARE(static_cast<int>(request.RecKind), kind);
        QCOMPARE(int{request.RecLength}, length);
        QCOMPARE(int{request.threshold}, threshold);
    }

    void responseA() {
        const auto block = Bytes("02030409C417708546");
        QCOMPARE(codec::RegisterValue(block, 0), std::uint16_t{2500});
        QCOMPARE(codec::RegisterValue(block, 1), std::uint16_t{6000});
        QVERIFY(codec::ResponseCrcOk(block, 9));
    }

    void responseCrc_data() {
        QTest::addColumn<QString>("block");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("ok");
        QTest::newRow("sound") << "02030409C417708546" << 9 << true;
        QTest::newRow("sound with trailing bytes") << "02030409C41770854601" << 9 << true;
        QTest::newRow("low CRC byte wrong") << "02030409C417708646" << 9 << false;
        QTest::newRow("high CRC byte wrong") << "02030409C417708547" << 9 << false;
        QTest::newRow("data corrupted") << "02030409C517708546" << 9 << false;
        QTest::newRow("one byte short") << "02030409C4177085" << 9 << false;
        QTest::newRow("empty") << "" << 7 << false;
        QTest::newRow("length too small") << "0203" << 2 << false;
    }
    void responseCrc() {
        QFETCH(QString, block);
        QFETCH(int, length);
        QFETCH(bool, ok);
        QCOMPARE(codec::ResponseCrcOk(Bytes(block.toLatin1().constData()), length), ok);
    }

    // -1 stands for "no reading".
    void decodeRegister_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("hundredths");
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("20000: still positive") << 20000 << 20000;
        QTest::newRow("20001: most negative") << 20001 << -45535;
        QTest::newRow("65534") << 65534 << -2;
        QTest::newRow("65535: no reading") << 65535 << -1;
    }
    void decodeRegister() {
        QFETCH(int, value);
        QFETCH(int, hundredths);
        QCOMPARE(codec::DecodeRegister(static_cast<std::uint16_t>(value)).value_or(-1), hundredths);
    }
};

QTEST_APPLESS_MAIN(TestFrames)
#include "test_frames.moc"
