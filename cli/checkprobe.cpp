// SPDX-License-Identifier: GPL-3.0-or-later
#include "checkprobe.h"

#include "operatoractions.h"
#include "transcript.h"

CheckProbe::CheckProbe(const CommandLine::Request &request, const CommandLine::Target &target,
                       LineLog *log, QObject *parent)
    : QObject(parent), m_parity(request.parity),
      m_session(*this, *this, log ? ModemSession::Recording::On : ModemSession::Recording::Off)
{
    SerialPort &port = m_session.port();
    if (target.port > 0)
        port.setCommPort(qint16(target.port));
    else
        port.setDevice(target.device);
    port.setSettings(request.settings);
    m_reading.device = target.device;

    if (Transcript *transcript = m_session.transcript()) {
        connect(transcript, &Transcript::appended, this, [log, transcript, device = target.device] {
            log->write(device, transcript->line(transcript->endSerial() - 1));
        });
    }
    // Queued: the probe may be gone once it has finished, and the engine is still in the call
    // that ended the query.
    connect(
        &m_session, &ModemSession::ended, this,
        [this](const DialogueResult &result) {
            if (m_done)
                return;
            m_reading.result = result;
            end();
        },
        Qt::QueuedConnection);
}

CheckProbe::~CheckProbe() = default;

void CheckProbe::start()
{
    m_session.run(OperatorActions::Preguntar);
}

void CheckProbe::interrupt(const QString &signalName)
{
    if (m_done)
        return;
    m_session.stop();
    m_reading.signalName = signalName;
    end();
}

void CheckProbe::end()
{
    m_done = true;
    emit finished();
}
