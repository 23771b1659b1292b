// The window's parity option and command-list expansion, as the dialogue reads them.
#pragma once

#include "dialoguesettings.h"

class FakeSettings final : public DialogueSettings
{
public:
    int parityMode() const override
    {
        ++parityReads;
        return parity;
    }
    QStringList BuildCommandList() override
    {
        ++builds;
        return list;
    }

    int parity = 0;
    QStringList list;
    mutable int parityReads = 0;
    int builds = 0;
};
