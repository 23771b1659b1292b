// Virtual time for the dialogue tests: milliseconds since the test began.
#pragma once

#include <QtGlobal>

struct FakeClock
{
    qint64 now = 0;
};
