// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandlistresult.h"

#include "operatortexts.h"

CommandListResult CommandListResult::failure(Problem problem, const QString &message)
{
    CommandListResult result;
    result.problem = problem;
    result.message = message;
    return result;
}

CommandListResult CommandListResult::checked(QStringList entries)
{
    if (entries.isEmpty())
        return failure(Problem::Empty, OperatorTexts::EmptyCommandList);
    if (entries.size() > MostEntries) {
        return failure(Problem::TooLong,
                       OperatorTexts::CommandListTooLong.arg(entries.size()).arg(MostEntries));
    }
    CommandListResult result;
    result.entries = std::move(entries);
    return result;
}
