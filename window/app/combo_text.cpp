#include "app/combo_text.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QValidator>

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

// The wheel over a closed list would step through its entries, emitting
// `activated`: the port would be reopened while the operator only scrolled
// past it.
class IgnoreWheel : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        return event->type() == QEvent::Wheel || QObject::eventFilter(watched, event);
    }
};

// Qt picks the entry matching the typed text, and emits `activated`, when the
// line edit finishes editing: Enter, or the focus leaving the list (a click
// on "save", closing the window). A line edit finishes only with acceptable
// input, so typed text that is never acceptable never picks an entry; only an
// entry chosen from the list (popup or arrow keys) does.
class TypedTextNeverFinal : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& /*input*/, int& /*pos*/) const override { return Intermediate; }
};

} // namespace

void ShowTextWithoutSelection(QComboBox& list, const QString& text) {
    // Typed text never becomes a new entry, nor is it completed to one.
    list.setInsertPolicy(QComboBox::NoInsert);
    list.setCompleter(nullptr);
    Unselect(list, text);
    list.installEventFilter(new IgnoreWheel(&list));
    if (QLineEdit* edit = list.lineEdit()) {
        edit->setValidator(new TypedTextNeverFinal(edit));
        QObject::connect(edit, &QLineEdit::textEdited, &list,
                         [&list](const QString& typed) { Unselect(list, typed); });
    }
}
