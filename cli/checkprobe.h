// SPDX-License-Identifier: GPL-3.0-or-later
// One device of `tavoli check`: the query dialogue on a modem session of its own, and the typed
// result it ended with. Nothing is shown and nothing on the modem changes; the port is open
// only while the query runs. Lives on the thread that runs the check, as its session does.
#pragma once

#include "commandline.h"
#include "dialoguesettings.h"
#include "dialogueview.h"
#include "linelog.h"
#include "modemsession.h"
#include "monitoringcheck.h"

#include <QObject>

class CheckProbe : public QObject, private DialogueView, private DialogueSettings
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
    // DialogueView: a check shows nothing while it runs.
    void setLineSettingsEnabled(bool) override {}
    void setInfo(const QString &) override {}
    void setAnsw1(const QString &) override {}
    void setAnsw2(const QString &) override {}
    void showError(const QString &) override {}
    void showInformation(const QString &) override {}
    void showIdentification(const Identification &) override {}

    // DialogueSettings: a query sends no list.
    Parity parityMode() const override { return m_parity; }
    CommandListResult BuildCommandList() override { return {}; }

    void end();

    const Parity m_parity;
    ModemSession m_session;
    MonitoringCheck::Reading m_reading;
    bool m_done = false;
};
