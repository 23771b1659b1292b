// SPDX-License-Identifier: GPL-3.0-or-later
// The Fusion style draws every group box's frame from a PNG of Qt's own, loaded by name the first
// time a frame is painted; Qt's image reader, left to find the format itself, first loads every
// image plugin installed (and libjpeg) to ask each of them. Read once here with the format named
// and put where Qt looks first (its pixmap cache, under the key QPixmap::load uses), the first
// frame is painted without them. Should Qt name its cache entries otherwise, Qt reads the file
// itself as before: only the saving is lost. Lives on the window's thread.
#pragma once

class QString;

namespace StylePixmaps {

// Fusion's group box frame, where Fusion is the style. Once the application exists, before the
// first window is painted.
void preloadGroupBoxFrame();

// What preloadGroupBoxFrame() does, for any PNG file: the key QPixmap::load would find it under.
QString cacheKeyFor(const QString &file);
bool preloadPng(const QString &file);

} // namespace StylePixmaps
