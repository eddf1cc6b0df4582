#include "app/pictures.h"

#include <QImageReader>

QPixmap LoadPng(const QString& resource) {
    QImageReader reader(resource, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}
