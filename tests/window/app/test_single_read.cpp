#include <QtTest>

#include "support/window_checks.h"
#include "window/measure/read_field_cases.h"

// The "单次" button: checks, conversions, the request and the closed port.
class TestSingleRead : public QObject {
    Q_OBJECT

    // Station, function, length, start.
    static void SetFields(WindowFixture& f, const QStringList& fields) {
        f.ui().txtStationID->setText(fields[0]);
        f.ui().txtFunID->setText(fields[1]);
        f.ui().txtDataLength->setText(fields[2]);
        f.ui().txtStartID->setText(fields[3]);
    }

private slots:
    void startUpTextsSendTheFirstRead() {
        WindowFixture f;
        f.ui().txtState->setPlainText("old");
        f.ui().comDoOnce->click();
        ExpectSent(f, QStringLiteral("01 03 00 00 00 01 84 0A"));
        QCOMPARE(int{f.state().RecLength}, 7);
        QCOMPARE(int{f.state().RecKind}, 1);
        QCOMPARE(f.port.rThreshold(), 7);
        QVERIFY(f.ui().txtState->toPlainText().isEmpty());
        QCOMPARE(f.state().CmdText, f.ui().txtCommand->text());
        QCOMPARE(f.front(), f.ui().ImgYellow);
    }

    void requestBytes_data() { AcceptedReadRows(); }
    void requestBytes() {
        QFETCH(QStringList, fields);
        QFETCH(QString, frame);
        QFETCH(int, awaited);
        WindowFixture f;
        SetFields(f, fields);
        f.ui().comDoOnce->click();
        ExpectSent(f, frame);
        QCOMPARE(int{f.state().RecLength}, awaited);
        QCOMPARE(f.port.rThreshold(), awaited);
    }

    void refusedFields_data() { RefusedReadRows(); }
    void refusedFields() {
        QFETCH(QStringList, fields);
        QFETCH(QString, message);
        WindowFixture f;
        f.ui().txtState->setPlainText(" 01");
        f.ui().txtCommand->setText("before");
        SetFields(f, fields);
        f.ui().comDoOnce->click();
        ExpectRefused(f, message);
        QCOMPARE(f.ui().txtState->toPlainText(), QStringLiteral(" 01"));
    }

    void closedPort() {
        WindowFixture f("17,9600\r\n"); // no entry: the port stays closed
        f.state().CommReady = true;
        f.ui().txtState->setPlainText(" 01");
        f.ui().txtCommand->setText("before");
        QWidget* frontWhileOpen = nullptr;
        f.messages.whileOpen = [&] { frontWhileOpen = f.front(); };
        const QWidget* frontBefore = f.front();
        f.ui().comDoOnce->click();
        QCOMPARE(f.messages.texts(),
                 QStringList{QStringLiteral("打开串口出错，请确定串口是否已被占用")});
        QCOMPARE(frontWhileOpen, frontBefore); // the indicator changes after the box is closed
        QCOMPARE(f.front(), f.ui().imgNotConnected);
        QVERIFY(!f.state().CommReady);
        QVERIFY(f.port.writes.isEmpty());
        QVERIFY(f.ui().txtState->toPlainText().isEmpty());
        QCOMPARE(f.ui().txtCommand->text(), QStringLiteral("before"));
    }
};

QTEST_MAIN(TestSingleRead)
#include "test_single_read.moc"
