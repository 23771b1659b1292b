// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for start-up: the least a Qt Widgets program can show, one line of text in a
// window, built with the same flags as the program and timed with the same probe.
#include "firstframe.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Configuración de Modems"));
    FirstFrame::reportWhenPainted(&label);
    label.show();
    return app.exec();
}
