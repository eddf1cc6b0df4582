#include <QtTest>

#include "support/front_picture.h"
#include "support/sim_process.h"

// Finding, changing and adjusting the virtual module end to end: the
// configuration responses come from the module's own address, so the window
// has to pick that address up to go on reading.
class TestE2eConfig : public QObject {
    Q_OBJECT
private slots:
    void readAddressFollowsModule_data() {
        QTest::addColumn<QString>("address");
        QTest::newRow("3") << "3";
        QTest::newRow("highest a change may give") << "35";
        QTest::newRow("above the change range") << "247";
    }

    // The station field follows the answer, so a single read then reaches the module.
    void readAddressFollowsModule() {
        QFETCH(QString, address);
        SimWindow w({"--address", address, "--humidity", "52.5", "--no-drift"});
        QVERIFY(w.started);
        QCOMPARE(w.ui().txtStationID->text(), QStringLiteral("1"));

        w.ui().cmdReadAdd->click();
        QCOMPARE(w.ui().txtCommand->text(), QStringLiteral("FA 25 02 00 00 01 99 FE "));
        QTRY_COMPARE_WITH_TIMEOUT(w.ui().txtSetID_0->text(), address, 5000);
        QCOMPARE(w.ui().txtStationID->text(), address);
        QCOMPARE(FrontPicture(*w.ui().Picture2), w.ui().imgConnected);

        w.ui().comDoOnce->click();
        QTRY_COMPARE_WITH_TIMEOUT(w.ui().txtValue_0->text(), QStringLiteral("52.50"), 5000);
        const QString answeredFrom =
            QStringLiteral(" %1 03 02").arg(address.toInt(), 2, 16, QLatin1Char('0'));
        QVERIFY2(w.ui().txtState->toPlainText().startsWith(answeredFrom.toUpper()),
                 qPrintable(w.ui().txtState->toPlainText()));
        QVERIFY(w.messages.shown.isEmpty());
    }

    void changeAddressThenReadFromNewOne() {
        SimWindow w({"--humidity", "61.25", "--no-drift"});
        QVERIFY(w.started);

        w.ui().txtSetID_0->setText("1");
        w.ui().txtSetID_1->setText("7");
        w.ui().cmdChangeID->click();
        QCOMPARE(w.ui().txtCommand->text(), QStringLiteral("01 06 0B 00 00 07 CA 2C "));
        // The module echoes the change from its new address.
        QTRY_COMPARE_WITH_TIMEOUT(w.ui().txtSetID_0->text(), QStringLiteral("7"), 5000);
        QCOMPARE(w.ui().txtStationID->text(), QStringLiteral("7"));

        // Forget the address, as after a restart, and find it again.
        w.ui().txtSetID_0->setText("1");
        w.ui().txtStationID->setText("1");
        w.ui().cmdReadAdd->click();
        QTRY_COMPARE_WITH_TIMEOUT(w.ui().txtStationID->text(), QStringLiteral("7"), 5000);
        QCOMPARE(w.ui().txtSetID_0->text(), QStringLiteral("7"));
        QVERIFY(w.ui().txtState->toPlainText().startsWith(QStringLiteral(" 07 25 02 00 07")));

        w.ui().comDoOnce->click();
        QCOMPARE(w.ui().txtCommand->text().left(6), QStringLiteral("07 03 "));
        QTRY_COMPARE_WITH_TIMEOUT(w.ui().txtValue_0->text(), QStringLiteral("61.25"), 5000);
        QCOMPARE(w.ui().txtState->toPlainText(), QStringLiteral(" 07 03 02 17 ED FF F9"));
        QVERIFY(w.messages.shown.isEmpty());
    }

    void adjustmentShiftsHumidity_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("after");
        const auto row = [](const char* name, const char* entry, const char* request,
                            const char* after) {
            QTest::newRow(name) << QString(entry) << QString(request) << QString(after);
        };
        row("+1.50", "150", "FA 06 0A 00 00 96 1F F7 ", "46.50");
        row("-0.80", "-80", "FA 06 0A 00 FF B0 DF DD ", "44.20");
        // -2.5 + 65536 = 65533.5 rounds to the even 65534, an offset of -2.
        row("half to even", "-2.5", "FA 06 0A 00 FF FE 5F E9 ", "44.98");
    }

    void adjustmentShiftsHumidity() {
        QFETCH(QString, entry);
        QFETCH(QString, request);
        QFETCH(QString, after);
        SimWindow w({"--humidity", "45", "--no-drift"});
        QVERIFY(w.started);
        w.ui().comDoOnce->click();
        QTRY_COMPARE_WITH_TIMEOUT(w.ui().txtValue_0->text(), QStringLiteral("45.00"), 5000);

        w.ui().txtsetValue_0->setText(entry);
        w.ui().cmdSet_0->click();
        QCOMPARE(w.ui().txtCommand->text(), request);
        // The write is echoed by the module from its own address.
        QTRY_VERIFY_WITH_TIMEOUT(w.ui().txtState->toPlainText().startsWith(" 01 06 0A 00"), 5000);
        QCOMPARE(w.ui().txtStationID->text(), QStringLiteral("1"));

        w.ui().comDoOnce->click();
        QTRY_COMPARE_WITH_TIMEOUT(w.ui().txtValue_0->text(), after, 5000);
        QVERIFY(w.messages.shown.isEmpty());
    }
};

QTEST_MAIN(TestE2eConfig)
#include "test_e2e_config.moc"
