#include <QtTest>

#include "support/window_checks.h"

// Start-up, the port list and the save button.
class TestWindowStartup : public QObject {
    Q_OBJECT
private slots:
    void layoutAndInitialTexts() {
        WindowFixture f;
        QWidget& w = *f.window;
        QCOMPARE(w.windowTitle(), QStringLiteral("HT5530KVarnik湿度传感器工具软件"));
        QCOMPARE(w.minimumSize(), QSize(649, 435));
        QCOMPARE(w.maximumSize(), QSize(649, 435));
        QCOMPARE(f.ui().txtStationID->text(), QStringLiteral("1"));
        QCOMPARE(f.ui().Combo1->count(), 16);
        QCOMPARE(f.ui().Combo1->itemText(15), QStringLiteral("COM16"));
        QCOMPARE(f.ui().Combo2->count(), 4);
        QCOMPARE(f.ui().lblCounter->text(), QStringLiteral("0"));
        QCOMPARE(f.ui().lblErrCounter->text(), QStringLiteral("0"));
        QCOMPARE(f.ui().txtValue_0->text(), QStringLiteral("0"));
        QVERIFY(f.ui().txtCommand->text().isEmpty());
        QCOMPARE(f.window->ReadModule(1, 2, 3, 4), std::int16_t{0});
        // The link-state discs and the window icon come from the resources;
        // a missing or misnamed one would leave an empty picture.
        for (const QLabel* disc : {f.ui().imgNotConnected, f.ui().ImgYellow, f.ui().imgConnected}) {
            QVERIFY2(disc->pixmap().size() == QSize(16, 16), qPrintable(disc->objectName()));
        }
        QCOMPARE(w.windowIcon().availableSizes().size(), 4);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // Present but never seen.
        for (QWidget* hidden :
             {static_cast<QWidget*>(f.ui().txtValue_1), static_cast<QWidget*>(f.ui().cmdSet_1),
              static_cast<QWidget*>(f.ui().txtsetValue_1), static_cast<QWidget*>(f.ui().txtHAdj),
              static_cast<QWidget*>(f.ui().lblDanWei_0)}) {
            QVERIFY2(!hidden->isVisible(), qPrintable(hidden->objectName()));
        }
        QVERIFY(f.ui().cmdSet_0->isVisible());
        QVERIFY(f.ui().PictureShow->isVisible());
    }

    void restoresSavedPort_data() {
        QTest::addColumn<QByteArray>("commSet");
        QTest::addColumn<int>("portIndex"); // -1: none selected, port closed
        QTest::addColumn<int>("baudIndex"); // -1: none selected
        QTest::addColumn<QString>("settings");
        const auto row = [](const char* name, const QByteArray& commSet, int portIndex,
                            int baudIndex, const char* settings) {
            QTest::newRow(name) << commSet << portIndex << baudIndex << QString(settings);
        };
        row("4,19200", "4,19200\r\n", 3, 3, "19200,N,8,1");
        row("rate 0 becomes 9600", "4,0\r\n", 3, 1, "9600,N,8,1");
        row("14400", "2,14400\r\n", 1, 2, "14400,N,8,1");
        row("rate no entry has", "5,2400\r\n", 4, -1, "2400,N,8,1");
        row("port no entry has", "17,9600\r\n", -1, 1, "9600,N,8,1");
        row("negative port", "-3,9600", -1, 1, "9600,N,8,1");
        row("zeros", "0,0", -1, 1, "9600,N,8,1");
        row("missing file", QByteArray(), 3, 3, "19200,N,8,1");
        row("malformed", "abc", 3, 3, "19200,N,8,1");
        row("too big for 16 bits", "4,115200", 3, 3, "19200,N,8,1");
    }
    void restoresSavedPort() {
        QFETCH(QByteArray, commSet);
        QFETCH(int, portIndex);
        QFETCH(int, baudIndex);
        QFETCH(QString, settings);
        WindowFixture f(commSet);
        ExpectStartedOn(f, portIndex, baudIndex, settings);
        if (baudIndex < 0) {
            QCOMPARE(f.ui().Combo2->currentText(), QStringLiteral("19200")); // initial text kept
        }
        QCOMPARE(f.settingsFile(), commSet.isNull() ? QString() : QString::fromLatin1(commSet));
    }

    void pickingPortReopensAtRateLastApplied() {
        WindowFixture f("4,9600\r\n");
        f.ui().Combo2->setCurrentIndex(3); // 19200 shown, not applied
        f.ui().Combo1->setCurrentIndex(4);
        emit f.ui().Combo1->activated(4);
        QVERIFY(f.port.portOpen());
        QCOMPARE(int{f.port.openedPort}, 5);
        QCOMPARE(f.port.openedSettings, QStringLiteral("9600,N,8,1"));
        QCOMPARE(int{f.state().CommNum}, 5);
        QCOMPARE(f.port.openCount, 2);
    }

    void saveAppliesAndWritesFile_data() {
        QTest::addColumn<int>("portIndex");
        QTest::addColumn<int>("baudIndex");
        QTest::addColumn<QString>("file");
        QTest::newRow("chosen") << 3 << 3 << "4,19200\r\n";
        QTest::newRow("no baud selected gives 4800") << 6 << -1 << "7,4800\r\n";
        QTest::newRow("14400") << 0 << 2 << "1,14400\r\n";
    }
    void saveAppliesAndWritesFile() {
        QFETCH(int, portIndex);
        QFETCH(int, baudIndex);
        QFETCH(QString, file);
        WindowFixture f("2,5000\r\n"); // 5000 selects no baud entry
        f.ui().Combo1->setCurrentIndex(portIndex);
        f.ui().Combo2->setCurrentIndex(baudIndex);
        f.ui().cmdCom->click();
        QCOMPARE(f.settingsFile(), file);
        QVERIFY(f.port.portOpen());
        QCOMPARE(f.port.openedSettings, file.section(',', 1).trimmed() + ",N,8,1");
        ExpectOnlyMessage(f.messages, QStringLiteral("串口设置保存成功"),
                          QStringLiteral("系统提示"), MessageIcon::None);
    }

