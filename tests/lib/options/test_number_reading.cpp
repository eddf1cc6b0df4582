#include <QtTest>

#include "options/number_reading.h"

// How both programs read numbers, and the message when one is refused.
class TestNumberReading : public QObject {
    Q_OBJECT
private slots:
    void integers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qlonglong>("low");
        QTest::addColumn<qlonglong>("high");
        QTest::addColumn<QString>("read"); // "-": refused
        QTest::newRow("inside") << "35" << 1LL << 255LL << "35";
        QTest::newRow("lowest") << "1" << 1LL << 255LL << "1";
        QTest::newRow("highest") << "255" << 1LL << 255LL << "255";
        QTest::newRow("below") << "0" << 1LL << 255LL << "-";
        QTest::newRow("above") << "256" << 1LL << 255LL << "-";
        QTest::newRow("negative") << "-40" << -100LL << 100LL << "-40";
        QTest::newRow("minus zero") << "-0" << 0LL << 10LL << "0";
        QTest::newRow("a sign") << "+1" << 0LL << 100LL << "-";
        QTest::newRow("a space before") << " 1" << 0LL << 100LL << "-";
        QTest::newRow("trailing text") << "1x" << 0LL << 100LL << "-";
        QTest::newRow("a decimal") << "1.5" << 0LL << 100LL << "-";
        QTest::newRow("hex") << "0x10" << 0LL << 100LL << "-";
        QTest::newRow("empty") << "" << 0LL << 100LL << "-";
        QTest::newRow("beyond 64 bits")
            << "9223372036854775808" << 0LL << std::numeric_limits<qlonglong>::max() << "-";
        QTest::newRow("the highest seed") << "4294967295" << 0LL << 4294967295LL << "4294967295";
    }
    void integers() {
        QFETCH(QString, text);
        QFETCH(qlonglong, low);
        QFETCH(qlonglong, high);
        QFETCH(QString, read);
        const auto value = options::ReadInteger(text.toStdString(), low, high);
        QCOMPARE(value ? QString::number(*value) : QString("-"), read);
    }

    void decimals_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<QString>("read"); // "-": refused
        QTest::newRow("whole") << "45" << 0.0 << 100.0 << "45";
        QTest::newRow("decimals") << "45.5" << 0.0 << 100.0 << "45.5";
        QTest::newRow("negative") << "-12.5" << -40.0 << 125.0 << "-12.5";
        QTest::newRow("exponent") << "1e3" << 0.0 << 1e9 << "1000";
        QTest::newRow("highest") << "100" << 0.0 << 100.0 << "100";
        QTest::newRow("just above") << "100.01" << 0.0 << 100.0 << "-";
        QTest::newRow("just below") << "-40.5" << -40.0 << 125.0 << "-";
        QTest::newRow("nan") << "nan" << 0.0 << 100.0 << "-";
        QTest::newRow("inf") << "inf" << 0.0 << 1e9 << "-";
        QTest::newRow("overflow") << "1e400" << 0.0 << 1e9 << "-";
        QTest::newRow("a comma") << "0,5" << 0.0 << 1.0 << "-";
        QTest::newRow("a sign") << "+1" << 0.0 << 10.0 << "-";
        QTest::newRow("empty") << "" << 0.0 << 10.0 << "-";
    }
    void decimals() {
        QFETCH(QString, text);
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(QString, read);
        const auto value = options::ReadDecimal(text.toStdString(), low, high);
        QCOMPARE(value ? QString::number(*value) : QString("-"), read);
    }

    void messages() {
        QCOMPARE(options::RangeText(-40, 125), std::string("-40 to 125"));
        QCOMPARE(options::BadValue("address", "0", options::RangeText(1, 255)),
                 std::string("bad --address '0': 1 to 255"));
    }
};

QTEST_APPLESS_MAIN(TestNumberReading)
#include "test_number_reading.moc"
