#pragma once

#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

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
