#include "serial_ports/system_view.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace serial_ports {

namespace {

// As many links as Linux follows in one path before it gives up (ELOOP).
constexpr int kMaxLinks = 40;
constexpr qint64 kMaxRead = qint64{64} * 1024;

QString Joined(const QStringList& parts) {
    return QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

} // namespace

QString SystemView::hostPath(const QString& machinePath) const {
    if (root == QLatin1String("/")) {
        return machinePath;
    }
    return QDir::cleanPath(root + QLatin1Char('/') + machinePath);
}

QString SystemView::machinePath(const QString& hostPath) const {
    if (root == QLatin1String("/")) {
        return hostPath;
    }
    const QString base = QDir::cleanPath(root);
    const QString path = QDir::cleanPath(hostPath);
    if (path == base) {
        return QStringLiteral("/");
    }
    if (!path.startsWith(base + QLatin1Char('/'))) {
        return {};
    }
    return path.mid(base.size());
}

std::optional<QString> SystemView::linkText(const QString& path) const {
    const QFileInfo info(hostPath(path));
    if (!info.isSymLink()) {
        return std::nullopt;
    }
    // QFileInfo makes a link's text absolute on the host; the text itself is
    // needed, so that an absolute target is read inside root.
    const QByteArray host = QFile::encodeName(hostPath(path));
    QByteArray text(4096, '\0');
    const ssize_t length = ::readlink(host.constData(), text.data(), text.size());
    if (length < 0) {
        return std::nullopt;
    }
    text.truncate(length);
    return QFile::decodeName(text);
}

bool SystemView::isLink(const QString& path) const {
    return QFileInfo(hostPath(path)).isSymLink();
}

std::optional<QString> SystemView::resolve(const QString& path) const {
    QStringList pending = path.split(QLatin1Char('/'));
    QStringList done;
    int links = 0;
    while (!pending.isEmpty()) {
        const QString part = pending.takeFirst();
        if (part.isEmpty() || part == QLatin1String(".")) {
            continue;
        }
        if (part == QLatin1String("..")) {
            if (!done.isEmpty()) {
                done.removeLast();
            }
            continue;
        }
        const QString candidate = Joined(done + QStringList{part});
        if (const std::optional<QString> text = linkText(candidate)) {
            if (++links > kMaxLinks) {
                return std::nullopt;
            }
            if (text->startsWith(QLatin1Char('/'))) {
                done.clear();
            }
            pending = text->split(QLatin1Char('/')) + pending;
            continue;
        }
        if (!QFileInfo::exists(hostPath(candidate))) {
            return std::nullopt;
        }
        done.append(part);
    }
    return Joined(done);
}

bool SystemView::exists(const QString& path) const {
    return resolve(path).has_value();
}

NodeStatus SystemView::node(const QString& path) const {
    const std::optional<QString> target = resolve(path);
    if (!target) {
        return {};
    }
    return inspect(hostPath(*target));
}

QStringList SystemView::entries(const QString& folder) const {
    return QDir(hostPath(folder))
        .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                   QDir::Name);
}

QByteArray SystemView::read(const QString& path) const {
    QFile file(hostPath(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.read(kMaxRead);
}

QString SystemView::attribute(const QString& path) const {
    return QString::fromUtf8(read(path)).trimmed();
}

} // namespace serial_ports
