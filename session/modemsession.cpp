// SPDX-License-Identifier: GPL-3.0-or-later
#include "modemsession.h"

#include "dialoguesettings.h"
#include "dialogueview.h"
#include "modemprotocol.h"
#include "networktexts.h"
#include "operatortexts.h"
#include "tracing.h"
#include "transcript.h"

#include <utility>

using namespace Dialogue;

ModemSession::ModemSession(DialogueView &view, DialogueSettings &settings, Recording recording,
                           QObject *parent)
    : QObject(parent), m_view(view), m_line(m_port)
{
    LinePort *line = &m_line;
    DialogueView *shown = &view;
    if (recording == Recording::On) {
        // The engine reaches the line and the view through these, so that the transcript sees
        // all; it hears a tick before the engine acts on it.
        m_transcript = std::make_unique<Transcript>();
        m_tracedLine = std::make_unique<TracingLine>(m_line, *m_transcript, [this, &settings] {
            return TracingLine::Description{m_port.device(), m_port.settings(),
                                            settings.parityMode()};
        });
        m_tracedView = std::make_unique<TracingView>(view, *m_transcript);
        line = m_tracedLine.get();
        shown = m_tracedView.get();
        connect(&m_timer, &PreciseTimer::Timer, m_transcript.get(), &Transcript::timerStep);
        connect(&m_port, &SerialPort::note, m_transcript.get(), &Transcript::event);
        connect(&m_line, &DeviceLine::note, m_transcript.get(), &Transcript::event);
    }
    m_engine = std::make_unique<DialogueEngine>(*line, m_timer, *shown, settings);
    const auto &speeds = ModemProtocol::SpeedNameTable;
    m_engine->setSpeedNames(QStringList(speeds.begin(), speeds.end()));
    if (m_transcript)
        connect(m_engine.get(), &DialogueEngine::stateChanged, m_transcript.get(),
                &Transcript::stateChanged);

    // The engine is the context object: nothing reaches it once it is gone.
    connect(&m_line, &DeviceLine::received, m_engine.get(), &DialogueEngine::bytesAvailable);
    connect(&m_line, &DeviceLine::lost, m_engine.get(), &DialogueEngine::portLost);
    connect(&m_line, &DeviceLine::ready, m_engine.get(),
            [this] { m_engine->startDialogue(std::exchange(m_waitingDialogue, Idle)); });
    connect(&m_line, &DeviceLine::connectFailed, this, &ModemSession::notConnected);
    connect(&m_timer, &PreciseTimer::Timer, m_engine.get(), &DialogueEngine::Timm_Timer);
    connect(m_engine.get(), &DialogueEngine::ended, this, &ModemSession::ended);
}

ModemSession::~ModemSession()
{
    m_timer.stop();
    m_engine->ClosePort();
}

void ModemSession::run(State first)
{
    // While connecting, the line is taken as a port already open is.
    if (m_line.isConnecting()) {
        m_view.showError(OperatorTexts::PortAlreadyOpen.arg(
            OperatorTexts::portName(m_port.shownNumber(), m_port.device())));
        return;
    }
    if (m_line.isOpen() || !m_line.isNetwork()) {
        m_engine->startDialogue(first);
        return;
    }
    // A terminal server: connected first, so that connecting never counts as the modem's time.
    m_waitingDialogue = first;
    if (const Outcome started = m_line.prepare(); !started) {
        endUnconnected(started.message());
        return;
    }
    // The face stays live; the settings wait, as during a dialogue.
    m_view.setLineSettingsEnabled(false);
    m_view.setInfo(NetworkTexts::InfoConnecting.arg(m_port.device()));
}

void ModemSession::notConnected(const QString &description)
{
    // The settings and the status line were given to the connection: back as they were.
    m_view.setLineSettingsEnabled(true);
    m_view.setInfo(QString());
    endUnconnected(description);
}

void ModemSession::endUnconnected(const QString &description)
{
    DialogueResult result;
    result.first = std::exchange(m_waitingDialogue, Idle);
    result.kind = DialogueResult::Kind::PortUnavailable;
    result.message = description;
    m_view.showError(description);
    emit ended(result);
}

void ModemSession::stop()
{
    m_waitingDialogue = Idle;
    m_timer.stop();
    m_engine->ClosePort();
    if (m_line.isConnecting())
        m_line.close();
}

bool ModemSession::isIdle() const
{
    return m_engine->state() == Idle && m_waitingDialogue == Idle;
}

QString ModemSession::currentCommand() const
{
    return m_engine->state() == Idle ? QString() : m_engine->lastCommand();
}
