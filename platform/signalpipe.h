// SPDX-License-Identifier: GPL-3.0-or-later
// SIGINT, SIGTERM and SIGHUP as a Qt signal on the event loop, so that the program can end its
// dialogues (timer off, port closed, lock file gone) before it exits. The handler itself only
// writes the signal's number to a pipe; a QSocketNotifier reads it on the owner's thread.
// Lives on the thread that made it; the handler may run on any.
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

class SignalPipe : public QObject
{
    Q_OBJECT
public:
    // One at a time: the handlers write to this object's pipe until it is destroyed, when the
    // default actions come back.
    explicit SignalPipe(QObject *parent = nullptr);
    ~SignalPipe() override;

    // The status of a program ended by `signal`, as a shell reports it.
    static int exitStatus(int signal) { return 128 + signal; }

signals:
    void caught(int signal);

private:
    void readPipe();

    int m_read = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