    void saveWithPortHeldElsewhereStillSaves() {
        WindowFixture f;
        f.port.openFails = true;
        f.ui().cmdCom->click();
        QVERIFY(!f.port.portOpen());
        QVERIFY(f.state().CommReady);
        QCOMPARE(f.messages.texts(), QStringList{QStringLiteral("串口设置保存成功")});
        // The next request reports the closed port.
        f.ui().comDoOnce->click();
        QCOMPARE(f.messages.texts().last(), QStringLiteral("打开串口出错，请确定串口是否已被占用"));
    }

    void portStillOpenAfterClose() {
        WindowFixture f("4,19200\r\n");
        f.port.closeFails = true;
        f.ui().Combo2->setCurrentIndex(0);
        f.ui().cmdCom->click();
        ExpectOnlyMessage(f.messages, QStringLiteral("所选的串行端口已被其他设备所使用!"),
                          QStringLiteral("系统信息"), MessageIcon::Exclamation);
        QCOMPARE(f.settingsFile(), QStringLiteral("4,19200\r\n")); // nothing saved
        QCOMPARE(int{f.state().CommRate}, 4800);
    }

    void noPortSelected() {
        WindowFixture f;
        f.ui().Combo1->setCurrentIndex(-1);
        f.ui().cmdCom->click();
        emit f.ui().Combo1->activated(-1);
        QCOMPARE(f.messages.texts(),
                 (QStringList{QStringLiteral("请选择端口"), QStringLiteral("请选择端口")}));
        QCOMPARE(f.messages.shown[0].title, kProductName);
        QVERIFY(!f.port.portOpen());
        QCOMPARE(f.settingsFile(), QStringLiteral("4,19200\r\n"));
    }

    // Only an entry chosen from a list counts: typed text (with Enter, or
    // with the focus moving on) and the wheel over a closed list neither
    // select an entry nor reopen the port, and a save then finds no port
    // entry, or uses the first baud entry.
    void typedTextAndWheelSelectNothing_data() {
        QTest::addColumn<int>("list"); // 1: Combo1, 2: Combo2
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("enter");
        QTest::addColumn<int>("wheel"); // wheel steps after typing, 0: none
        QTest::newRow("port 7") << 1 << "7" << false << 0;
        QTest::newRow("port COM5 Enter") << 1 << "COM5" << true << 0;
        QTest::newRow("port com5 Enter") << 1 << "com5" << true << 0;
        QTest::newRow("port COM5 focus leaves") << 1 << "COM5" << false << 0;
        QTest::newRow("port c Enter") << 1 << "c" << true << 0;
        QTest::newRow("port wheel") << 1 << "" << false << -1;
        QTest::newRow("baud 1 Enter") << 2 << "1" << true << 0;
        QTest::newRow("baud 9600 Enter") << 2 << "9600" << true << 0;
        QTest::newRow("baud 9600 focus leaves") << 2 << "9600" << false << 0;
        QTest::newRow("baud wheel") << 2 << "" << false << 1;
    }
    void typedTextAndWheelSelectNothing() {
        QFETCH(int, list);
        QFETCH(QString, typed);
        QFETCH(bool, enter);
        QFETCH(int, wheel);
        WindowFixture f;
        ShowWindow(f);
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QComboBox* combo = list == 1 ? f.ui().Combo1 : f.ui().Combo2;
        const int opens = f.port.openCount;
        const int selected = combo->currentIndex();
        combo->setFocus();
        if (!typed.isEmpty()) {
            combo->lineEdit()->selectAll();
            QTest::keyClicks(combo->lineEdit(), typed);
        }
        if (enter) {
            QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        }
        if (wheel != 0) {
            const QPoint centre = combo->rect().center();
            QWheelEvent event(centre, combo->mapToGlobal(centre), {}, {0, 120 * wheel},
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(combo, &event);
        }
        f.ui().txtStationID->setFocus();
        QVERIFY(!combo->lineEdit()->hasFocus());
        QCOMPARE(combo->currentIndex(), typed.isEmpty() ? selected : -1);
        if (!typed.isEmpty()) {
            QCOMPARE(combo->currentText(), typed);
        }
        QCOMPARE(combo->count(), list == 1 ? 16 : 4);
        QCOMPARE(f.port.openCount, opens);
        f.ui().cmdCom->click();
        if (list == 1 && !typed.isEmpty()) {
            QCOMPARE(f.messages.texts(), QStringList{QStringLiteral("请选择端口")});
            QCOMPARE(f.settingsFile(), QStringLiteral("4,19200\r\n"));
        } else {
            QCOMPARE(f.settingsFile(), list == 2 && !typed.isEmpty()
                                           ? QStringLiteral("4,4800\r\n")
                                           : QStringLiteral("4,19200\r\n"));
        }
    }

    void failedSaveReportsAndKeepsOldFile() {
        WindowFixture f;
        // A folder where the file should go: it can be neither written nor replaced.
        const QString path = f.folder.filePath("comm.set");
        QFile::remove(path);
        QVERIFY(QDir(f.folder.path()).mkdir("comm.set"));
        f.ui().cmdCom->click();
        ExpectSaveFailed(f.messages, path);
        QVERIFY(QFileInfo(path).isDir());
    }
};

QTEST_MAIN(TestWindowStartup)
#include "test_window_startup.moc"
