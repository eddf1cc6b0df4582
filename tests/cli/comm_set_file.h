#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

// Puts a comm.set into `folder` for a test case: `content` as its bytes, "/"
// for a folder in its place, a null array for none at all.
inline bool PlaceCommSet(const QString& folder, const QByteArray& content) {
    if (content == "/") {
        return QDir(folder).mkdir(QStringLiteral("comm.set"));
    }
    if (content.isNull()) {
        return true;
    }
    QFile file(QDir(folder).filePath(QStringLiteral("comm.set")));
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}
