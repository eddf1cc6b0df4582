// The text and box of one register value, without a window.

#include <QtTest>

#include "measure/register_text.h"

class TestRegisterText : public QObject {
    Q_OBJECT
private slots:
    void text_data();
    void text();
    void box_data();
    void box();
};

void TestRegisterText::text_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("correction");
    QTest::addColumn<QString>("shown"); // "-" when the box keeps its text

    const auto row = [](const char* name, int value, const char* correction, const char* shown) {
        QTest::newRow(name) << value << QString(correction) << QString(shown);
    };
    row("25.00", 2500, "0", "25.00");
    row("0", 0, "0", "0.00");
    row("200.00 is the largest positive", 20000, "0", "200.00");
    row("20001 is negative", 20001, "0", "-455.35");
    row("65534 is -0.02", 65534, "0", "-0.02");
    row("65535 is no reading", 65535, "0", "0");
    row("correction added", 2500, "1.5", "26.50");
    row("negative correction", 2500, "-30", "-5.00");
    row("third decimal rounds half away", 2500, "0.005", "25.01");
    row("negative values take no correction", 65436, "7", "-1.00");
    row("no reading takes no correction", 65535, "x", "0");
    row("correction not a number", 2500, "abc", "-");
    row("empty correction", 2500, "", "-");
}

void TestRegisterText::text() {
    QFETCH(int, value);
    QFETCH(QString, correction);
    QFETCH(QString, shown);
    const auto text =
        measure::RegisterText(static_cast<std::uint16_t>(value), correction.toStdString());
    QCOMPARE(text ? QString::fromStdString(*text) : QStringLiteral("-"), shown);
}

void TestRegisterText::box_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("k");
    QTest::addColumn<int>("box"); // -1: no box

    QTest::newRow("start 0, register 0") << "0" << 0 << 0;
    QTest::newRow("start 0, register 1") << "0" << 1 << 1;
    QTest::newRow("start 1, register 0") << "1" << 0 << 0;
    QTest::newRow("start 5 goes to the first box") << "5" << 0 << 0;
    QTest::newRow("start 5, register 1") << "5" << 1 << 1;
    QTest::newRow("negative start has no box") << "-1" << 0 << -1;
    QTest::newRow("negative start, register 1") << "-1" << 1 << -1;
    QTest::newRow("start not a number") << "x" << 1 << 1;
}

void TestRegisterText::box() {
    QFETCH(QString, start);
    QFETCH(int, k);
    QFETCH(int, box);
    const auto p = measure::ValueBox(start.toStdString(), k);
    QCOMPARE(p ? *p : -1, box);
}

QTEST_APPLESS_MAIN(TestRegisterText)
#include "test_register_text.moc"
