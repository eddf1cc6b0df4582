#include "app/combo_text.h"

#include <QComboBox>
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

} // namespace

void ShowTextWithoutSelection(QComboBox& list, const QString& text) {
    // Typed text never becomes a new entry.
    list.setInsertPolicy(QComboBox::NoInsert);
    Unselect(list, text);
    if (QLineEdit* edit = list.lineEdit()) {
        QObject::connect(edit, &QLineEdit::textEdited, &list,
                         [&list](const QString& typed) { Unselect(list, typed); });
    }
}
