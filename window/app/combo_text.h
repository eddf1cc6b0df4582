#pragma once

#include <QString>

class QComboBox;

// An editable list that shows a text with no entry selected, drops its
// selection as soon as the operator types, and lets only an entry chosen from
// it select (never typed text, Enter or the wheel), so that "no entry
// selected" means what the operator sees.
void ShowTextWithoutSelection(QComboBox& list, const QString& text);
