// SPDX-License-Identifier: GPL-3.0-or-later
#include "modemsession.h"

#include "crossthreadview.h"
#include "dialoguesettings.h"
#include "dialogueview.h"
#include "linethread.h"
#include "modemprotocol.h"
#include "networktexts.h"
#include "operatortexts.h"
#include "tracing.h"
#include "transcript.h"
#include "windowlink.h"

#include <QCoreApplication>

#include <utility>

using namespace Dialogue;

ModemSession::ModemSession(DialogueView &view, DialogueSettings &settings, Recording recording,
                           Threading threading, QObject *parent)
    : QObject(parent), m_settings(settings), m_view(&view), m_line(m_port)
{
    DialogueSettings *asked = &settings;
    if (threading == Threading::LineThread) {
        m_lineThread = std::make_unique<LineThread>();
        m_link = std::make_unique<WindowLink>(*this);
        m_crossView = std::make_unique<CrossThreadView>(view, *m_link);
        m_crossSettings = std::make_unique<CrossThreadSettings>(settings, *m_link);
        m_view = m_crossView.get();
        asked = m_crossSettings.get();
    }
    LinePort *line = &m_line;
    DialogueView *shown = m_view;
    if (recording == Recording::On) {
        // The engine reaches the line and the view through these, so that the transcript sees
        // all; it hears a tick before the engine acts on it. Direct: the transcript records on
        // whichever thread serves the line.
        m_transcript = std::make_unique<Transcript>();
        m_tracedLine = std::make_unique<TracingLine>(m_line, *m_transcript, [this, asked] {
            return TracingLine::Description{m_port.device(), m_port.settings(),
                                            asked->parityMode()};
        });
        m_tracedView = std::make_unique<TracingView>(*m_view, *m_transcript);
        line = m_tracedLine.get();
        shown = m_tracedView.get();
        connect(&m_timer, &PreciseTimer::Timer, m_transcript.get(), &Transcript::timerStep,
                Qt::DirectConnection);
        connect(&m_port, &SerialPort::note, m_transcript.get(), &Transcript::happened,
                Qt::DirectConnection);
        connect(&m_line, &DeviceLine::note, m_transcript.get(), &Transcript::happened,
                Qt::DirectConnection);
    }
    m_engine = std::make_unique<DialogueEngine>(*line, m_timer, *shown, *asked);
    const auto &speeds = ModemProtocol::SpeedNameTable;
    m_engine->setSpeedNames(QStringList(speeds.begin(), speeds.end()));
    if (m_transcript)
        connect(m_engine.get(), &DialogueEngine::stateChanged, m_transcript.get(),
                &Transcript::stateChanged, Qt::DirectConnection);
    // Whoever watches the states on the window's thread sees the entry sent before each.
    if (m_crossView)
        connect(m_engine.get(), &DialogueEngine::stateChanged, m_engine.get(),
                [this] { m_crossView->flush(); });

    // The engine is the context object: nothing reaches it once it is gone, and what reaches
    // it runs on the thread that serves the line.
    connect(&m_line, &DeviceLine::received, m_engine.get(), &DialogueEngine::bytesAvailable);
    connect(&m_line, &DeviceLine::lost, m_engine.get(), &DialogueEngine::portLost);
    connect(&m_line, &DeviceLine::ready, m_engine.get(), [this] {
        m_engine->startDialogue(std::exchange(m_waitingDialogue, Idle));
        // Not from inside the socket's own signal.
        if (m_lineThread && !m_partsOnLine)
            QMetaObject::invokeMethod(
                this, [this] { goAwayIfRunning(); }, Qt::QueuedConnection);
    });
    connect(&m_line, &DeviceLine::connectFailed, m_engine.get(),
            [this](const QString &description) { notConnected(description); });
    connect(&m_timer, &PreciseTimer::Timer, m_engine.get(), &DialogueEngine::Timm_Timer);
    connect(m_engine.get(), &DialogueEngine::ended, m_engine.get(),
            [this](const DialogueResult &result) { deliver(result); });
}

ModemSession::~ModemSession()
{
    stop();
    m_lineThread.reset(); // joined: nothing runs there any more
    m_timer.stop();
    m_engine->ClosePort();
}

