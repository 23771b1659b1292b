// SPDX-License-Identifier: GPL-3.0-or-later
// The line's recording: put between the dialogue engine and the real line, it passes every call
// through unchanged and tells the transcript what it saw. Lives on the thread that serves the
// line.
#pragma once

#include "lineport.h"
#include "linesettings.h"

#include <QString>

#include <functional>

class Transcript;

class TracingLine final : public LinePort
{
public:
    // The port as it stands when it opens.
    struct Description
    {
        QString device;
        LineSettings settings;
        Parity parity = Parity::None; // the bytes carry it in bit 7
    };
    using Describe = std::function<Description()>;

    TracingLine(LinePort &line, Transcript &transcript, Describe describe);

    Outcome open() override;
    void close() override;
    bool isOpen() const override { return m_line.isOpen(); }
    bool ctsHolding() const override { return m_line.ctsHolding(); }
    bool dsrHolding() const override { return m_line.dsrHolding(); }
    void setRtsEnable(bool on) override { m_line.setRtsEnable(on); }
    void setDtrEnable(bool on) override { m_line.setDtrEnable(on); }
    void discardInput() override;
    void output(const QByteArray &bytes) override;
    QByteArray input() override;
    void readInto(QByteArray &into) override;

private:
    LinePort &m_line;
    Transcript &m_transcript;
    Describe m_describe;
    bool m_opened = false;
    Parity m_parity = Parity::None; // of the present open: the settings are locked while it lasts
};
