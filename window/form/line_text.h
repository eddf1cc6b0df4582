#pragma once

#include <QLineEdit>
#include <QString>

// Sets a line edit's text unless it already shows exactly that text with the
// cursor at its end, nothing selected and no edits to undo: then setText()
// would change nothing but still repaint the box.
inline void SetLineText(QLineEdit& box, const QString& text) {
    if (box.text() == text && box.cursorPosition() == text.size() && !box.hasSelectedText() &&
        !box.isUndoAvailable() && !box.isRedoAvailable()) {
        return;
    }
    box.setText(text);
}
