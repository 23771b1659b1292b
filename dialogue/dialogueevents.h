// SPDX-License-Identifier: GPL-3.0-or-later
// One step at a time. What a step reports is heard at once by whoever listens, and a listener
// may call back (a fake that ends the line, say); the events that brings wait here and run, in
// order, once the step has finished, so that no step ever runs inside another.
// Lives on its engine's thread.
#pragma once

#include "dialoguestate.h"
#include "linesettings.h"
#include "outcome.h"

#include <QString>

#include <functional>
#include <vector>

struct DialogueEvent
{
    enum class Kind { Received, Tick, Lost, Start };
    Kind kind = Kind::Received;
    quint64 timerGeneration = 0;            // Tick: the timer's generation when it fired
    Outcome lost = Outcome::success();      // Lost: the line's kind and description
    Dialogue::State first = Dialogue::Idle; // Start: the dialogue's first state
    Parity parity = Parity::None;           // Start: the parity of its commands
};

class DialogueEvents
{
public:
    using Handler = std::function<void(const DialogueEvent &)>;
    explicit DialogueEvents(Handler handler) : m_handler(std::move(handler)) {}

    // Runs the event now, or after the step that is running.
    void dispatch(DialogueEvent event);
    // A step is running.
    bool busy() const { return m_busy; }

private:
    Handler m_handler;
    bool m_busy = false;
    // Events not yet run are m_pending[m_next] onwards. Emptied (its room kept) once all have
    // run, so that queueing an event allocates nothing in the long run; a deque would take and
    // free a block every few events.
    std::vector<DialogueEvent> m_pending;
    std::size_t m_next = 0;
};
