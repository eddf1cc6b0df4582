#include "app/combo_text.h"

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

void Unselect(QComboBox& list, const QString& text) {
    const QSignalBlocker blocker(list);
    const int cursor = list.lineEdit() ? list.lineEdit()->cursorPosition() : 0;
    list.setCurrentIndex(-1);
    list.setEditText(text);
    if (list.lineEdit()) {
        list.lineEdit()->setCursorPosition(cursor);
    }
}

// Qt would select an entry when Enter is pressed on text that matches one,
// and would step through the entries under the wheel, emitting `activated`
// either way: the port would be reopened while the operator only typed or
// scrolled past the list. Only an entry chosen from the open list, or with
// the arrow keys, counts.
class ChoiceOnlyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Wheel) {
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void ShowTextWithoutSelection(QComboBox& list, const QString& text) {
    // Typed text never becomes a new entry, nor is it completed to one.
    list.setInsertPolicy(QComboBox::NoInsert);
    list.setCompleter(nullptr);
    Unselect(list, text);
    auto* filter = new ChoiceOnlyFilter(&list);
    list.installEventFilter(filter);
    if (QLineEdit* edit = list.lineEdit()) {
        edit->installEventFilter(filter);
        QObject::connect(edit, &QLineEdit::textEdited, &list,
                         [&list](const QString& typed) { Unselect(list, typed); });
    }
}
