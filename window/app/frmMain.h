#pragma once

#include <cstdint>
#include <memory>

#include <QTimer>
#include <QWidget>

#include "form/form.h"
#include "link/settings_location.h"

namespace Ui {
class frmMain;
}

// The tool's one window. It owns the controls, the poll timer and the
// window-level state, and routes every click, tick and port notification to
// its handler, one at a time.
class frmMain : public QWidget {
    Q_OBJECT
public:
    // The port object and the message boxes are passed in so that tests can
    // use in-memory ones.
    frmMain(const SettingsLocation& settings, CommControl& port, MessageBoxes& messages,
            QWidget* parent = nullptr);
    ~frmMain() override;

    Form& form() { return m_form; }
    Ui::frmMain& ui() { return *m_ui; }

    // Kept for integrators' scripts that call it; it has no effect.
    std::int16_t ReadModule(int D1, int d2, int d3, int d4) const;

private:
    template <typename Handler>
    void run(Handler&& handler);
    void connectHandlers();
    void startUp(const QString& settingsToRead);

    std::unique_ptr<Ui::frmMain> m_ui;
    QTimer m_timer2;
    Form m_form;
};
