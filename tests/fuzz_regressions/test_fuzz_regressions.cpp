#include <QtTest>

#include "link/settings_file.h"
#include "support/window_fixture.h"

// Inputs with which the fuzz targets found faults; each is also in the
// target's seed corpus under tests/fuzz/corpus.
//
// ParseCommSettings read "+-3" as -3: '+' was skipped and the rest given to
// a conversion that takes a '-' of its own.
class TestFuzzRegressions : public QObject {
    Q_OBJECT
private slots:
    void settingsText_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("rate");
        QTest::newRow("plus then minus before the port")
            << QByteArray("+-3,9600") << false << 0 << 0;
        QTest::newRow("plus then minus before the rate")
            << QByteArray("4,+-9600") << false << 0 << 0;
        QTest::newRow("as found") << QByteArray("3\n+-4,-7") << false << 0 << 0;
        QTest::newRow("minus then plus") << QByteArray("-+3,9600") << false << 0 << 0;
        QTest::newRow("one sign each") << QByteArray("+3,-7") << true << 3 << -7;
    }
    void settingsText() {
        QFETCH(QByteArray, content);
        QFETCH(bool, valid);
        QFETCH(int, port);
        QFETCH(int, rate);
        const auto parsed =
            ParseCommSettings({content.constData(), static_cast<std::size_t>(content.size())});
        QCOMPARE(parsed.has_value(), valid);
        if (valid) {
            QCOMPARE(int{parsed->CommNum}, port);
            QCOMPARE(int{parsed->CommRate}, rate);
        }
    }

    // What the operator sees: a malformed file gives COM4 at 19200, opened.
    void startUpWithSettings_data() {
        QTest::addColumn<QByteArray>("commSet");
        QTest::newRow("plus then minus before the port") << QByteArray("+-3,9600\r\n");
        QTest::newRow("plus then minus before the rate") << QByteArray("4,+-9600\r\n");
    }
    void startUpWithSettings() {
        QFETCH(QByteArray, commSet);
        WindowFixture f(commSet);
        QCOMPARE(f.port.settings(), QStringLiteral("19200,N,8,1"));
        QVERIFY(f.port.portOpen());
        QCOMPARE(int{f.port.openedPort}, 4);
    }
};

QTEST_MAIN(TestFuzzRegressions)
#include "test_fuzz_regressions.moc"
