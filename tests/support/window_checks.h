#pragma once

// What several suites check alike on the window of window_fixture.h.

#include <QtTest>

#include "support/window_fixture.h"

// A command refused with `message` in the product's box: nothing sent,
// txtCommand keeps "before", no response awaited.
inline void ExpectRefused(WindowFixture& f, const QString& message) {
    QCOMPARE(f.messages.texts(), QStringList{message});
    QCOMPARE(f.messages.shown[0].title, kProductName);
    QCOMPARE(f.messages.shown[0].icon, MessageIcon::None);
    QVERIFY(f.port.writes.isEmpty());
    QCOMPARE(f.ui().txtCommand->text(), QStringLiteral("before"));
    QCOMPARE(int{f.state().RecKind}, 0);
}

// `frame` sent as the one write, without a message, and shown in txtCommand.
inline void ExpectSent(WindowFixture& f, const QString& frame) {
    QVERIFY(f.messages.shown.isEmpty());
    QCOMPARE(f.port.writes.size(), 1);
    QCOMPARE(f.sent(), frame);
    QCOMPARE(f.ui().txtCommand->text(), frame + QLatin1Char(' '));
}

// A configuration request sent: its reply of six bytes awaited as
// `recLength`, the received text cleared, the command text kept for echoes.
inline void ExpectConfigurationArmed(WindowFixture& f, int recLength) {
    QCOMPARE(int{f.state().RecKind}, 5);
    QCOMPARE(int{f.state().RecLength}, recLength);
    QCOMPARE(f.port.rThreshold(), 6);
    QVERIFY(f.ui().txtState->toPlainText().isEmpty());
    QCOMPARE(f.state().CmdText, f.ui().txtCommand->text());
}

// Start-up without a message chose list entries `portIndex` (-1: none, the
// port stays closed) and `baudIndex`, applied `settings` and awaits any byte.
inline void ExpectStartedOn(WindowFixture& f, int portIndex, int baudIndex,
                            const QString& settings) {
    QVERIFY(f.messages.shown.isEmpty());
    QCOMPARE(f.ui().Combo1->currentIndex(), portIndex);
    QCOMPARE(f.ui().Combo2->currentIndex(), baudIndex);
    QCOMPARE(f.port.settings(), settings);
    QCOMPARE(f.port.portOpen(), portIndex >= 0);
    QCOMPARE(f.state().CommReady, portIndex >= 0);
    QCOMPARE(f.port.rThreshold(), 1);
    if (portIndex >= 0) {
        QCOMPARE(int{f.port.openedPort}, portIndex + 1);
        QCOMPARE(f.port.openedSettings, settings);
    }
}

// Exactly one message, with this text, title and icon.
inline void ExpectOnlyMessage(const RecordingMessageBoxes& messages, const QString& text,
                              const QString& title, MessageIcon icon) {
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].text, text);
    QCOMPARE(messages.shown[0].title, title);
    QCOMPARE(messages.shown[0].icon, icon);
}

// Exactly one message: saving to `path` failed, for the system's reason.
inline void ExpectSaveFailed(const RecordingMessageBoxes& messages, const QString& path) {
    const QString head = QStringLiteral("串口设置保存失败\n") + path + QStringLiteral(": ");
    QCOMPARE(messages.shown.size(), 1);
    QVERIFY2(messages.shown[0].text.startsWith(head), qPrintable(messages.shown[0].text));
    QVERIFY(messages.shown[0].text.size() > head.size());
    QCOMPARE(messages.shown[0].title, QStringLiteral("系统信息"));
    QCOMPARE(messages.shown[0].icon, MessageIcon::Exclamation);
}

// The window shown and on screen.
inline void ShowWindow(WindowFixture& f) {
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
}
