#pragma once

#include <memory>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "app/frmMain.h"
#include "link/qt_comm_control.h"
#include "support/recording_message_boxes.h"
#include "ui_frmMain.h"

// ht5530k-sim on a pseudo-terminal, reachable as COM<n> through a link in a
// program folder. HT_SIM_PATH is the simulator's path, set by the build.
class SimProcess {
public:
    ~SimProcess() { stop(); }

    // Starts the simulator with `arguments` and waits (bounded) until it has
    // printed its device path and made the link.
    bool start(const QString& folder, const QStringList& arguments, int com = 4) {
        link = folder + QStringLiteral("/COM") + QString::number(com);
        process.start(QStringLiteral(HT_SIM_PATH),
                      QStringList{QStringLiteral("--link"), link} + arguments);
        if (!process.waitForStarted(5000)) {
            return false;
        }
        while (!process.canReadLine()) {
            if (!process.waitForReadyRead(5000)) {
                return false;
            }
        }
        device = QString::fromLatin1(process.readLine()).trimmed();
        return QFileInfo(link).isSymLink();
    }

    void stop() {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(3000)) {
                process.kill();
                process.waitForFinished(3000);
            }
        }
    }

    QProcess process;
    QString device;
    QString link;
};

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
