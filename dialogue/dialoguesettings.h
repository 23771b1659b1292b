// What the dialogue engine reads from the window at the moment it needs it.
#pragma once

#include "linesettings.h"

#include <QStringList>

class DialogueSettings
{
public:
    virtual ~DialogueSettings() = default;

    // The parity option selected now.
    virtual Parity parityMode() const = 0;
    // The stored command list, read afresh and expanded with the current ring count and speed.
    virtual QStringList BuildCommandList() = 0;
};
