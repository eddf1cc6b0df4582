#include <QApplication>

#include "app/frmMain.h"
#include "link/qt_comm_control.h"
#include "link/settings_location.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ht5530k"));

    const SettingsLocation settings = ProgramSettings();

    QtCommControl port(settings.folder);
    ModalMessageBoxes messages;
    frmMain window(settings, port, messages);
    messages.setParent(&window);
    QApplication::setWindowIcon(window.windowIcon());
    window.show();
    return QApplication::exec();
}
