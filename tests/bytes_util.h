#pragma once

// Helpers shared by the tests: hex text <-> bytes.

#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QString>

inline std::vector<std::uint8_t> Bytes(const char* hex) {
    const QByteArray raw = QByteArray::fromHex(QByteArray(hex));
    return {raw.begin(), raw.end()};
}

inline std::vector<std::uint8_t> Bytes(const QString& hex) {
    return Bytes(hex.toLatin1().constData());
}

inline QByteArray Raw(const char* hex) {
    return QByteArray::fromHex(QByteArray(hex));
}

template <typename Container>
QString Hex(const Container& bytes) {
    QByteArray raw;
    for (auto b : bytes) {
        raw.append(static_cast<char>(b));
    }
    return QString::fromLatin1(raw.toHex(' ').toUpper());
}
