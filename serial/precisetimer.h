// SPDX-License-Identifier: GPL-3.0-or-later
// `Timm` over QTimer. Precise, because Qt's default coarse timer may fire up to 5 % early and a
// paced step must never come before its second is up.
#pragma once

#include "pacingtimer.h"

#include <QObject>
#include <QTimer>

class PreciseTimer final : public QObject, public PacingTimer
{
    Q_OBJECT
public:
    explicit PreciseTimer(QObject *parent = nullptr);

    void stop() override;
    void start(int intervalMs) override;
    bool isActive() const override;

signals:
    void Timer(); // the tick

private:
    QTimer m_timer;
};
