#include <QtTest>

#include "support/window_fixture.h"

// Port notifications: counting, the received text, decoding and the echo.
class TestReception : public QObject {
    Q_OBJECT

    // Sends a read of `count` registers from start address `start`.
    static void Read(WindowFixture& f, int count, const QString& start = "0") {
        f.ui().txtDataLength->setText(QString::number(count));
        f.ui().txtStartID->setText(start);
        f.ui().comDoOnce->click();
    }

private slots:
    void otherEventsAreOnlyCounted() {
        WindowFixture f;
        f.ui().txtState->setPlainText(" AA");
        const QWidget* front = f.front();
        f.port.raise(CommControl::FrameError);
        QCOMPARE(f.ui().lblErrCounter->text(), QStringLiteral("1"));
        QCOMPARE(f.ui().txtState->toPlainText(), QStringLiteral(" AA"));
        QCOMPARE(f.front(), front);
    }

    void bytesBeforeAnyRequest() {
        WindowFixture f; // threshold 1 after start-up: every byte notifies
        f.reply("000F10FF");
        QCOMPARE(f.ui().txtState->toPlainText(), QStringLiteral(" 00 0F 10 FF"));
        QCOMPARE(f.front(), f.ui().imgConnected);
        QCOMPARE(f.ui().lblErrCounter->text(), QStringLiteral("1"));
        QCOMPARE(f.ui().txtValue_0->text(), QStringLiteral("0"));
        QCOMPARE(f.port.inBufferCount(), 0);
    }

    void decoding_data() {
        QTest::addColumn<QList<int>>("registers");
        QTest::addColumn<QStringList>("corrections"); // txtTAdj, txtHAdj
        QTest::addColumn<QStringList>("values");      // txtValue_0, txtValue_1
        QTest::addColumn<int>("errCount");
        const auto row = [](const char* name, const QList<int>& registers,
                            const QStringList& corrections, const QStringList& values,
                            int errCount) {
            QTest::newRow(name) << registers << corrections << values << errCount;
        };
        row("25.00", {2500}, {"0", "0"}, {"25.00", "0"}, 1);
        row("two registers", {2500, 6000}, {"0", "0"}, {"25.00", "60.00"}, 1);
        row("200.00", {20000}, {"0", "0"}, {"200.00", "0"}, 1);
        row("most negative", {20001}, {"0", "0"}, {"-455.35", "0"}, 1);
        row("-1.00", {65436}, {"0", "0"}, {"-1.00", "0"}, 1);
        row("-0.02", {65534}, {"0", "0"}, {"-0.02", "0"}, 1);
        row("no reading", {65535}, {"0", "0"}, {"0", "0"}, 2);
        row("two without reading", {65535, 65535}, {"0", "0"}, {"0", "0"}, 3);
        row("correction -1.5", {0}, {"-1.5", "0"}, {"-1.50", "0"}, 1);
        row("negative gets none", {65436}, {"5", "0"}, {"-1.00", "0"}, 1);
        row("even box uses TAdj", {2500}, {"1.25", "0"}, {"26.25", "0"}, 1);
        row("HAdj leaves box 0", {2500}, {"0", "1.25"}, {"25.00", "0"}, 1);
        row("odd box uses HAdj", {2500, 2500}, {"0", "1.25"}, {"25.00", "26.25"}, 1);
        row("third decimal", {2500}, {"0.005", "0"}, {"25.01", "0"}, 1);
        row("correction not a number keeps box", {2500}, {"", "0"}, {"0", "0"}, 1);
    }
    void decoding() {
        QFETCH(QList<int>, registers);
        QFETCH(QStringList, corrections);
        QFETCH(QStringList, values);
        QFETCH(int, errCount);
        WindowFixture f;
        f.ui().txtTAdj->setText(corrections[0]);
        f.ui().txtHAdj->setText(corrections[1]);
        Read(f, static_cast<int>(registers.size()));
        QByteArray response = registers.size() == 1
                                  ? ReadResponse(1, {static_cast<std::uint16_t>(registers[0])})
                                  : ReadResponse(1, {static_cast<std::uint16_t>(registers[0]),
                                                     static_cast<std::uint16_t>(registers[1])});
        f.port.deliver(response.left(response.size() - 1));
        QCOMPARE(f.ui().lblErrCounter->text(), QStringLiteral("0")); // below the threshold
        f.port.deliver(response.right(1));
        QCOMPARE(f.ui().txtValue_0->text(), values[0]);
        QCOMPARE(f.ui().txtValue_1->text(), values[1]);
        QCOMPARE(f.ui().lblErrCounter->text(), QString::number(errCount));
        QCOMPARE(f.ui().txtState->toPlainText(), " " + WindowFixture::Hex(response));
        QCOMPARE(f.front(), f.ui().imgConnected);
    }

