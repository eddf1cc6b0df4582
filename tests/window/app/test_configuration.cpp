#include <QtTest>

#include "support/window_checks.h"
#include "window/module_setup/address_change_cases.h"
#include "window/module_setup/adjustment_cases.h"

// "读地址", "执行" and "设置": what reaches the module, or that nothing does.
class TestConfiguration : public QObject {
    Q_OBJECT

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
        ExpectConfigurationArmed(f, 7);
        QCOMPARE(f.port.writes.size(), open ? 1 : 0);
        QCOMPARE(f.front(), open ? f.ui().imgConnected : f.ui().imgNotConnected);
        QVERIFY(f.messages.shown.isEmpty());
    }

    void changeAddress_data() { AddressChangeRows(); }
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
            ExpectRefused(f, message);
        } else {
            ExpectSent(f, frame);
            ExpectConfigurationArmed(f, 6);
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

    void adjustment_data() { AdjustmentRows(); }
    void adjustment() {
        QFETCH(int, row);
        QFETCH(QString, entry);
        QFETCH(QString, frame);
        WindowFixture f;
        f.ui().txtCommand->setText("before");
        (row == 0 ? f.ui().txtsetValue_0 : f.ui().txtsetValue_1)->setText(entry);
        // Row 1 is hidden on the window; it works when invoked.
        (row == 0 ? f.ui().cmdSet_0 : f.ui().cmdSet_1)->click();
        if (frame.isEmpty()) {
            ExpectRefused(f, kBadAdjustment);
        } else {
            ExpectSent(f, frame);
            ExpectConfigurationArmed(f, 6);
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
