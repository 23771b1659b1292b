// SPDX-License-Identifier: GPL-3.0-or-later
// The one-second timer `Timm` that paces the dialogue and detects a silent modem.
// Lives on its engine's thread.
#pragma once

#include <QtGlobal>

class PacingTimer
{
public:
    virtual ~PacingTimer() = default;

    virtual void stop() = 0;
    // Sets the interval and switches the timer on; the interval counts from now.
    virtual void start(int intervalMs) = 0;
    virtual bool isActive() const = 0;
    // The timer's own monotonic clock, in milliseconds from an arbitrary origin: what a dialogue
    // bounded as a whole measures against.
    virtual qint64 nowMs() const = 0;
};
