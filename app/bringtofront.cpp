// SPDX-License-Identifier: GPL-3.0-or-later
#include "bringtofront.h"

#include <QWidget>

void bringToFront(QWidget &window)
{
    // show() alone leaves a minimized window minimized.
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.show();
    window.raise();
    window.activateWindow();
}
