// SPDX-License-Identifier: GPL-3.0-or-later
// "Identificación del modem": what the modem answered to each inquiry, and the chipset list
// of the command editor its answers point to.
// Lives on the window's thread.
#pragma once

#include <QDialog>

class Identification;

class IdentificationWindow : public QDialog
{
    Q_OBJECT
public:
    IdentificationWindow(const Identification &result, QWidget *parent = nullptr);
};
