#include "app/maker_line.h"

#include <QStringList>

namespace {
QString Text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
} // namespace

QString MakerLine(std::string_view phone, std::string_view web, std::string_view version) {
    QStringList parts{QStringLiteral("技术支持：Varnik传感器")};
    if (!phone.empty()) {
        parts << QStringLiteral("电话：") + Text(phone);
    }
    if (!web.empty()) {
        parts << QStringLiteral("网址：") + Text(web);
    }
    if (phone.empty() && web.empty()) {
        parts << QStringLiteral("版本：") + Text(version) << QStringLiteral("帮助：man ht5530k");
    }
    return parts.join(QStringLiteral("  "));
}
