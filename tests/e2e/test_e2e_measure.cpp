#include <QtTest>

#include "support/sim_process.h"

// Reading the virtual module end to end.
class TestE2eMeasure : public QObject {
    Q_OBJECT
private slots:
    void singleReadShowsHumidity() {
        SimWindow w({"--humidity", "45.5", "--no-drift"});
        QVERIFY(w.started);
        QVERIFY(w.port->portOpen());
        w.ui().comDoOnce->click();
        QTRY_COMPARE_WITH_TIMEOUT(w.ui().txtValue_0->text(), QStringLiteral("45.50"), 5000);
        QCOMPARE(w.ui().txtState->toPlainText(), QStringLiteral(" 01 03 02 11 C6 34 46"));
        QCOMPARE(w.ui().lblErrCounter->text(), QStringLiteral("1"));
        QVERIFY(w.messages.shown.isEmpty());
    }

    void pollingAt50msDecodesEveryResponse() {
        SimWindow w({"--humidity", "40", "--no-drift", "--baud", "19200"});
        QVERIFY(w.started);
        w.ui().txtTimerSet->setText("50");
        w.ui().cmdOneM->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.ui().lblCounter->text().toInt() >= 201, 60000);
        w.ui().cmdStopOnce->click();
        // Every poll's response arrives: notifications = polls, both started at 1.
        QTRY_COMPARE_WITH_TIMEOUT(w.ui().lblErrCounter->text(), w.ui().lblCounter->text(), 2000);
        QCOMPARE(w.ui().txtValue_0->text(), QStringLiteral("40.00"));
        QVERIFY(w.messages.shown.isEmpty());
    }
};

QTEST_MAIN(TestE2eMeasure)
#include "test_e2e_measure.moc"
