// SPDX-License-Identifier: GPL-3.0-or-later
#include "sendqueue.h"

// The kernel's own tcp_info: the C library's lacks the fields used here.
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstddef>

std::optional<SendQueue> SendQueue::of(qintptr socket)
{
    tcp_info info{};
    socklen_t size = sizeof info;
    if (socket < 0 || ::getsockopt(int(socket), IPPROTO_TCP, TCP_INFO, &info, &size) != 0
        || size < offsetof(tcp_info, tcpi_snd_wnd) + sizeof info.tcpi_snd_wnd)
        return std::nullopt;
    return SendQueue{qint64(info.tcpi_notsent_bytes), qint64(info.tcpi_snd_wnd)};
}
