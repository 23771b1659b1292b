// SPDX-License-Identifier: GPL-3.0-or-later
// What the dialogue engine needs of the serial line. The real one forwards to SerialPort;
// tests put a fake behind it.
// Called on the engine's thread, where whatever implements it lives.
#pragma once

#include "outcome.h"

#include <QByteArray>
#include <QString>

class LinePort
{
public:
    virtual ~LinePort() = default;

    // The failure carries the text to show the operator.
    virtual Outcome open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool ctsHolding() const = 0;
    virtual bool dsrHolding() const = 0;
    virtual void setRtsEnable(bool on) = 0;
    virtual void setDtrEnable(bool on) = 0;
    virtual void discardInput() = 0;
    // A failed write is reported by the port itself as a lost line (DialogueEngine::portLost).
    // The bytes may be a view of the engine's own buffer: whatever keeps them past the call
    // keeps a copy.
    virtual void output(const QByteArray &bytes) = 0;
    virtual QByteArray input() = 0;
    // Appends what input() would return to `into`: a port that can read without a buffer of
    // its own per call does so, and the engine keeps one buffer for every reply.
    virtual void readInto(QByteArray &into) { into += input(); }
};
