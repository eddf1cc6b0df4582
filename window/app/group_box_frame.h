#pragma once

#include <QString>

// Fusion, Qt's default style on Linux, paints every group box frame from a
// picture in Qt's own resources, read with QPixmap::load. That load asks each
// image-format plugin whether it reads a .png file, which loads all of them
// (and libjpeg) while the first frame is painted: about a millisecond of the
// start-up and a quarter of a megabyte. PreloadGroupBoxFrame decodes the
// picture as PNG without asking anybody and puts it in the pixmap cache under
// the key QPixmap::load looks up, so the style finds it there. The picture is
// the same one, decoded by the same PNG reader, so nothing painted changes;
// should a Qt release build its key another way, the style just loads the
// picture itself as before.

// The key under which QPixmap::load caches the picture at `path`.
QString PixmapLoadKey(const QString& path);

// Caches Fusion's group-box frame when the application's style is Fusion.
// Returns whether it did.
bool PreloadGroupBoxFrame();
