#include <QApplication>
#include <QFileInfo>
#include <QIcon>

#include "app/frmMain.h"
#include "link/qt_comm_control.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ht5530k"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/ht5530k.svg")));

    // The folder of the executable, links resolved: "comm.set" and COMn live there.
    const QString programFolder =
        QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath();

    QtCommControl port(programFolder);
    ModalMessageBoxes messages;
    frmMain window(programFolder, port, messages);
    messages.setParent(&window);
    window.show();
    return QApplication::exec();
}
