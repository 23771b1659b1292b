// SPDX-License-Identifier: GPL-3.0-or-later
// Selects the whole content of a text box, so that typing replaces it.
#pragma once

#include <QLineEdit>

namespace TextUtils {

inline void SelectAllText(QLineEdit *box)
{
    if (box)
        box->selectAll();
}

} // namespace TextUtils
