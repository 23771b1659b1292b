// SPDX-License-Identifier: GPL-3.0-or-later
#include "checkprobe.h"

#include "operatoractions.h"
#include "storetexts.h"
#include "transcript.h"

#include <algorithm>

CheckProbe::CheckProbe(const CommandLine::Request &request, const CommandLine::Target &target,
                       LineLog *log, QObject *parent)
    : QObject(parent), m_request(request), m_target(target),
      m_transcript(log ? std::make_unique<Transcript>() : nullptr),
      m_line(SessionHandle::Threading::Caller, m_transcript.get())
{
    m_reading.device = target.device;
    if (Transcript *transcript = m_transcript.get()) {
        // Every line recorded since the last time, however many one call recorded.
        connect(transcript, &Transcript::appended, this, [this, log, transcript] {
            for (m_logged = std::max(m_logged, transcript->firstSerial());
                 m_logged < transcript->endSerial(); ++m_logged)
                log->write(m_target.device, transcript->line(m_logged));
        });
    }
    connect(&m_line, &SessionHandle::ended, this, [this](const DialogueResult &result) {
        if (m_done)
            return;
        m_reading.result = result;
        end();
    });
}

CheckProbe::~CheckProbe() = default;

void CheckProbe::start()
{
    if (!m_target.unread.ok()) { // nothing is known of the modem: no device to look at
        m_reading.result.kind = DialogueResult::Kind::PortUnavailable;
        m_reading.result.description =
            StoreTexts::portAssignmentUnreadable(m_target.port, m_target.unread);
        QMetaObject::invokeMethod(this, &CheckProbe::end, Qt::QueuedConnection);
        return;
    }
    SessionStart start;
    start.first = OperatorActions::Preguntar;
    start.address = m_target.address;
    start.portNumber = m_target.port;
    start.settings = m_request.settings;
    start.parity = m_request.parity;
    m_line.start(start);
}

void CheckProbe::interrupt(const QString &signalName)
{
    if (m_done)
        return;
    m_line.stop();
    m_reading.signalName = signalName;
    end();
}

void CheckProbe::end()
{
    m_done = true;
    emit finished();
}
