#pragma once

#include <memory>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "app/frmMain.h"
#include "link/qt_comm_control.h"
#include "support/recording_message_boxes.h"
#include "support/simulator.h"
#include "ui_frmMain.h"

// The real window over the real serial-port layer, talking to the simulator
// through COM4 in a temporary program folder.
struct SimWindow {
    // Starts the simulator first, so that start-up finds the COM4 link and opens it.
    explicit SimWindow(const QStringList& simArguments, const QByteArray& commSet = "4,19200\r\n") {
        QFile file(folder.filePath("comm.set"));
        file.open(QIODevice::WriteOnly);
        file.write(commSet);
        file.close();
        started = sim.start(folder.path(), simArguments);
        port = std::make_unique<QtCommControl>(folder.path());
        window = std::make_unique<frmMain>(folder.path(), *port, messages);
    }

    Ui::frmMain& ui() { return window->ui(); }
    FormState& state() { return window->form().state; }

    QTemporaryDir folder;
    SimProcess sim;
    bool started = false;
    std::unique_ptr<QtCommControl> port;
    RecordingMessageBoxes messages;
    std::unique_ptr<frmMain> window;
};
