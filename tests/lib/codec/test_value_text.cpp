#include <QtTest>

#include "codec/value_text.h"

class TestValueText : public QObject {
    Q_OBJECT
private slots:
    void hundredths_data() {
        QTest::addColumn<qint64>("hundredths");
        QTest::addColumn<QString>("text");
        QTest::newRow("25") << qint64{2500} << "25.00";
        QTest::newRow("0.5") << qint64{50} << "0.50";
        QTest::newRow("0.05") << qint64{5} << "0.05";
        QTest::newRow("zero") << qint64{0} << "0.00";
        QTest::newRow("-1") << qint64{-100} << "-1.00";
        QTest::newRow("-0.02") << qint64{-2} << "-0.02";
        QTest::newRow("most negative") << qint64{20001 - 65536} << "-455.35";
        QTest::newRow("200") << qint64{20000} << "200.00";
        QTest::newRow("no thousands separator") << qint64{123456789} << "1234567.89";
    }
    void hundredths() {
        QFETCH(qint64, hundredths);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(codec::FormatHundredths(hundredths)), text);
    }

    void corrected_data() {
        QTest::addColumn<int>("v");
        QTest::addColumn<QString>("correction");
        QTest::addColumn<QString>("text");
        QTest::newRow("no correction") << 2500 << "0"
                                       << "25.00";
        QTest::newRow("1.25") << 2500 << "1.25"
                              << "26.25";
        QTest::newRow("zero minus 1.5") << 0 << "-1.5"
                                        << "-1.50";
        QTest::newRow("200 + 0") << 20000 << "0"
                                 << "200.00";
        QTest::newRow("half up") << 2500 << "0.005"
                                 << "25.01";
        QTest::newRow("below half") << 2500 << "0.0049999"
                                    << "25.00";
        QTest::newRow("above half") << 2500 << "0.0050001"
                                    << "25.01";
        QTest::newRow("negative half, away from zero") << 2500 << "-0.005"
                                                       << "25.00";
        QTest::newRow("negative below half") << 2500 << "-0.0049"
                                             << "25.00";
        QTest::newRow("negative above half") << 2500 << "-0.0051"
                                             << "24.99";
        QTest::newRow("result negative half away") << 0 << "-0.005"
                                                   << "-0.01";
        QTest::newRow("rounds to zero, no minus") << 0 << "-0.004"
                                                  << "0.00";
        QTest::newRow("exactly zero") << 100 << "-1"
                                      << "0.00";
        QTest::newRow("crosses zero") << 100 << "-1.015"
                                      << "-0.02";
        QTest::newRow("crosses zero below half") << 100 << "-1.0149"
                                                 << "-0.01";
        QTest::newRow("exponent") << 2500 << "1e2"
                                  << "125.00";
        QTest::newRow("tiny exponent") << 2500 << "1e-400"
                                       << "25.00";
        QTest::newRow("tiny negative exponent") << 2500 << "-1e-400"
                                                << "25.00";
        QTest::newRow("minus zero") << 2500 << "-0"
                                    << "25.00";
        QTest::newRow("huge") << 0 << "1e20"
                              << "100000000000000000000.00";
        QTest::newRow("huge negative") << 2500 << "-1e20"
                                       << "-99999999999999999975.00";
        QTest::newRow("fraction exactly at digits") << 0 << "0.00500"
                                                    << "0.01";
        QTest::newRow("leading zeros in fraction") << 1 << "0.000000001"
                                                   << "0.01";
    }
    void corrected() {
        QFETCH(int, v);
        QFETCH(QString, correction);
        QFETCH(QString, text);
        const auto number = codec::ReadDecimal(correction.toStdString());
        QVERIFY(number);
        QCOMPARE(
            QString::fromStdString(codec::FormatCorrected(static_cast<std::uint16_t>(v), *number)),
            text);
    }
};

QTEST_APPLESS_MAIN(TestValueText)
#include "test_value_text.moc"
