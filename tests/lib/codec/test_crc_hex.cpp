#include <QtTest>

#include "bytes_util.h"
#include "codec/crc16.h"
#include "codec/hex_text.h"

class TestCrcHex : public QObject {
    Q_OBJECT
private slots:
    void catalogueCheck() {
        const std::string text = "123456789";
        const std::vector<std::uint8_t> bytes(text.begin(), text.end());
        QCOMPARE(codec::Crc16Value(bytes), std::uint16_t{0x4B37});
        const codec::Crc crc = codec::Crc16(bytes, 8);
        QCOMPARE(crc.HiByte, std::uint8_t{0x37});
        QCOMPARE(crc.LoByte, std::uint8_t{0x4B});
    }

    void emptyRangeGivesInitialValue() {
        const auto bytes = Bytes("0103");
        const codec::Crc crc = codec::Crc16(bytes, -1);
        QCOMPARE(crc.HiByte, std::uint8_t{0xFF});
        QCOMPARE(crc.LoByte, std::uint8_t{0xFF});
    }

    void workedExamples_data() {
        QTest::addColumn<QString>("frame");
        QTest::addColumn<int>("hi");
        QTest::addColumn<int>("lo");
        QTest::addColumn<QString>("text");
        // Bytes 6 and 7 hold junk on purpose: the CRC covers bytes 0..5 only.
        QTest::newRow("station 2")
            << "020300000001AAAA" << 0x84 << 0x39 << "02 03 00 00 00 01 84 39 ";
        QTest::newRow("station 1")
            << "0103000000015555" << 0x84 << 0x0A << "01 03 00 00 00 01 84 0A ";
        QTest::newRow("two regs") << "020300000002FFFF" << 0xC4 << 0x38
                                  << "02 03 00 00 00 02 C4 38 ";
    }
    void workedExamples() {
        QFETCH(QString, frame);
        QFETCH(int, hi);
        QFETCH(int, lo);
        QFETCH(QString, text);
        auto bytes = Bytes(frame.toLatin1().constData());
        const codec::Crc crc = codec::Crc16(bytes, 5);
        QCOMPARE(int{crc.HiByte}, hi);
        QCOMPARE(int{crc.LoByte}, lo);
        bytes[6] = crc.HiByte;
        bytes[7] = crc.LoByte;
        const std::string sent = codec::SentHexText(bytes);
        QCOMPARE(QString::fromStdString(sent), text);
        QCOMPARE(sent.size(), std::size_t{24});
    }

    void formatHexEveryByte() {
        for (int value = 0; value < 256; ++value) {
            const std::string text = codec::FormatHex(static_cast<std::uint8_t>(value));
            QCOMPARE(QString::fromStdString(text),
                     QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper());
        }
        QCOMPARE(codec::FormatHex(15), std::string("0F"));
        QCOMPARE(codec::FormatHex(30), std::string("1E"));
    }

    void receivedText_data() {
        QTest::addColumn<QString>("block");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("one") << "0a"
                             << " 0A";
        QTest::newRow("three") << "02030a"
                               << " 02 03 0A";
        QTest::newRow("edges") << "000f10ff"
                               << " 00 0F 10 FF";
    }
    void receivedText() {
        QFETCH(QString, block);
        QFETCH(QString, text);
        QCOMPARE(
            QString::fromStdString(codec::ReceivedHexText(Bytes(block.toLatin1().constData()))),
            text);
    }
};

QTEST_APPLESS_MAIN(TestCrcHex)
#include "test_crc_hex.moc"
