// SPDX-License-Identifier: GPL-3.0-or-later
// Observers for the line's transcript, put between the dialogue engine and the real port and
// window: each passes every call through unchanged and tells the transcript what it saw.
#pragma once

#include "dialogueview.h"
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

class TracingView final : public DialogueView
{
public:
    TracingView(DialogueView &view, Transcript &transcript) : m_view(view), m_transcript(transcript)
    {}

    void setLineSettingsEnabled(bool enabled) override { m_view.setLineSettingsEnabled(enabled); }
    void setInfo(const QString &caption) override { m_view.setInfo(caption); }
    void entrySent(const QString &body) override { m_view.entrySent(body); }
    void setAnsw1(const QString &caption) override { m_view.setAnsw1(caption); }
    void setAnsw2(const QString &caption) override { m_view.setAnsw2(caption); }
    void showError(const QString &text) override;
    void showInformation(const QString &text) override;
    void showIdentification(const Identification &result) override;
    void lateReplyDropped(const QByteArray &bytes) override;

private:
    DialogueView &m_view;
    Transcript &m_transcript;
};
