// The register read's field checks and conversions, without a window.

#include <QtTest>

#include "bytes_util.h"
#include "measure/read_fields.h"

class TestReadFields : public QObject {
    Q_OBJECT
private slots:
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
};

void TestReadFields::accepted_data() {
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("length");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<int>("awaited");

    QTest::newRow("after start-up") << "1"
                                    << "3"
                                    << "1"
                                    << "0"
                                    << "01 03 00 00 00 01 84 0A" << 7;
    QTest::newRow("two registers") << "2"
                                   << "3"
                                   << "2"
                                   << "0"
                                   << "02 03 00 00 00 02 C4 38" << 9;
    QTest::newRow("blanks around") << " 1 "
                                   << "3"
                                   << " 1"
                                   << "0 "
                                   << "01 03 00 00 00 01 84 0A" << 7;
    QTest::newRow("station and start take the integer part") << "1.9"
                                                             << "3"
                                                             << "2.9"
                                                             << "5.7"
                                                             << "01 03 00 05 00 02 D4 0A" << 9;
    QTest::newRow("function 3.5 rounds to even 4") << "1"
                                                   << "3.5"
                                                   << "1"
                                                   << "0"
                                                   << "01 04 00 00 00 01 31 CA" << 7;
    QTest::newRow("function 2.5 rounds to even 2") << "1"
                                                   << "2.5"
                                                   << "1"
                                                   << "0"
                                                   << "01 02 00 00 00 01 B9 CA" << 7;
    QTest::newRow("station 255") << "255"
                                 << "3"
                                 << "1"
                                 << "0"
                                 << "FF 03 00 00 00 01 91 D4" << 7;
    QTest::newRow("station 256 sends 0") << "256"
                                         << "3"
                                         << "1"
                                         << "0"
                                         << "00 03 00 00 00 01 85 DB" << 7;
    QTest::newRow("negative station sends 0") << "-1"
                                              << "3"
                                              << "1"
                                              << "0"
                                              << "00 03 00 00 00 01 85 DB" << 7;
    QTest::newRow("function 256 sends 0") << "1"
                                          << "256"
                                          << "1"
                                          << "0"
                                          << "01 00 00 00 00 01 C0 0A" << 7;
}

void TestReadFields::accepted() {
    QFETCH(QString, station);
    QFETCH(QString, function);
    QFETCH(QString, length);
    QFETCH(QString, start);
    QFETCH(QString, frame);
    QFETCH(int, awaited);
    const measure::ReadDecision decision = measure::CheckReadFields(
        {station.toStdString(), function.toStdString(), length.toStdString(), start.toStdString()});
    QVERIFY2(decision.request.has_value(), decision.refusal.c_str());
    QVERIFY(decision.refusal.empty());
    QCOMPARE(Hex(decision.request->bytes), frame);
    QCOMPARE(decision.request->RecLength, awaited);
    QCOMPARE(decision.request->threshold, awaited);
    QCOMPARE(decision.request->RecKind, codec::ResponseKind::RegisterRead);
}

void TestReadFields::refused_data() {
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("length");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("message");

    const QString station = QStringLiteral("你输入的设备地址格式有误!");
    const QString function = QStringLiteral("你输入的功能码格式有误!");
    const QString length = QStringLiteral("你输入的数据长度格式有误!");
    const QString start = QStringLiteral("你输入的起始地址格式有误!");
    const QString range = QStringLiteral("你输入的数据长度格式有误,正确的值应该为1-2!");

    QTest::newRow("empty station") << ""
                                   << "3"
                                   << "1"
                                   << "0" << station;
    QTest::newRow("station first when all are bad") << "x"
                                                    << "y"
                                                    << "z"
                                                    << "w" << station;
    QTest::newRow("function before length") << "1"
                                            << "0x03"
                                            << "z"
                                            << "w" << function;
    QTest::newRow("length before start") << "1"
                                         << "3"
                                         << "one"
                                         << "w" << length;
    QTest::newRow("start last") << "1"
                                << "3"
                                << "1"
                                << "2,5" << start;
    QTest::newRow("length 0") << "1"
                              << "3"
                              << "0"
                              << "0" << range;
    QTest::newRow("length 0.5 is 0") << "1"
                                     << "3"
                                     << "0.5"
                                     << "0" << range;
    QTest::newRow("length 3") << "1"
                              << "3"
                              << "3"
                              << "0" << range;
    QTest::newRow("length -1") << "1"
                               << "3"
                               << "-1"
                               << "0" << range;
    QTest::newRow("range checked after every field") << "1"
                                                     << "3"
                                                     << "5"
                                                     << "x" << start;
}

void TestReadFields::refused() {
    QFETCH(QString, station);
    QFETCH(QString, function);
    QFETCH(QString, length);
    QFETCH(QString, start);
    QFETCH(QString, message);
    const measure::ReadDecision decision = measure::CheckReadFields(
        {station.toStdString(), function.toStdString(), length.toStdString(), start.toStdString()});
    QVERIFY(!decision.request.has_value());
    QCOMPARE(QString::fromStdString(decision.refusal), message);
}

QTEST_APPLESS_MAIN(TestReadFields)
#include "test_read_fields.moc"
