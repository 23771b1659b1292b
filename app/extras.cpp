#include "extras.h"

#include "form1.h"
#include "operatortexts.h"
#include "portswindow.h"

#include <QKeySequence>

namespace Extras {

void install(Form1 &window)
{
    window.addExtra(OperatorTexts::PortsMenuEntry, QKeySequence(Qt::CTRL | Qt::Key_P), [&window] { PortsWindow::showFor(window); });
}

} // namespace Extras