    void startAddress_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("value0");
        const auto row = [](const char* name, const char* start, const char* value0) {
            QTest::newRow(name) << QString(start) << QString(value0);
        };
        row("0", "0", "25.00");
        row("1", "1", "25.00");
        row("7", "7", "25.00");
        row("huge", "1e300", "25.00");
        row("negative: no box", "-1", "0");
        row("not a number: box 0", "abc", "25.00");
    }
    void startAddress() {
        QFETCH(QString, start);
        QFETCH(QString, value0);
        WindowFixture f;
        Read(f, 1);
        f.ui().txtStartID->setText(start); // read again when the response arrives
        f.port.deliver(ReadResponse(1, {2500}));
        QCOMPARE(f.ui().txtValue_0->text(), value0);
    }

    void corruptResponsesChangeNoValue_data() {
        QTest::addColumn<QByteArray>("block");
        QByteArray sound = ReadResponse(1, {2500});
        QByteArray badCrc = sound;
        badCrc[5] = static_cast<char>(badCrc[5] ^ 0x01);
        QByteArray badData = sound;
        badData[3] = 0x7F;
        QTest::newRow("CRC wrong") << badCrc;
        QTest::newRow("data corrupted") << badData;
        QTest::newRow("garbage") << QByteArray::fromHex("DEADBEEF0102");
    }
    void corruptResponsesChangeNoValue() {
        QFETCH(QByteArray, block);
        WindowFixture f;
        f.ui().txtValue_0->setText("12.34");
        Read(f, 1);
        f.port.deliver(block + QByteArray(7, '\0')); // reaches the threshold whatever its length
        QCOMPARE(f.ui().txtValue_0->text(), QStringLiteral("12.34"));
        QCOMPARE(f.ui().lblErrCounter->text(), QStringLiteral("1"));
        QVERIFY(!f.ui().txtState->toPlainText().isEmpty());
        QCOMPARE(f.front(), f.ui().imgConnected);
    }

    // Bytes left waiting below the threshold (an exception response, a
    // fragment, line noise) are thrown away when the next request goes out;
    // otherwise they would lead the next response's block and spoil it.
    void requestDiscardsWaitingBytes_data() {
        QTest::addColumn<QByteArray>("leftover");
        QTest::newRow("exception response") << QByteArray::fromHex("0183020C10"); // under 7
        QTest::newRow("fragment") << ReadResponse(1, {1111}).left(3);
    }
    void requestDiscardsWaitingBytes() {
        QFETCH(QByteArray, leftover);
        WindowFixture f;
        Read(f, 1);
        f.port.deliver(leftover);
        QCOMPARE(f.ui().lblErrCounter->text(), QStringLiteral("0"));
        Read(f, 1);
        f.port.deliver(ReadResponse(1, {2500}));
        QCOMPARE(f.ui().txtValue_0->text(), QStringLiteral("25.00"));
        QCOMPARE(f.ui().txtState->toPlainText().count(' '), 7);
        QCOMPARE(f.ui().lblErrCounter->text(), QStringLiteral("1"));
    }

    void twoResponsesInOneBlockDecodeTheFirst() {
        WindowFixture f;
        Read(f, 1);
        f.port.deliver(ReadResponse(1, {1111}) + ReadResponse(1, {2222}));
        QCOMPARE(f.ui().txtValue_0->text(), QStringLiteral("11.11"));
        QCOMPARE(f.ui().txtState->toPlainText().count(' '), 14);
    }

    void emptyNotificationClearsText() {
        WindowFixture f;
        f.ui().txtState->setPlainText(" AA");
        f.port.setRThreshold(0); // a receive event with nothing waiting
        f.port.raise(CommControl::Receive);
        QVERIFY(f.ui().txtState->toPlainText().isEmpty());
        QCOMPARE(f.front(), f.ui().imgConnected);
    }

    void configurationEchoFeedsNextRead() {
        WindowFixture f;
        f.ui().cmdReadAdd->click();
        f.reply("072502000007"); // six bytes reach the threshold
        QCOMPARE(f.ui().txtSetID_0->text(), QStringLiteral("7"));
        QCOMPARE(f.ui().txtStationID->text(), QStringLiteral("7"));
        f.ui().comDoOnce->click();
        QVERIFY(f.sent().startsWith(QStringLiteral("07 03 00 00 00 01")));
    }

    void lateConfigurationReplyAfterReadIsNotEchoed() {
        WindowFixture f;
        f.ui().cmdReadAdd->click();
        f.ui().comDoOnce->click(); // a poll overtakes the reply
        f.reply("0725020000070000");
        QCOMPARE(f.ui().txtSetID_0->text(), QStringLiteral("1"));
        QCOMPARE(f.ui().txtStationID->text(), QStringLiteral("1"));
    }
};

QTEST_MAIN(TestReception)
#include "test_reception.moc"
