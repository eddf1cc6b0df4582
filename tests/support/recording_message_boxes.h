#pragma once

#include <functional>

#include <QList>
#include <QString>

#include "form/message_boxes.h"

// Records every message instead of showing it. `whileOpen` runs as if the
// operator took that long to close the box, with the handler still running.
class RecordingMessageBoxes : public MessageBoxes {
public:
    struct Message {
        QString text;
        MessageIcon icon;
        QString title;
    };

    QStringList texts() const {
        QStringList result;
        for (const Message& message : shown) {
            result.append(message.text);
        }
        return result;
    }

    QList<Message> shown;
    std::function<void()> whileOpen;

protected:
    void present(const QString& text, MessageIcon icon, const QString& title) override {
        shown.append({text, icon, title});
        if (whileOpen) {
            whileOpen();
        }
    }
};
