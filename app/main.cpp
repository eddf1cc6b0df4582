#include <QApplication>
#include <QFileInfo>
#include <QStandardPaths>

#include "app/frmMain.h"
#include "link/qt_comm_control.h"
#include "link/settings_location.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ht5530k"));

    // The folder of the executable, links resolved.
    const QString programFolder =
        QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath();
    const SettingsLocation settings = LocateSettings(
        programFolder, QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));

    QtCommControl port(settings.folder);
    ModalMessageBoxes messages;
    frmMain window(settings, port, messages);
    messages.setParent(&window);
    QApplication::setWindowIcon(window.windowIcon());
    window.show();
    return QApplication::exec();
}
