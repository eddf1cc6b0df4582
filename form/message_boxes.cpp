#include "form/message_boxes.h"

#include <QMessageBox>

void ModalMessageBoxes::show(const QString& text, MessageIcon icon, const QString& title) {
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    title.isEmpty() ? kProductName : title, text, QMessageBox::Ok, m_parent);
    box.exec();
}
