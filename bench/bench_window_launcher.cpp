// The tool's start-up exactly as app/main.cpp does it (real serial-port layer,
// real message boxes), with a marker after the first painted frame.
//
//   bench_window_launcher --folder DIR   DIR plays the program folder (comm.set, COMn links)

#include <QApplication>
#include <QDir>

#include "app/frmMain.h"
#include "first_paint.h"
#include "link/qt_comm_control.h"
#include "link/settings_location.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ht5530k"));

    const QStringList arguments = QApplication::arguments();
    const qsizetype at = arguments.indexOf(QStringLiteral("--folder"));
    const QString programFolder =
        at >= 0 && at + 1 < arguments.size() ? arguments[at + 1] : QDir::currentPath();
    const SettingsLocation settings = ProgramSettings(programFolder);
    QDir().mkpath(settings.folder);

    QtCommControl port(settings.folder);
    ModalMessageBoxes messages;
    frmMain window(settings, port, messages);
    messages.setParent(&window);
    QApplication::setWindowIcon(window.windowIcon());
    FirstPaintMarker marker(window, true);
    window.show();
    return QApplication::exec();
}
