// SPDX-License-Identifier: GPL-3.0-or-later
// Finds the main window's controls the way the operator names them: "Configuro", or "OpCan#2"
// for entry 2 of an option array (its entries share the array's objectName and carry their index
// in the "index" property).
#pragma once

#include "form1.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

inline QWidget *control(const QWidget &form, const QString &key)
{
    const qsizetype hash = key.indexOf(u'#');
    if (hash < 0)
        return form.findChild<QWidget *>(key);
    QWidget *found = nullptr;
    for (QWidget *widget : form.findChildren<QWidget *>(key.left(hash))) {
        if (widget->property(Form1::IndexProperty).toInt() == key.mid(hash + 1).toInt()) {
            if (found)
                return nullptr; // two entries with one index: a broken array
            found = widget;
        }
    }
    return found;
}

template <typename T>
T *control(const QWidget &form, const QString &key)
{
    return qobject_cast<T *>(control(form, key));
}

// The key under which a control of the window is known ("OpBau#1", "llam").
inline QString controlKey(const QWidget *widget)
{
    const QVariant index = widget->property(Form1::IndexProperty);
    return index.isValid() ? widget->objectName() + u'#' + QString::number(index.toInt())
                           : widget->objectName();
}

// Caption or text as the window shows it.
inline QString caption(const QWidget *widget)
{
    if (auto *box = qobject_cast<const QGroupBox *>(widget))
        return box->title();
    if (auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    if (auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (auto *edit = qobject_cast<const QLineEdit *>(widget))
        return edit->text();
    return QString();
}

// How many of the three line-setting frames are usable: 3 while idle, 0 while a dialogue runs.
inline int enabledFrames(const QWidget &form)
{
    int enabled = 0;
    for (const char *frame : {"CanMrc", "BauMrc", "ParMrc"})
        enabled += control(form, QLatin1String(frame))->isEnabled() ? 1 : 0;
    return enabled;
}
