#include "linesettings.h"

namespace LineSettings {

QString SettingsText(int speedIndex, bool oneStopBit)
{
    // Walk the options from the first, halving the speed at each step, until the selected one.
    int speed = 9600;
    for (int index = 0; index < speedIndex && speed > 1; ++index)
        speed /= 2;
    const int stopBits = oneStopBit ? 1 : 2;
    return QStringLiteral("%1,N,8,%2").arg(speed).arg(stopBits);
}

} // namespace LineSettings
