// SPDX-License-Identifier: GPL-3.0-or-later
#include "extras.h"

#include "form1.h"
#include "portswindow.h"
#include "transcriptwindow.h"
#include "windowtexts.h"

#include <QKeySequence>

namespace Extras {

void install(Form1 &window)
{
    window.addExtra(WindowTexts::PortsMenuEntry, QKeySequence(Qt::CTRL | Qt::Key_P),
                    [&window] { PortsWindow::showFor(window); });
    window.addExtra(QStringLiteral("Identificar modem..."), QKeySequence(QStringLiteral("Ctrl+I")),
                    [&window] { window.identifyModem(); });
    window.addExtra(WindowTexts::TranscriptCaption, QKeySequence(Qt::CTRL | Qt::Key_L),
                    [&window] { TranscriptWindow::showFor(window.transcript(), &window); });
}

} // namespace Extras
