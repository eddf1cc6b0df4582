#pragma once

#include <QString>

class QComboBox;

// An editable list that shows a text with no entry selected, and that drops
// its selection as soon as the operator types, so that "no entry selected"
// means what the operator sees.
void ShowTextWithoutSelection(QComboBox& list, const QString& text);
