// The adjustment write's conversion and refusals, without a window.

#include <QtTest>

#include "bytes_util.h"
#include "module_setup/adjustment_rules.h"

class TestAdjustmentRules : public QObject {
    Q_OBJECT
private slots:
    void write_data();
    void write();
};

void TestAdjustmentRules::write_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("frame"); // empty when refused

    QTest::newRow("row 0, -80") << 0 << "-80"
                                << "FA 06 0A 00 FF B0 DF DD";
    QTest::newRow("row 1, 200") << 1 << "200"
                                << "FA 06 0A 02 00 C8 3F CF";
    QTest::newRow("-1") << 0 << "-1"
                        << "FA 06 0A 00 FF FF 9E 29";
    QTest::newRow("-32768, the lowest") << 0 << "-32768"
                                        << "FA 06 0A 00 80 00 FE 59";
    QTest::newRow("-32769 would flip the sign") << 0 << "-32769"
                                                << "";
    QTest::newRow("65535, the highest") << 0 << "65535"
                                        << "FA 06 0A 00 FF FF 9E 29";
    QTest::newRow("65536") << 0 << "65536"
                           << "";
    QTest::newRow("2.5 to even") << 0 << "2.5"
                                 << "FA 06 0A 00 00 02 1E 58";
    QTest::newRow("3.5 to even") << 0 << "3.5"
                                 << "FA 06 0A 00 00 04 9E 5A";
    QTest::newRow("-0.3 is zero, not one past the register") << 0 << "-0.3"
                                                             << "FA 06 0A 00 00 00 9F 99";
    QTest::newRow("-1.499 in single precision") << 0 << "-1.499"
                                                << "FA 06 0A 00 FF FE 5F E9";
    QTest::newRow("not a number") << 0 << "abc"
                                  << "";
    QTest::newRow("empty") << 1 << ""
                           << "";
}

void TestAdjustmentRules::write() {
    QFETCH(int, row);
    QFETCH(QString, entry);
    QFETCH(QString, frame);
    const module_setup::AdjustDecision decision =
        module_setup::CheckAdjustment(row, entry.toStdString());
    QCOMPARE(decision.request ? Hex(decision.request->bytes) : QString(), frame);
    QCOMPARE(QString::fromStdString(decision.refusal),
             frame.isEmpty() ? QStringLiteral("你输入的值有误!") : QString());
    QCOMPARE(module_setup::AdjustmentValue(entry.toStdString()).has_value(), !frame.isEmpty());
}

QTEST_APPLESS_MAIN(TestAdjustmentRules)
#include "test_adjustment_rules.moc"
