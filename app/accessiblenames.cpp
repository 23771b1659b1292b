// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessiblenames.h"

#include "accessibletexts.h"

#include <QGroupBox>
#include <QLabel>

namespace AccessibleNames {

void nameControls(QWidget &form)
{
    for (const char *inner : {"Frame5", "frmdb", "Frame7"}) {
        if (auto *group = form.findChild<QGroupBox *>(QLatin1String(inner)))
            group->setAccessibleName(group->title());
    }
    const std::pair<const char *, const QString &> values[] = {
        {"answ1", AccessibleTexts::RingsRead},
        {"answ2", AccessibleTexts::SpeedRead},
        {"info", AccessibleTexts::StatusLine},
    };
    for (const auto &[key, name] : values) {
        if (auto *label = form.findChild<QLabel *>(QLatin1String(key))) {
            label->setAccessibleName(name);
            valueShown(*label);
        }
    }
}

void valueShown(QLabel &label)
{
    // Qt tells of a label's new text only while the label has no name of its own.
    if (label.accessibleDescription() != label.text())
        label.setAccessibleDescription(label.text());
}

} // namespace AccessibleNames