void ModemSession::run(State first)
{
    if (!m_lineThread) {
        runHere(first);
        return;
    }
    // The parity as the options stand now; they stay locked while a dialogue lasts.
    const Parity parity = m_settings.parityMode();
    if (!m_away) {
        // Begun here, as on the caller's thread, so that the face sees its start at once (the
        // port opened or refused, the first command out); then it goes to the line thread.
        m_crossSettings->setParity(parity);
        runHere(first);
        goAwayIfRunning();
        return;
    }
    m_lineThread->post([this, first, parity] {
        if (!m_partsOnLine) {
            // They went home meanwhile: asked again from there, where they are now.
            QMetaObject::invokeMethod(
                this, [this, first] { run(first); }, Qt::QueuedConnection);
            return;
        }
        if (m_engine->state() == Idle && m_waitingDialogue == Idle)
            m_crossSettings->setParity(parity);
        runHere(first);
    });
}

void ModemSession::runHere(State first)
{
    // While connecting, the line is taken as a port already open is.
    if (m_line.isConnecting()) {
        m_view->showError(OperatorTexts::PortAlreadyOpen.arg(
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
    m_view->setLineSettingsEnabled(false);
    m_view->setInfo(NetworkTexts::InfoConnecting.arg(m_port.device()));
}

void ModemSession::notConnected(const QString &description)
{
    // The settings and the status line were given to the connection: back as they were.
    m_view->setLineSettingsEnabled(true);
    m_view->setInfo(QString());
    endUnconnected(description);
}

void ModemSession::endUnconnected(const QString &description)
{
    DialogueResult result;
    result.first = std::exchange(m_waitingDialogue, Idle);
    result.kind = DialogueResult::Kind::PortUnavailable;
    result.message = description;
    m_view->showError(description);
    deliver(result);
}

void ModemSession::goAwayIfRunning()
{
    if (m_away || m_engine->state() == Idle)
        return;
    moveParts(m_lineThread->thread());
    m_partsOnLine = true;
    m_away = true;
}

void ModemSession::deliver(const DialogueResult &result)
{
    if (!m_lineThread || !m_partsOnLine) {
        emit ended(result);
        return;
    }
    // Once the step that ended it has returned, the parts go home unless another dialogue has
    // begun meanwhile; the face hears of the end with them home.
    m_lineThread->post([this, result] {
        const bool home = comeHomeIfIdle();
        QMetaObject::invokeMethod(
            this,
            [this, result, home] {
                if (home)
                    m_away = false;
                emit ended(result);
            },
            Qt::QueuedConnection);
    });
}

bool ModemSession::comeHomeIfIdle()
{
    if (!m_partsOnLine || m_engine->state() != Idle || m_waitingDialogue != Idle
        || m_line.isConnecting())
        return false;
    moveParts(thread());
    m_partsOnLine = false;
    return true;
}

void ModemSession::moveParts(QThread *to)
{
    m_port.moveToThread(to);
    m_line.moveToThread(to);
    m_timer.moveToThread(to);
    m_engine->moveToThread(to);
}

void ModemSession::stop()
{
    if (!m_away) {
        stopHere();
        return;
    }
    // The line thread may be waiting on a box: let it go, and let it wait on nothing more until
    // it has stopped.
    m_link->setCancelled(true);
    bool home = false;
    m_lineThread->run([this, &home] {
        stopHere();
        home = comeHomeIfIdle();
    });
    m_link->setCancelled(false);
    m_away = !home;
    // What the line thread told the window on its way out (the settings free again, the
    // status line) is shown before this returns, as on the caller's thread.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void ModemSession::stopHere()
{
    m_waitingDialogue = Idle;
    m_timer.stop();
    m_engine->ClosePort();
    if (m_line.isConnecting())
        m_line.close();
}

bool ModemSession::isIdle() const
{
    return !m_away && m_engine->state() == Idle && m_waitingDialogue == Idle;
}

QString ModemSession::currentCommand() const
{
    Q_ASSERT(!m_lineThread);
    return m_engine->state() == Idle ? QString() : m_engine->lastCommand();
}
