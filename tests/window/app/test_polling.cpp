#include <QtTest>

#include "support/window_fixture.h"

// "循环", "停止", the poll tick and its counters, and one handler at a time.
class TestPolling : public QObject {
    Q_OBJECT

private slots:
    void interval_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("interval"); // 0: refused
        QTest::addColumn<QString>("message");
        const QString range =
            QStringLiteral("你输入的定时时长格式有误，应该为数字，值范围为50-60000!");
        const QString notNumber =
            QStringLiteral("你输入的定时时长格式有误，应该为数字，值范围为100-60000!");
        QTest::newRow("initial 1000") << "1000" << 1000 << "";
        QTest::newRow("50") << "50" << 50 << "";
        QTest::newRow("60000") << "60000" << 60000 << "";
        QTest::newRow("60000.7 rounds up") << "60000.7" << 60001 << "";
        QTest::newRow("100.5 half to even") << "100.5" << 100 << "";
        QTest::newRow("49") << "49" << 0 << range;
        QTest::newRow("49.9") << "49.9" << 0 << range;
        QTest::newRow("60001") << "60001" << 0 << range;
        QTest::newRow("1e308") << "1e308" << 0 << range;
        QTest::newRow("empty") << "" << 0 << notNumber;
        QTest::newRow("abc") << "abc" << 0 << notNumber;
    }
    void interval() {
        QFETCH(QString, text);
        QFETCH(int, interval);
        QFETCH(QString, message);
        WindowFixture f;
        f.ui().lblCounter->setText("9");
        f.ui().txtTimerSet->setText(text);
        f.ui().cmdOneM->click();
        QCOMPARE(f.ui().lblCounter->text(), QStringLiteral("1"));
        QCOMPARE(f.ui().lblErrCounter->text(), QStringLiteral("1"));
        QCOMPARE(f.state().RecCount, 1);
        QCOMPARE(f.timer().isActive(), interval > 0);
        if (interval > 0) {
            QCOMPARE(f.timer().interval(), interval);
            QVERIFY(f.messages.shown.isEmpty());
            QVERIFY(f.port.writes.isEmpty()); // the first poll is one interval later
        } else {
            QCOMPARE(f.messages.texts(), QStringList{message});
        }
    }

    void refusedIntervalKeepsRunningPoll() {
        WindowFixture f;
        f.ui().cmdOneM->click();
        f.ui().txtTimerSet->setText("10");
        f.ui().cmdOneM->click();
        QVERIFY(f.timer().isActive());
        QCOMPARE(f.timer().interval(), 1000);
    }

    void tickCountsAndSends() {
        WindowFixture f;
        f.ui().cmdOneM->click();
        f.tick();
        f.tick();
        QCOMPARE(f.ui().lblCounter->text(), QStringLiteral("3"));
        QCOMPARE(f.port.writes.size(), 2);
        f.port.deliver(ReadResponse(1, {4321}));
        QCOMPARE(f.ui().txtValue_0->text(), QStringLiteral("43.21"));
        QCOMPARE(f.ui().lblErrCounter->text(), QStringLiteral("2"));
        f.ui().cmdStopOnce->click();
        QVERIFY(!f.timer().isActive());
        QCOMPARE(f.ui().lblCounter->text(), QStringLiteral("3"));
        f.ui().cmdOneM->click();
        QCOMPARE(f.ui().lblCounter->text(), QStringLiteral("1"));
        QCOMPARE(f.ui().lblErrCounter->text(), QStringLiteral("1"));
    }

    void pollCountWrapsAfter65536() {
        WindowFixture f;
        f.ui().lblCounter->setText("65535");
        f.tick();
        QCOMPARE(f.ui().lblCounter->text(), QStringLiteral("65536"));
        f.tick();
        QCOMPARE(f.ui().lblCounter->text(), QStringLiteral("1"));
    }

    void dataLengthRepaired() {
        WindowFixture f;
        f.ui().txtDataLength->setText("two");
        f.tick();
        QCOMPARE(f.ui().txtDataLength->text(), QStringLiteral("1"));
        QCOMPARE(f.sent(), QStringLiteral("01 03 00 00 00 01 84 0A"));
        QVERIFY(f.messages.shown.isEmpty());
    }

    void closedPortReportedOnceThenIdle() {
        WindowFixture f;
        f.ui().cmdOneM->click();
        f.port.unplug();
        f.tick();
        f.tick();
        f.tick();
        QCOMPARE(f.messages.texts(),
                 QStringList{QStringLiteral("打开串口出错，请确定串口是否已被占用")});
        QCOMPARE(f.ui().lblCounter->text(), QStringLiteral("2")); // only the first tick counted
        QVERIFY(f.timer().isActive());
        // Choosing the port again reopens it and polling resumes by itself.
        emit f.ui().Combo1->activated(f.ui().Combo1->currentIndex());
        f.tick();
        QCOMPARE(f.ui().lblCounter->text(), QStringLiteral("3"));
        QCOMPARE(f.port.writes.size(), 1);
    }

    void refusedFieldStopsPolling() {
        WindowFixture f;
        f.ui().cmdOneM->click();
        f.ui().txtStationID->setText("x");
        f.tick();
        QCOMPARE(f.messages.texts(), QStringList{QStringLiteral("你输入的设备地址格式有误!")});
        QVERIFY(!f.timer().isActive());
        QCOMPARE(f.ui().lblCounter->text(), QStringLiteral("2"));
    }

    void tickDuringMessageBoxIsSkipped() {
        WindowFixture f;
        f.ui().cmdOneM->click();
        f.ui().txtStationID->setText("x");
        int ticksWhileOpen = 0;
        f.messages.whileOpen = [&] {
            if (ticksWhileOpen++ < 3) {
                f.tick();
            }
        };
        f.ui().comDoOnce->click();
        QCOMPARE(f.messages.shown.size(), 1); // the ticks neither counted nor asked again
        QCOMPARE(f.ui().lblCounter->text(), QStringLiteral("1"));
    }

    void notificationDuringMessageBoxIsHeldThenHandled() {
        WindowFixture f;
        f.ui().comDoOnce->click(); // armed for 7 bytes
        f.ui().txtFunID->setText("");
        const QByteArray response = ReadResponse(1, {3141});
        f.messages.whileOpen = [&] {
            f.port.deliver(response);
            QCOMPARE(f.ui().txtValue_0->text(), QStringLiteral("0")); // not yet
        };
        f.ui().comDoOnce->click();
        QCOMPARE(f.ui().txtValue_0->text(), QStringLiteral("31.41"));
        QCOMPARE(f.ui().txtState->toPlainText(), " " + WindowFixture::Hex(response));
    }

    void realTimerPolls() {
        WindowFixture f;
        f.ui().txtTimerSet->setText("50");
        f.ui().cmdOneM->click();
        QTRY_VERIFY_WITH_TIMEOUT(f.port.writes.size() >= 3, 5000);
        f.ui().cmdStopOnce->click();
    }
};

QTEST_MAIN(TestPolling)
#include "test_polling.moc"
