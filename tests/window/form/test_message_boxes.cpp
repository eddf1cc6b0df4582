// The real message boxes: title, icon, text and one OK button, as shown.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "form/message_boxes.h"

class TestMessageBoxes : public QObject {
    Q_OBJECT
private slots:
    void shown_data();
    void shown();
};

void TestMessageBoxes::shown_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("exclamation");
    QTest::addColumn<QString>("expectedTitle");

    QTest::newRow("no title is the product name") << QString() << false << kProductName;
    QTest::newRow("own title") << QStringLiteral("系统提示") << false << QStringLiteral("系统提示");
    QTest::newRow("exclamation") << QStringLiteral("系统信息") << true
                                 << QStringLiteral("系统信息");
}

void TestMessageBoxes::shown() {
    QFETCH(QString, title);
    QFETCH(bool, exclamation);
    QFETCH(QString, expectedTitle);

    QString seenTitle;
    QString seenText;
    QMessageBox::Icon seenIcon = QMessageBox::Information;
    int buttons = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        seenTitle = box->windowTitle();
        seenText = box->text();
        seenIcon = box->icon();
        buttons = static_cast<int>(box->buttons().size());
        box->button(QMessageBox::Ok)->click();
    });
    ModalMessageBoxes boxes;
    boxes.show(QStringLiteral("串口设置保存成功"),
               exclamation ? MessageIcon::Exclamation : MessageIcon::None, title);

    QCOMPARE(seenTitle, expectedTitle);
    QCOMPARE(seenText, QStringLiteral("串口设置保存成功"));
    QCOMPARE(seenIcon, exclamation ? QMessageBox::Warning : QMessageBox::NoIcon);
    QCOMPARE(buttons, 1);
}

QTEST_MAIN(TestMessageBoxes)
#include "test_message_boxes.moc"
