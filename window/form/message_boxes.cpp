#include "form/message_boxes.h"

#include <QMessageBox>

void ModalMessageBoxes::present(const QString& text, MessageIcon icon, const QString& title) {
    QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    title, text, QMessageBox::Ok, m_parent);
    box.exec();
}
