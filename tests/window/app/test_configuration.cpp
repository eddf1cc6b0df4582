#include <QtTest>

#include "module_setup/adjustment_write.h"
#include "support/window_fixture.h"

// "读地址", "执行" and "设置": what reaches the module, or that nothing does.
class TestConfiguration : public QObject {
    Q_OBJECT

    static void ExpectArmed(WindowFixture& f, int recLength) {
        QCOMPARE(int{f.state().RecKind}, 5);
        QCOMPARE(int{f.state().RecLength}, recLength);
        QCOMPARE(f.port.rThreshold(), 6);
        QVERIFY(f.ui().txtState->toPlainText().isEmpty());
        QCOMPARE(f.state().CmdText, f.ui().txtCommand->text());
    }

private slots:
    void readAddress_data() {
        QTest::addColumn<bool>("open");
        QTest::newRow("port open") << true;
        QTest::newRow("port closed") << false;
    }
    void readAddress() {
        QFETCH(bool, open);
        WindowFixture f(open ? "4,19200\r\n" : "17,19200\r\n");
        f.ui().txtState->setPlainText(" 01");
        f.ui().cmdReadAdd->click();
        QCOMPARE(f.ui().txtCommand->text(), QStringLiteral("FA 25 02 00 00 01 99 FE "));
        ExpectArmed(f, 7);
        QCOMPARE(f.port.writes.size(), open ? 1 : 0);
        QCOMPARE(f.front(), open ? f.ui().imgConnected : f.ui().imgNotConnected);
        QVERIFY(f.messages.shown.isEmpty());
    }

    void changeAddress_data() {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("next");
        QTest::addColumn<QString>("frame");   // empty: refused
        QTest::addColumn<QString>("message"); // empty: none
        const QString range = QStringLiteral("请指定正确的设备地址，正确值范围为1-35");
        const QString same = QStringLiteral("目标地址与当前地址相同，操作无效!");
        const QString oldBad = QStringLiteral("你输入的原设备地址格式有误!");
        QTest::newRow("1 -> 2") << "1"
                                << "2"
                                << "01 06 0B 00 00 02 0A 2F"
                                << "";
        QTest::newRow("2 -> 5") << "2"
                                << "5"
                                << "02 06 0B 00 00 05 4B DE"
                                << "";
        QTest::newRow("34 -> 35") << "34"
                                  << "35"
                                  << "22 06 0B 00 00 23 CD 64"
                                  << "";
        QTest::newRow("1 -> 2.9 floors") << "1"
                                         << "2.9"
                                         << "01 06 0B 00 00 02 0A 2F"
                                         << "";
        QTest::newRow("200 -> 5") << "200"
                                  << "5"
                                  << "C8 06 0B 00 00 05 5A 74"
                                  << "";
        QTest::newRow("255 -> 1") << "255"
                                  << "1"
                                  << "FF 06 0B 00 00 01 5F F0"
                                  << "";
        QTest::newRow("same 1") << "1"
                                << "1"
                                << "" << same;
        QTest::newRow("0/0 range before same") << "0"
                                               << "0"
                                               << "" << range;
        QTest::newRow("new 0") << "1"
                               << "0"
                               << "" << range;
        QTest::newRow("new -3") << "1"
                                << "-3"
                                << "" << range;
        QTest::newRow("current -0.5 floors to -1") << "-0.5"
                                                   << "3"
                                                   << "" << range;
        QTest::newRow("36") << "1"
                            << "36"
                            << "" << range + "!";
        QTest::newRow("40/40 same before upper bound") << "40"
                                                       << "40"
                                                       << "" << same;
        QTest::newRow("3.2/3.7 same") << "3.2"
                                      << "3.7"
                                      << "" << same;
        QTest::newRow("both letters") << "a"
                                      << "b"
                                      << "" << oldBad;
        QTest::newRow("current empty") << ""
                                       << "2"
                                       << "" << oldBad;
        QTest::newRow("new not a number") << "1"
                                          << "x"
                                          << "" << QStringLiteral("你输入的目标设备地址格式有误!");
        QTest::newRow("current beyond a byte") << "256"
                                               << "2"
                                               << "" << oldBad;
        QTest::newRow("current 1e308") << "1e308"
                                       << "2"
                                       << "" << oldBad;
    }
    void changeAddress() {
        QFETCH(QString, current);
        QFETCH(QString, next);
        QFETCH(QString, frame);
        QFETCH(QString, message);
        WindowFixture f;
        f.ui().txtCommand->setText("before");
        f.ui().txtSetID_0->setText(current);
        f.ui().txtSetID_1->setText(next);
        f.ui().cmdChangeID->click();
        if (frame.isEmpty()) {
            QCOMPARE(f.messages.texts(), QStringList{message});
            QCOMPARE(f.messages.shown[0].title, kProductName);
            QVERIFY(f.port.writes.isEmpty());
            QCOMPARE(f.ui().txtCommand->text(), QStringLiteral("before"));
            QCOMPARE(int{f.state().RecKind}, 0);
        } else {
            QVERIFY(f.messages.shown.isEmpty());
            QCOMPARE(f.sent(), frame);
            QCOMPARE(f.ui().txtCommand->text(), frame + " ");
            ExpectArmed(f, 6);
            QCOMPARE(f.front(), f.ui().imgConnected);
        }
    }

