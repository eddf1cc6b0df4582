#pragma once

#include <QPixmap>
#include <QString>

// Reads one of the window's PNG pictures from the resources. The format is
// named and content detection is off: otherwise Qt's first image load loads
// every image-format plugin (SVG, JPEG, GIF, ICO) to ask each whether it
// reads the file, which costs the start-up several milliseconds and a few
// megabytes for pictures that are always PNG.
QPixmap LoadPng(const QString& resource);
