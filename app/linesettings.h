// The serial port's settings text, worked out from the speed and stop-bit options.
// The port always runs 8 data bits without parity: the parity the operator picks is applied
// by the line codec to each character, so only speed and stop bits reach the settings text.
#pragma once

#include <QString>

namespace LineSettings {

// speedIndex is the position of the selected speed option (0 = 9600, each next one halves
// it); oneStopBit tells whether stop-bits option "1" is selected. E.g. (3, false) gives
// "1200,N,8,2".
QString SettingsText(int speedIndex, bool oneStopBit);

} // namespace LineSettings
