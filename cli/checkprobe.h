// SPDX-License-Identifier: GPL-3.0-or-later
// One device of `tavoli check`: the query dialogue on a modem session of its own, and the typed
// result it ended with. Nothing is shown and nothing on the modem changes; the port is open
// only while the query runs. Lives on the thread that runs the check, as its session does.
#pragma once

#include "commandline.h"
#include "linelog.h"
#include "monitoringcheck.h"
#include "sessionhandle.h"

#include <QObject>

#include <memory>

class Transcript;

class CheckProbe : public QObject
{
    Q_OBJECT
public:
    // `log` may be null; it must outlive the probe.
    CheckProbe(const CommandLine::Request &request, const CommandLine::Target &target, LineLog *log,
               QObject *parent = nullptr);
    ~CheckProbe() override;

    void start();
    // Cut short: the query ends at once (port closed, lock file gone) and the probe finishes
    // with what it had read. Nothing happens once finished.
    void interrupt(const QString &signalName);
    bool isDone() const { return m_done; }
    const MonitoringCheck::Reading &reading() const { return m_reading; }

signals:
    void finished();

private:
    void end();

    const CommandLine::Request m_request;
    const CommandLine::Target m_target;
    std::unique_ptr<Transcript> m_transcript; // with --log
    SessionHandle m_line;
    quint64 m_logged = 0; // the next transcript line to log
    MonitoringCheck::Reading m_reading;
    bool m_done = false;
};
