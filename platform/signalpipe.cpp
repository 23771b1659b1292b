// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalpipe.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int Caught[] = {SIGINT, SIGTERM, SIGHUP};
int writeEnd = -1;

void onSignal(int signal)
{
    const int saved = errno;
    const char number = char(signal);
    // A full pipe already holds a signal to act on; nothing is lost by dropping this one.
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &number, 1);
    errno = saved;
}

} // namespace

SignalPipe::SignalPipe(QObject *parent) : QObject(parent)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the signals keep their default action
    m_read = fds[0];
    writeEnd = fds[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_read, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &SignalPipe::readPipe);
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : Caught)
        ::sigaction(signal, &action, nullptr);
}

SignalPipe::~SignalPipe()
{
    if (m_read < 0)
        return;
    for (const int signal : Caught)
        std::signal(signal, SIG_DFL);
    m_notifier.reset();
    ::close(m_read);
    ::close(writeEnd);
    writeEnd = -1;
}

void SignalPipe::readPipe()
{
    char numbers[16];
    const ssize_t n = ::read(m_read, numbers, sizeof numbers);
    // The first is the one that counts; the program is ending anyway.
    if (n > 0)
        emit caught(numbers[0]);
}
