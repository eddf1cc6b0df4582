#pragma once

#include <array>
#include <cstdint>

#include <QString>

#include "form/message_boxes.h"
#include "link/comm_control.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTimer;
class QWidget;

// Window-level state shared by the commands and the receiver. One window
// exists, so there is one of each; all start at zero, false or empty.
struct FormState {
    std::int16_t CommNum = 0;
    std::int16_t CommRate = 0;
    bool CommReady = false;   // the port was opened (or found closed at a send)
    std::int16_t RecKind = 0; // response awaited: 0 none, 1 register read, 5 configuration
    std::int16_t RecLength = 0;
    std::int32_t RecCount = 0; // notifications since polling started, plus 65535 readings
    QString CmdText;           // hex text of the request last sent
};

// The controls the commands read and write, by their names on the window.
struct FormControls {
    QComboBox* Combo1 = nullptr; // port list
    QComboBox* Combo2 = nullptr; // baud list
    QLineEdit* txtStationID = nullptr;
    QLineEdit* txtFunID = nullptr;
    QLineEdit* txtStartID = nullptr;
    QLineEdit* txtDataLength = nullptr;
    QFrame* PictureShow = nullptr;
    std::array<QLineEdit*, 2> txtValue{};
    QLineEdit* txtCommand = nullptr;
    QPlainTextEdit* txtState = nullptr;
    QLabel* imgNotConnected = nullptr;
    QLabel* ImgYellow = nullptr;
    QLabel* imgConnected = nullptr;
    QLabel* lblErrCounter = nullptr;
    QLabel* lblCounter = nullptr;
    QLineEdit* txtTimerSet = nullptr;
    QTimer* Timer2 = nullptr;
    std::array<QLineEdit*, 2> txtsetValue{};
    QLineEdit* txtTAdj = nullptr;
    QLineEdit* txtHAdj = nullptr;
    std::array<QLineEdit*, 2> txtSetID{};
};

// What every handler works on: the controls, the state, the port and the
// message boxes, plus where the settings file lives.
struct Form {
    FormControls ui;
    FormState state;
    CommControl& MSComm1;
    MessageBoxes& messages;
    QString settingsPath;
    int busy = 0; // handlers running (a modal message box keeps one running)
};

// Marks a handler as running: port notifications are held until it ends, and
// poll ticks that fall due meanwhile are skipped, so that every event runs to
// completion before the next one, even across a message box's event loop.
class HandlerScope {
public:
    explicit HandlerScope(Form& form) : m_form(form) {
        m_form.MSComm1.hold();
        ++m_form.busy;
    }
    ~HandlerScope() {
        --m_form.busy;
        m_form.MSComm1.release();
    }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

private:
    Form& m_form;
};
