#include <QtTest>

#include "support/window_fixture.h"

// The "单次" button: checks, conversions, the request and the closed port.
class TestSingleRead : public QObject {
    Q_OBJECT

    static void SetFields(WindowFixture& f, const QString& station, const QString& function,
                          const QString& start, const QString& length) {
        f.ui().txtStationID->setText(station);
        f.ui().txtFunID->setText(function);
        f.ui().txtStartID->setText(start);
        f.ui().txtDataLength->setText(length);
    }

private slots:
    void startUpTextsSendTheFirstRead() {
        WindowFixture f;
        f.ui().txtState->setPlainText("old");
        f.ui().comDoOnce->click();
        QCOMPARE(f.sent(), QStringLiteral("01 03 00 00 00 01 84 0A"));
        QCOMPARE(f.port.writes.size(), 1);
        QCOMPARE(int{f.state().RecLength}, 7);
        QCOMPARE(int{f.state().RecKind}, 1);
        QCOMPARE(f.port.rThreshold(), 7);
        QVERIFY(f.ui().txtState->toPlainText().isEmpty());
        QCOMPARE(f.ui().txtCommand->text(), QStringLiteral("01 03 00 00 00 01 84 0A "));
        QCOMPARE(f.state().CmdText, f.ui().txtCommand->text());
        QCOMPARE(f.front(), f.ui().ImgYellow);
        QVERIFY(f.messages.shown.isEmpty());
    }

    void requestBytes_data() {
        QTest::addColumn<QStringList>("fields"); // station, function, start, length
        QTest::addColumn<QString>("frame");
        QTest::addColumn<int>("recLength");
        QTest::newRow("two registers")
            << QStringList{"2", "3", "0", "2"} << "02 03 00 00 00 02 C4 38" << 9;
        QTest::newRow("station 2")
            << QStringList{"2", "3", "0", "1"} << "02 03 00 00 00 01 84 39" << 7;
        QTest::newRow("integer part and half to even up")
            << QStringList{"2.9", "3.5", "0", "1.9"} << "02 04 00 00 00 01 31 F9" << 7;
        QTest::newRow("half to even down")
            << QStringList{"1", "2.5", "0", "1"} << "01 02 00 00 00 01 B9 CA" << 7;
        QTest::newRow("station beyond a byte")
            << QStringList{"300", "3", "0", "1"} << "00 03 00 00 00 01 85 DB" << 7;
        QTest::newRow("negative start")
            << QStringList{"1", "3", "-1", "1"} << "01 03 00 00 00 01 84 0A" << 7;
        QTest::newRow("blanks and exponent")
            << QStringList{" 1 ", "3e0", "1", "+2"} << "01 03 00 01 00 02 95 CB" << 9;
    }
    void requestBytes() {
        QFETCH(QStringList, fields);
        QFETCH(QString, frame);
        QFETCH(int, recLength);
        WindowFixture f;
        SetFields(f, fields[0], fields[1], fields[2], fields[3]);
        f.ui().comDoOnce->click();
        QCOMPARE(f.sent(), frame);
        QCOMPARE(int{f.state().RecLength}, recLength);
        QCOMPARE(f.port.rThreshold(), recLength);
    }

    void refusedFields_data() {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("message");
        QTest::newRow("station, with function empty too")
            << QStringList{"x", "", "0", "1"} << "你输入的设备地址格式有误!";
        QTest::newRow("function") << QStringList{"1", "", "0", "1"} << "你输入的功能码格式有误!";
        QTest::newRow("length before start")
            << QStringList{"1", "3", "y", "z"} << "你输入的数据长度格式有误!";
        QTest::newRow("start") << QStringList{"1", "3", "y", "1"} << "你输入的起始地址格式有误!";
        QTest::newRow("length 3") << QStringList{"1", "3", "0", "3"}
                                  << "你输入的数据长度格式有误,正确的值应该为1-2!";
        QTest::newRow("length 0") << QStringList{"1", "3", "0", "0"}
                                  << "你输入的数据长度格式有误,正确的值应该为1-2!";
        QTest::newRow("length 0.9")
            << QStringList{"1", "3", "0", "0.9"} << "你输入的数据长度格式有误,正确的值应该为1-2!";
        QTest::newRow("decimal comma")
            << QStringList{"1,5", "3", "0", "1"} << "你输入的设备地址格式有误!";
    }
    void refusedFields() {
        QFETCH(QStringList, fields);
        QFETCH(QString, message);
        WindowFixture f;
        f.ui().txtState->setPlainText(" 01");
        f.ui().txtCommand->setText("before");
        SetFields(f, fields[0], fields[1], fields[2], fields[3]);
        f.ui().comDoOnce->click();
        QCOMPARE(f.messages.texts(), QStringList{message});
        QCOMPARE(f.messages.shown[0].title, kProductName);
        QCOMPARE(f.messages.shown[0].icon, MessageIcon::None);
        QVERIFY(f.port.writes.isEmpty());
        QCOMPARE(f.ui().txtState->toPlainText(), QStringLiteral(" 01"));
        QCOMPARE(f.ui().txtCommand->text(), QStringLiteral("before"));
        QCOMPARE(int{f.state().RecKind}, 0);
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
