// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandlistresult.h"

CommandListResult CommandListResult::failure(Problem problem)
{
    CommandListResult result;
    result.problem = problem;
    return result;
}

CommandListResult CommandListResult::checked(QStringList entries)
{
    if (entries.isEmpty())
        return failure(Problem::Empty);
    if (entries.size() > MostEntries) {
        CommandListResult result = failure(Problem::TooLong);
        result.count = entries.size();
        return result;
    }
    CommandListResult result;
    result.entries = std::move(entries);
    return result;
}
