#include <QtTest>

#include "app/maker_line.h"

// Built twice (tests/app/CMakeLists.txt) with the maker's settings as a build
// passes them: once given, once left empty.
class TestBuiltMakerLine : public QObject {
    Q_OBJECT
private slots:
    void lineFromTheBuildSettings() {
#ifdef HT_TEST_MAKER_GIVEN
        QCOMPARE(BuiltMakerLine(),
                 QStringLiteral(
                     "技术支持：Varnik传感器  电话：+44 20 7946 0123  网址：www.example.com"));
#else
        QCOMPARE(BuiltMakerLine(),
                 QStringLiteral("技术支持：Varnik传感器  版本：" HT_PROJECT_VERSION
                                "  帮助：man ht5530k"));
#endif
    }
};

QTEST_APPLESS_MAIN(TestBuiltMakerLine)
#include "test_built_maker_line.moc"
