#pragma once

#include <QString>

class QWidget;

// The product name, used as the title of message boxes that have none of their own.
inline const QString kProductName = QStringLiteral("HT5530K");

enum class MessageIcon { None, Exclamation };

// Every message box of the program goes through here, so that tests can
// record messages instead of blocking on a modal dialog.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Modal: returns when the operator has closed the box. An empty title
    // means the product name.
    void show(const QString& text, MessageIcon icon = MessageIcon::None,
              const QString& title = {}) {
        present(text, icon, title.isEmpty() ? kProductName : title);
    }

protected:
    // Shows one box; the title is always filled in.
    virtual void present(const QString& text, MessageIcon icon, const QString& title) = 0;
};

// The real thing: a modal QMessageBox with one OK button.
class ModalMessageBoxes : public MessageBoxes {
public:
    explicit ModalMessageBoxes(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

protected:
    void present(const QString& text, MessageIcon icon, const QString& title) override;

private:
    QWidget* m_parent;
};
