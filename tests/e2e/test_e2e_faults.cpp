#include <QtTest>

#include "support/front_picture.h"
#include "support/sim_process.h"

namespace {

// The module's frame log: it shows that a request arrived and what went back.
bool LogHas(const QString& path, const QString& text) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && QString::fromLatin1(file.readAll()).contains(text);
}

const QString kClosedPort = QStringLiteral("打开串口出错，请确定串口是否已被占用");

} // namespace

// A misbehaving module or line must leave the program running and showing
// only what the bytes that reached it allow.
class TestE2eFaults : public QObject {
    Q_OBJECT
private slots:
    void singleReadUnderFault_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("logged"); // in the module's log once it has answered
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("received");
        QTest::addColumn<QString>("notifications");
        QTest::addColumn<QString>("front");

        const auto row = [](const char* name, const char* fault, const char* logged,
                            const char* value, const QString& received, const char* notifications,
                            const char* front) {
            QTest::newRow(name) << fault << logged << value << received << notifications << front;
        };
        const QString answer = QStringLiteral(" 01 03 02 11 C6 34 46");
        row("silent", "silent", " rx 01 03 00 00 00 01 84 0A", "0", "", "0", "ImgYellow");
        // Five bytes never reach the threshold of seven.
        row("exception", "exception", " tx 01 83 04", "0", "", "0", "ImgYellow");
        row("short", "short", " tx 01 03 02 11 C6 34", "0", "", "0", "ImgYellow");
        // Shown and counted, but a response failing its CRC sets no value.
        row("bad CRC", "bad-crc=1", " tx 01 03 02 11 C6 91 1C", "0", " 01 03 02 11 C6 91 1C", "1",
            "imgConnected");
        // One notification, once the threshold is reached, not one per byte.
        row("split", "split=5", " tx 01 03 02 11 C6 34 46", "45.50", answer, "1", "imgConnected");
        // Both copies arrive as one block; the first is decoded.
        row("double", "double", " tx 01 03 02 11 C6 34 46 01", "45.50", answer + answer, "1",
            "imgConnected");
    }

    void singleReadUnderFault() {
        QFETCH(QString, fault);
        QFETCH(QString, logged);
        QFETCH(QString, value);
        QFETCH(QString, received);
        QFETCH(QString, notifications);
        QFETCH(QString, front);
        QTemporaryDir logDir;
        const QString log = logDir.filePath("sim.log");
        SimWindow w({"--humidity", "45.5", "--no-drift", "--log", log, "--fault", fault});
        QVERIFY(w.started);

        w.ui().comDoOnce->click();
        QCOMPARE(w.ui().txtCommand->text(), QStringLiteral("01 03 00 00 00 01 84 0A "));
        QTRY_VERIFY_WITH_TIMEOUT(LogHas(log, logged), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(w.ui().txtState->toPlainText(), received, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(w.ui().txtValue_0->text(), value, 5000);
        // Whatever else was coming has had time to arrive.
        QTest::qWait(300);
        QCOMPARE(w.ui().txtValue_0->text(), value);
        QCOMPARE(w.ui().txtState->toPlainText(), received);
        QCOMPARE(w.ui().lblErrCounter->text(), notifications);
        QCOMPARE(FrontPicture(*w.ui().Picture2)->objectName(), front);
        QVERIFY(w.messages.shown.isEmpty());
    }

    // Noise as fast as the line takes it, while polling at the shortest interval.
    void pollingSurvivesLineNoise() {
        SimWindow w({"--no-drift", "--fault", "garbage=1048576"});
        QVERIFY(w.started);
        w.ui().txtTimerSet->setText("50");
        w.ui().cmdOneM->click();
        // 60 polls take 3 s; the wait fails only if ticks are starved for far longer.
        QTRY_VERIFY_WITH_TIMEOUT(w.ui().lblCounter->text().toInt() >= 61, 30000);
        QVERIFY(w.ui().lblErrCounter->text().toInt() > 1); // the noise was received
        // Responses still get through between the bursts.
        QTRY_COMPARE_WITH_TIMEOUT(w.ui().txtValue_0->text(), QStringLiteral("45.00"), 20000);
        QVERIFY(w.port->portOpen());

        w.ui().cmdStopOnce->click();
        const QString polls = w.ui().lblCounter->text();
        QTest::qWait(200);
        QCOMPARE(w.ui().lblCounter->text(), polls);
        QCOMPARE(w.sim.process.state(), QProcess::Running);
        QVERIFY(w.messages.shown.isEmpty());
    }

    // The device vanishes while polling; a module plugged in again on the same
    // link is picked up by choosing the port again, and polling resumes.
    void unplugReportedOnceThenReplugResumesPolling() {
        SimWindow w({"--humidity", "45.5", "--no-drift", "--fault", "unplug=1"});
        QVERIFY(w.started);
        w.ui().txtTimerSet->setText("50");
        w.ui().cmdOneM->click();
        QTRY_COMPARE_WITH_TIMEOUT(w.ui().txtValue_0->text(), QStringLiteral("45.50"), 5000);

        QTRY_COMPARE_WITH_TIMEOUT(w.messages.texts(), QStringList{kClosedPort}, 10000);
        QCOMPARE(FrontPicture(*w.ui().Picture2), w.ui().imgNotConnected);
        QVERIFY(!w.port->portOpen());
        QVERIFY(!w.state().CommReady);
        QTRY_COMPARE_WITH_TIMEOUT(w.sim.process.state(), QProcess::NotRunning, 5000);
        QCOMPARE(w.sim.process.exitCode(), 0);
        // Later ticks neither count, send nor report.
        const QString polls = w.ui().lblCounter->text();
        QTest::qWait(300);
        QCOMPARE(w.ui().lblCounter->text(), polls);
        QCOMPARE(w.messages.shown.size(), 1);

        SimProcess replugged;
        QVERIFY(replugged.start(w.folder.path(), {"--humidity", "55.25", "--no-drift"}));
        emit w.ui().Combo1->activated(w.ui().Combo1->currentIndex());
        QVERIFY(w.port->portOpen());
        QTRY_COMPARE_WITH_TIMEOUT(w.ui().txtValue_0->text(), QStringLiteral("55.25"), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(w.ui().lblCounter->text().toInt() > polls.toInt() + 5, 5000);
        w.ui().cmdStopOnce->click();
        QCOMPARE(w.messages.shown.size(), 1);
    }
};

QTEST_MAIN(TestE2eFaults)
#include "test_e2e_faults.moc"
