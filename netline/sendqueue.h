// SPDX-License-Identifier: GPL-3.0-or-later
// What the kernel knows of a TCP connection's sending side: how many written bytes have not left
// yet, and how many more the other end will take now (its receive window). A window that stays
// shut while bytes wait means the other end has stopped reading. Linux only; no I/O of its own.
#pragma once

#include <QtGlobal>

#include <optional>

struct SendQueue
{
    qint64 notSent = 0;
    qint64 peerWindow = 0;

    // Empty when the descriptor is not a TCP socket or the kernel is too old to tell the window.
    static std::optional<SendQueue> of(qintptr socket);
};
