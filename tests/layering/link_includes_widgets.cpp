// Must not compile: the serial link does not link Qt Widgets.
#include <QWidget>
