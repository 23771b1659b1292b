// SPDX-License-Identifier: GPL-3.0-or-later
// The list a configuration is about to send, or why it cannot send one. Whatever the reason,
// the dialogue ends before any entry goes out. Facts only: each face says why its own way.
#pragma once

#include "storeresult.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

struct CommandListResult
{
    enum class Problem : quint8 {
        None,
        Unreadable,       // the INI file is there but could not be read: see `unreadable`
        RingCountInvalid, // the list has "S0=#" and the ring count is not 0 to 99
        Empty,            // nothing to send
        TooLong,          // more entries (`count`) than the 16-bit entry index reaches
    };
    static constexpr qsizetype MostEntries = 32767;

    QStringList entries;
    Problem problem = Problem::None;
    qsizetype count = 0;    // the entries there were (TooLong)
    StoreResult unreadable; // what failed when the store read the file (Unreadable)
    std::optional<int> s37; // the S37 code the list sets with "S37=#", if it has one

    bool ok() const { return problem == Problem::None; }

    static CommandListResult failure(Problem problem);
    // The entries, or Empty or TooLong when they cannot be sent as they are.
    static CommandListResult checked(QStringList entries);
};
