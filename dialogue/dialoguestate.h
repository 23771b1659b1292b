// SPDX-License-Identifier: GPL-3.0-or-later
// The numbered dialogue states; 0 means no dialogue runs.
#pragma once

#include <QtGlobal>

namespace Dialogue {

enum State : qint16 {
    Idle = 0,
    QueryWake = 1,
    QueryModeCheck = 2,
    QueryRingCount = 3,
    QueryLineSpeed = 4,
    ConfigWake = 5,
    ConfigResetCheck = 6,
    ConfigSendList = 7,
    ConfigQuiet = 8,
    ConfigStore = 9,
    FactoryReset = 10,
    FactoryResetDone = 11,
    FactoryStore = 12,
    IdentifyWake = 13,
    IdentifyModeCheck = 14,
    IdentifyAsk = 15,
    ResetToStored = 16,
};

} // namespace Dialogue
