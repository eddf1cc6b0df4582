#include "link/comm_control.h"

#include <QStringList>

void CommControl::bytesArrived() {
    // While held, release() looks at the buffer when the handler ends.
    if (m_holds == 0 && receiveDue()) {
        deliver(Receive);
    }
}

void CommControl::raiseEvent(std::int16_t event) {
    if (m_holds > 0) {
        m_heldEvents.push_back(event);
        return;
    }
    deliver(event);
}

void CommControl::release() {
    if (m_holds == 0 || --m_holds > 0) {
        return;
    }
    // Each delivery runs a handler that may hold again; stop as soon as one does.
    while (m_holds == 0 && !m_heldEvents.empty()) {
        const std::int16_t event = m_heldEvents.front();
        m_heldEvents.pop_front();
        deliver(event);
    }
    // Whatever waits is judged against the threshold now, not only what
    // announced itself while held: Qt announces no bytes that arrive while a
    // handler runs inside its own announcement, and a handler may lower the
    // threshold below what already waits.
    if (m_holds == 0 && receiveDue()) {
        deliver(Receive);
    }
}

void CommControl::deliver(std::int16_t event) {
    m_commEvent = event;
    emit onComm();
}

int BaudOfSettings(const QString& settings) {
    const QStringList parts = settings.split(QLatin1Char(','));
    if (parts.size() != 4 || parts[1] != QLatin1String("N") || parts[2] != QLatin1String("8") ||
        parts[3] != QLatin1String("1")) {
        return 0;
    }
    bool ok = false;
    const int baud = parts[0].toInt(&ok);
    return ok && baud > 0 ? baud : 0;
}
