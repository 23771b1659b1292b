// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogues as one table: a row per state says what entering it sends, what reply
// completes it, what that reply leads to, and what the one-second tick does there.
#pragma once

#include "dialoguestate.h"

#include <QString>

namespace Dialogue {

// What a state waits for on the line.
enum class Awaits : quint8 {
    Nothing,        // a paced state: reply lines are not looked at
    NoRefusal,      // results are meant to be off; only a refusal is looked at
    ExactlyZero,    // the line "0"
    NumberThenZero, // a number line, then a line ending in "0" within a second
    VerboseOk,      // "OK" and a carriage return anywhere in what came; a refusal line fails
    InfoThenResult, // information lines, then a result code: "0", or a refusal
};

// What the awaited reply does (or, in a paced state, the tick).
enum class Then : quint8 {
    Enter,           // enter `next`
    ShowRings,       // the ring count has been read; enter `next`
    ShowSpeed,       // the speed code has been read; the dialogue ends
    StartList,       // read the stored list and send its first entry (state `next`)
    NextEntry,       // send the next entry; after the last, enter `next`
    EndConfigured,   // the configuration (or the return to the stored profile) has succeeded
    EndUnconfigured, // the factory profile is stored
    StartInquiry,    // send the first inquiry command (state `next`)
    NextInquiry,     // send the next inquiry command; after the last, the dialogue ends
};

// What the tick does when the second is up.
enum class OnTick : quint8 {
    NoReply,      // the modem did not answer, and the dialogue ends
    Pace,         // drop what came meanwhile, then `then`
    SpeedUnknown, // drop what came meanwhile; the speed is unknown, and the dialogue ends
    Unanswered,   // the command had no result: note it, drop what came, then `then`
};

struct Row
{
    State state;
    QString command; // sent on entering; none for the list (its entries) and for 11 (a pause)
    Awaits awaits;
    OnTick tick;
    Then then;
    State next;
    // Once a first complete line has come within the command's first second (which switches that
    // second's timer off), how long the rest of the reply may take, counted from that line; 0
    // where the first line settles the state. Later lines never extend it, so every command
    // ends. Why each is what it is: dialoguetable.cpp.
    int afterFirstLineMs;
};

// The row of a running state; nullptr for Idle.
const Row *rowFor(State state);

} // namespace Dialogue
