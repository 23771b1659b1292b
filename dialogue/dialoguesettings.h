// What the dialogue engine reads from the window at the moment it needs it.
#pragma once

#include "commandlistresult.h"

class DialogueSettings
{
public:
    virtual ~DialogueSettings() = default;

    // 0 none, 1 odd, 2 even: the parity option selected now.
    virtual int parityMode() const = 0;
    // The stored command list, read afresh and expanded with the current ring count and speed;
    // or why there is none to send.
    virtual CommandListResult BuildCommandList() = 0;
};
