#include <QtTest>

#include "app/maker_line.h"
#include "support/window_fixture.h"

// The window's bottom line, in each form, fits its one row.
class TestMakerLine : public QObject {
    Q_OBJECT
private slots:
    void forms_data() {
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("web");
        QTest::addColumn<QString>("line");
        const auto row = [](const char* name, const char* phone, const QString& web,
                            const QString& line) {
            QTest::newRow(name) << QString(phone) << web << line;
        };
        const QString support = QStringLiteral("技术支持：Varnik传感器  ");
        row("nothing given: version and help", "", "", support + "版本：2.3.4  帮助：man ht5530k");
        row("telephone only", "+44 20 7946 0123", "", support + "电话：+44 20 7946 0123");
        row("web address only", "", "www.example.com", support + "网址：www.example.com");
        row("both", "+44 20 7946 0123", "www.example.com",
            support + "电话：+44 20 7946 0123  网址：www.example.com");
        row("non-ASCII address", "", QStringLiteral("例子.测试"), support + "网址：例子.测试");
    }
    void forms() {
        QFETCH(QString, phone);
        QFETCH(QString, web);
        QFETCH(QString, line);
        const QByteArray phoneUtf8 = phone.toUtf8();
        const QByteArray webUtf8 = web.toUtf8();
        const QString made = MakerLine(phoneUtf8.toStdString(), webUtf8.toStdString(), "2.3.4");
        QCOMPARE(made, line);

        WindowFixture f;
        QLabel& label = *f.ui().Label4;
        label.setText(made);
        QVERIFY(!label.wordWrap());
        QVERIFY2(label.fontMetrics().horizontalAdvance(made) <= label.width(),
                 qPrintable(QStringLiteral("%1 px wide, the row %2 px")
                                .arg(label.fontMetrics().horizontalAdvance(made))
                                .arg(label.width())));
    }

    void windowShowsThisBuildsLine() {
        WindowFixture f;
        QCOMPARE(f.ui().Label4->text(), BuiltMakerLine());
    }
};

QTEST_MAIN(TestMakerLine)
#include "test_maker_line.moc"
