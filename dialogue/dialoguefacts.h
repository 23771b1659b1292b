// SPDX-License-Identifier: GPL-3.0-or-later
// What the dialogue engine reports as a dialogue goes: facts as values, never words, and never
// anything it waits for. The one thing it needs from outside, the command list, it asks for with
// listNeeded() and gets later through DialogueEngine::giveList(). Called on the engine's thread.
#pragma once

#include "dialogueresult.h"
#include "dialoguestate.h"

#include <QByteArray>
#include <QString>

#include <optional>

class DialogueFacts
{
public:
    virtual ~DialogueFacts() = default;

    // The port is open and a modem is on it: the line's settings must stay as they are.
    virtual void portOpened() = 0;
    virtual void stateChanged(Dialogue::State state) = 0;
    // A command other than a list entry went out: with its "AT", without its carriage return.
    virtual void commandSent(const QString &command) = 0;
    // Entry `index` of the list given went out. Once per exchange of a long list: keep it cheap.
    virtual void entrySent(qsizetype index) = 0;
    // S0, as the query read it.
    virtual void ringsRead(qint16 rings) = 0;
    // S37 as the query read it (maybe past the codes the program knows), or none: no reply.
    virtual void speedRead(std::optional<qint16> code) = 0;
    // Bytes (parity stripped) that came after their command's time was up and before the next
    // command went out: dropped, not taken as the next one's reply.
    virtual void lateReplyDropped(const QByteArray &bytes) = 0;
    // The configuration has reached its list: it waits, without a deadline, for giveList().
    virtual void listNeeded() = 0;
    // The dialogue is over: the port is closed and the state is Idle.
    virtual void ended(const DialogueResult &result) = 0;
};
