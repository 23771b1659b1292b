// SPDX-License-Identifier: GPL-3.0-or-later
// A window that is asked for again comes back in front of the operator: restored when
// minimized, raised and activated.
//
// On Wayland a program cannot raise its own window; Qt's xdg-shell plugin (Qt 6.4) turns the
// activation into an xdg-activation request carrying the serial of the operator's last input,
// which is the menu choice or shortcut that asked for the window. Whether the window comes to
// the front is then the compositor's decision: one without xdg-activation, or whose
// focus-stealing prevention refuses the request, leaves it where it is.
#pragma once

class QWidget;

void bringToFront(QWidget &window);