    void changeAddressWithPortClosed() {
        WindowFixture f("17,19200\r\n");
        f.ui().txtSetID_1->setText("2");
        f.ui().cmdChangeID->click();
        QVERIFY(f.port.writes.isEmpty());
        QVERIFY(f.messages.shown.isEmpty());
        QCOMPARE(f.ui().txtCommand->text(), QStringLiteral("01 06 0B 00 00 02 0A 2F "));
        QCOMPARE(f.front(), f.ui().imgNotConnected);
    }

    void adjustment_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("frame"); // empty: refused
        QTest::newRow("default -80") << 0 << "-80"
                                     << "FA 06 0A 00 FF B0 DF DD";
        QTest::newRow("row 1 default 200") << 1 << "200"
                                           << "FA 06 0A 02 00 C8 3F CF";
        QTest::newRow("65535") << 0 << "65535"
                               << "FA 06 0A 00 FF FF 9E 29";
        QTest::newRow("-1") << 0 << "-1"
                            << "FA 06 0A 00 FF FF 9E 29";
        QTest::newRow("-32768") << 0 << "-32768"
                                << "FA 06 0A 00 80 00 FE 59";
        QTest::newRow("2.5 half to even") << 0 << "2.5"
                                          << "FA 06 0A 00 00 02 1E 58";
        QTest::newRow("3.5 half to even") << 0 << "3.5"
                                          << "FA 06 0A 00 00 04 9E 5A";
        QTest::newRow("-2.5") << 0 << "-2.5"
                              << "FA 06 0A 00 FF FE 5F E9";
        QTest::newRow("-0.3 sends 0") << 0 << "-0.3"
                                      << "FA 06 0A 00 00 00 9F 99";
        QTest::newRow("-0.5 sends 0") << 0 << "-0.5"
                                      << "FA 06 0A 00 00 00 9F 99";
        QTest::newRow("1000 row 1") << 1 << "1000"
                                    << "FA 06 0A 02 03 E8 3E E7";
        QTest::newRow("1001 row 1, label range not enforced") << 1 << "1001"
                                                              << "FA 06 0A 02 03 E9 FF 27";
        QTest::newRow("65535.5") << 0 << "65535.5"
                                 << "";
        QTest::newRow("65536") << 0 << "65536"
                               << "";
        QTest::newRow("-32769 would flip sign") << 0 << "-32769"
                                                << "";
        QTest::newRow("-40000") << 0 << "-40000"
                                << "";
        QTest::newRow("-65535") << 0 << "-65535"
                                << "";
        QTest::newRow("abc") << 0 << "abc"
                             << "";
        QTest::newRow("empty") << 0 << ""
                               << "";
        QTest::newRow("beyond single") << 0 << "1e39"
                                       << "";
    }
    void adjustment() {
        QFETCH(int, row);
        QFETCH(QString, text);
        QFETCH(QString, frame);
        WindowFixture f;
        f.ui().txtCommand->setText("before");
        (row == 0 ? f.ui().txtsetValue_0 : f.ui().txtsetValue_1)->setText(text);
        // Row 1 is hidden on the window; it works when invoked.
        (row == 0 ? f.ui().cmdSet_0 : f.ui().cmdSet_1)->click();
        if (frame.isEmpty()) {
            QCOMPARE(f.messages.texts(), QStringList{QStringLiteral("你输入的值有误!")});
            QVERIFY(f.port.writes.isEmpty());
            QCOMPARE(f.ui().txtCommand->text(), QStringLiteral("before"));
            QCOMPARE(int{f.state().RecKind}, 0);
        } else {
            QVERIFY(f.messages.shown.isEmpty());
            QCOMPARE(f.sent(), frame);
            ExpectArmed(f, 6);
        }
    }

    void adjustmentReplyEchoesAddress() {
        WindowFixture f;
        f.ui().cmdSet_0->click();
        f.reply("0306 0A00 FFB0");
        QCOMPARE(f.ui().txtSetID_0->text(), QStringLiteral("3"));
        QCOMPARE(f.ui().txtStationID->text(), QStringLiteral("3"));
    }
};

QTEST_MAIN(TestConfiguration)
#include "test_configuration.moc"
