#include <clocale>
#include <cmath>

#include <QtTest>

#include "codec/number_entry.h"

class TestNumberEntry : public QObject {
    Q_OBJECT
private slots:
    void reading_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "7" << true << 7.0;
        QTest::newRow("blanks around") << " 7 " << true << 7.0;
        QTest::newRow("tabs around") << "\t7\t" << true << 7.0;
        QTest::newRow("plus sign") << "+3" << true << 3.0;
        QTest::newRow("minus") << "-2.5" << true << -2.5;
        QTest::newRow("exponent") << "1e3" << true << 1000.0;
        QTest::newRow("exponent signed") << "25E-1" << true << 2.5;
        QTest::newRow("trailing point") << "1." << true << 1.0;
        QTest::newRow("leading point") << ".5" << true << 0.5;
        QTest::newRow("minus zero") << "-0" << true << 0.0;
        QTest::newRow("huge but finite") << "1e308" << true << 1e308;
        QTest::newRow("underflow reads as zero") << "1e-400" << true << 0.0;
        QTest::newRow("long digits")
            << QString(400, QLatin1Char('1')).prepend("0.") << true << 0.1111111111111111;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blanks only") << "   " << false << 0.0;
        QTest::newRow("sign only") << "-" << false << 0.0;
        QTest::newRow("point only") << "." << false << 0.0;
        QTest::newRow("exponent without digits") << "1e" << false << 0.0;
        QTest::newRow("exponent sign only") << "1e+" << false << 0.0;
        QTest::newRow("beyond double") << "1e400" << false << 0.0;
        QTest::newRow("beyond double negative") << "-1e309" << false << 0.0;
        QTest::newRow("inf") << "inf" << false << 0.0;
        QTest::newRow("nan") << "nan" << false << 0.0;
        QTest::newRow("hex") << "0x10" << false << 0.0;
        QTest::newRow("decimal comma") << "2,5" << false << 0.0;
        QTest::newRow("thousands") << "1,000" << false << 0.0;
        QTest::newRow("inner blank") << "1 0" << false << 0.0;
        QTest::newRow("double sign") << "--1" << false << 0.0;
        QTest::newRow("letters") << "abc" << false << 0.0;
        QTest::newRow("arabic-indic digit") << QString::fromUtf8("\u0663") << false << 0.0;
        QTest::newRow("full-width digit") << QString::fromUtf8("\uFF13") << false << 0.0;
        QTest::newRow("control char") << QString::fromLatin1("1\x01") << false << 0.0;
        QTest::newRow("newline") << "1\n" << false << 0.0;
    }
    void reading() {
        QFETCH(QString, text);
        QFETCH(bool, isNumber);
        QFETCH(double, value);
        const std::string utf8 = text.toStdString();
        QCOMPARE(codec::IsNumber(utf8), isNumber);
        if (isNumber) {
            QCOMPARE(*codec::ReadNumber(utf8), value);
        }
    }

    void localeDoesNotMatter() {
        // A German locale must not turn "2,5" into a number or "2.5" into a non-number.
        const char* set = std::setlocale(LC_ALL, "de_DE.UTF-8");
        if (!set) {
            set = std::setlocale(LC_NUMERIC, "C.UTF-8");
        }
        QVERIFY(codec::IsNumber("2.5"));
        QCOMPARE(*codec::ReadNumber("2.5"), 2.5);
        QVERIFY(!codec::IsNumber("2,5"));
        std::setlocale(LC_ALL, "C");
    }

    void exactDigits() {
        const auto n = codec::ReadDecimal(" -0012.3400e1 ");
        QVERIFY(n);
        QVERIFY(n->negative);
        QCOMPARE(QString::fromStdString(n->digits), QStringLiteral("123400"));
        QCOMPARE(n->exponent, std::int64_t{-3});
    }

    void conversions_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("integerPart");
        QTest::addColumn<double>("halfEven");
        QTest::newRow("2.5") << 2.5 << 2.0 << 2.0;
        QTest::newRow("3.5") << 3.5 << 3.0 << 4.0;
        QTest::newRow("-0.5") << -0.5 << -1.0 << 0.0;
        QTest::newRow("-2.5") << -2.5 << -3.0 << -2.0;
        QTest::newRow("2.9") << 2.9 << 2.0 << 3.0;
        QTest::newRow("-1.5") << -1.5 << -2.0 << -2.0;
        QTest::newRow("60000.7") << 60000.7 << 60000.0 << 60001.0;
        QTest::newRow("49.9") << 49.9 << 49.0 << 50.0;
        QTest::newRow("0.49999999999999994") << 0.49999999999999994 << 0.0 << 0.0;
        QTest::newRow("1e308") << 1e308 << 1e308 << 1e308;
    }
    void conversions() {
        QFETCH(double, value);
        QFETCH(double, integerPart);
        QFETCH(double, halfEven);
        QCOMPARE(codec::IntegerPart(value), integerPart);
        QCOMPARE(codec::RoundHalfEven(value), halfEven);
    }

    void singlePrecision_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<float>("value");
        QTest::newRow("-80") << "-80" << true << -80.0F;
        QTest::newRow("65535.5") << "65535.5" << true << 65535.5F;
        QTest::newRow("-0.3") << "-0.3" << true << -0.3F;
        QTest::newRow("too large for single") << "1e39" << false << 0.0F;
        QTest::newRow("not a number") << "abc" << false << 0.0F;
        QTest::newRow("empty") << "" << false << 0.0F;
    }
    void singlePrecision() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(float, value);
        const auto single = codec::ReadSingle(text.toStdString());
        QCOMPARE(single.has_value(), ok);
        if (ok) {
            QCOMPARE(*single, value);
        }
    }

    void singleHalfEven() {
        QCOMPARE(codec::RoundHalfEven(65533.5F), 65534.0F);
        QCOMPARE(codec::RoundHalfEven(65535.5F), 65536.0F);
        QCOMPARE(codec::RoundHalfEven(2.5F), 2.0F);
    }
};

QTEST_APPLESS_MAIN(TestNumberEntry)
#include "test_number_entry.moc"
