// SPDX-License-Identifier: GPL-3.0-or-later
// Names the main window's controls for screen readers (AT-SPI) where Qt's own guess is wrong:
// a group box inside another takes the outer one's caption, and a value label is announced by
// its value alone.
#pragma once

class QLabel;
class QWidget;

namespace AccessibleNames {

// Gives the inner groups their own captions and the value labels what they show.
void nameControls(QWidget &form);
// A value label's text changed: the description carries it, and the screen reader hears of it.
void valueShown(QLabel &label);

} // namespace AccessibleNames
