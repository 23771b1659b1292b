// SPDX-License-Identifier: GPL-3.0-or-later
// What one dialogue of the soak does and how it must end: the dialogue, the fault the simulated
// modem shows in it, the command line the fault is aimed at, and the outcome the engine's table
// calls for with that fault (worked out here, from the table's rules, not from a run).
#pragma once

#include "hayesmodem.h"

#include <QString>
#include <QStringList>

#include <random>

namespace Soak {

enum class Action { Configurar, Desconfigurar, Preguntar };
enum class Fault { None, Silence, Refusal, SplitLines, LateLf, Garbage, Flood, LineLost };
constexpr int FaultCount = 8;

// How a dialogue ends, as the operator sees it.
enum class End {
    Configured,   // "Modem configurado con éxito"
    Unconfigured, // "Modem desconfigurado con éxito"
    Read,         // no box; ring count and speed read
    SpeedUnknown, // no box; ring count read, speed "XXXX"
    CommandError, // error box naming the command
    NoReply,      // error box "No hay respuesta..."
    PortLost,     // error box naming port 1 and its device
};

QString name(Action d);
QString name(Fault f);
QString name(End e);

// The modem's state before the dialogue that matters for its replies.
struct ModemBefore
{
    bool quiet = false; // Q1: a refused command gets no result code at all
    bool echo = false;  // E1: an unexecuted command line still comes back as a line
};

struct Plan
{
    Action dialogue = Action::Preguntar;
    Fault fault = Fault::None;
    QString target; // the command line the fault is aimed at ("" for shape faults)
    End expected = End::Read;
    HayesFaults faults;
    ReplyShape shape;
};

// Bytes of a bounded flood.
constexpr std::size_t FloodBytes = 64 * 1024;

// Draws a dialogue (Configurar, which takes three paced seconds, less often than the others),
// a fault and its target. `list` is the configuration's command list as sent ("ATS0=2", ...).
Plan draw(std::mt19937 &random, const QStringList &list, const ModemBefore &modem);

} // namespace Soak
