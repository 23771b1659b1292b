// SPDX-License-Identifier: GPL-3.0-or-later
#include "messagebox.h"

#include <QMessageBox>

namespace MessageBox {

static void show(QWidget *parent, QMessageBox::Icon icon, const QString &text)
{
    QMessageBox box(icon, MessageBox::Title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void showStop(QWidget *parent, const QString &text)
{
    show(parent, QMessageBox::Critical, text);
}

void showInformation(QWidget *parent, const QString &text)
{
    show(parent, QMessageBox::Information, text);
}

bool askWarning(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, MessageBox::Title, text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace MessageBox
