// Must not compile: the signal pipe is plain POSIX, so the virtual module can
// link it without Qt.
#include <QObject>
