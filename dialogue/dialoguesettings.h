// SPDX-License-Identifier: GPL-3.0-or-later
// What the dialogue engine reads from the window at the moment it needs it.
#pragma once

#include "commandlistresult.h"
#include "linesettings.h"

class DialogueSettings
{
public:
    virtual ~DialogueSettings() = default;

    // The parity option selected now.
    virtual Parity parityMode() const = 0;
    // The stored command list, read afresh and expanded with the current ring count and speed;
    // or why there is none to send.
    virtual CommandListResult BuildCommandList() = 0;
};
