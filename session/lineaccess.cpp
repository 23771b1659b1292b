// SPDX-License-Identifier: GPL-3.0-or-later
// Alone in its file: the window's program has its own standard() (lineaccess.h says why).
#include "lineaccess.h"

LineAccess LineAccess::standard()
{
    return linked();
}
