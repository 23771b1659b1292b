// SPDX-License-Identifier: GPL-3.0-or-later
// What the main window offers beyond its designed controls: windows opened from a context menu
// (right click anywhere on the window) and from keyboard shortcuts. None of them changes the
// window's own layout, captions or dialogues.
#pragma once

class Form1;

namespace Extras {

// Adds every extra to the window's context menu, each with its shortcut.
void install(Form1 &window);

} // namespace Extras
