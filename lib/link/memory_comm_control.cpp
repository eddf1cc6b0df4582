#include "link/memory_comm_control.h"

void MemoryCommControl::setPortOpen(bool open) {
    if (open == m_open) {
        return;
    }
    if (!open) {
        m_open = closeFails;
        if (!m_open) {
            m_input.clear(); // as a driver drops its buffers on close
        }
        return;
    }
    if (openFails) {
        return;
    }
    m_open = true;
    ++openCount;
    openedPort = commPort();
    openedSettings = settings();
}

void MemoryCommControl::setInBufferCount(int count) {
    if (count == 0) {
        m_input.clear();
    }
}

void MemoryCommControl::setOutBufferCount(int /*count*/) {
    // Writes complete at once here: there is never unsent output to discard.
}

void MemoryCommControl::output(const QByteArray& bytes) {
    if (m_open) {
        writes.append(bytes);
    }
}

QByteArray MemoryCommControl::input() {
    if (!m_open) {
        return {};
    }
    const qsizetype count =
        inputLen() > 0 ? std::min<qsizetype>(inputLen(), m_input.size()) : m_input.size();
    const QByteArray block = m_input.left(count);
    m_input.remove(0, count);
    return block;
}

void MemoryCommControl::deliver(const QByteArray& bytes) {
    if (!m_open) {
        return;
    }
    // Like a UART's buffer, what does not fit is lost.
    m_input.append(bytes.left(kInBufferSize - m_input.size()));
    bytesArrived();
}

void MemoryCommControl::unplug() {
    if (!m_open) {
        return;
    }
    m_open = false;
    m_input.clear();
    raiseEvent(DeviceLost);
}
