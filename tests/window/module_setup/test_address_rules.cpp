// The address change's checks, in their order, without a window.

#include <QtTest>

#include "bytes_util.h"
#include "module_setup/address_rules.h"

class TestAddressRules : public QObject {
    Q_OBJECT
private slots:
    void change_data();
    void change();
};

void TestAddressRules::change_data() {
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("next");
    QTest::addColumn<QString>("frame"); // empty when refused
    QTest::addColumn<QString>("message");

    const QString badCurrent = QStringLiteral("你输入的原设备地址格式有误!");
    const QString badNext = QStringLiteral("你输入的目标设备地址格式有误!");
    const QString below = QStringLiteral("请指定正确的设备地址，正确值范围为1-35");
    const QString same = QStringLiteral("目标地址与当前地址相同，操作无效!");
    const QString above = QStringLiteral("请指定正确的设备地址，正确值范围为1-35!");

    QTest::newRow("2 to 5") << "2"
                            << "5"
                            << "02 06 0B 00 00 05 4B DE"
                            << "";
    QTest::newRow("1 to 35") << "1"
                             << "35"
                             << "01 06 0B 00 00 23 CA 37"
                             << "";
    QTest::newRow("integer parts") << "1.9"
                                   << "7.2"
                                   << "01 06 0B 00 00 07 CA 2C"
                                   << "";
    QTest::newRow("current 255") << "255"
                                 << "1"
                                 << "FF 06 0B 00 00 01 5F F0"
                                 << "";
    QTest::newRow("current not a number") << "x"
                                          << "y"
                                          << "" << badCurrent;
    QTest::newRow("current empty") << ""
                                   << "5"
                                   << "" << badCurrent;
    QTest::newRow("new not a number") << "1"
                                      << "y"
                                      << "" << badNext;
    QTest::newRow("current 0") << "0"
                               << "5"
                               << "" << below;
    QTest::newRow("new 0") << "5"
                           << "0"
                           << "" << below;
    QTest::newRow("new 0.5 is 0") << "5"
                                  << "0.5"
                                  << "" << below;
    QTest::newRow("same") << "3"
                          << "3.7"
                          << "" << same;
    QTest::newRow("new 36") << "1"
                            << "36"
                            << "" << above;
    QTest::newRow("same before range") << "300"
                                       << "300"
                                       << "" << same;
    QTest::newRow("range before current byte") << "300"
                                               << "36"
                                               << "" << above;
    QTest::newRow("current beyond a byte") << "256"
                                           << "1"
                                           << "" << badCurrent;
}

void TestAddressRules::change() {
    QFETCH(QString, current);
    QFETCH(QString, next);
    QFETCH(QString, frame);
    QFETCH(QString, message);
    const module_setup::ChangeDecision decision =
        module_setup::CheckAddressChange(current.toStdString(), next.toStdString());
    QCOMPARE(QString::fromStdString(decision.refusal), message);
    QCOMPARE(decision.request ? Hex(decision.request->bytes) : QString(), frame);
    if (decision.request) {
        QCOMPARE(decision.request->RecKind, codec::ResponseKind::Configuration);
        QCOMPARE(decision.request->threshold, 6);
    }
}

QTEST_APPLESS_MAIN(TestAddressRules)
#include "test_address_rules.moc"
