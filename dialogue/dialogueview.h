// SPDX-License-Identifier: GPL-3.0-or-later
// What the dialogue engine shows: the line-setting frames, the three labels and modal boxes.
#pragma once

#include <QByteArray>
#include <QString>

class Identification;

class DialogueView
{
public:
    virtual ~DialogueView() = default;

    // Frames "Canal", "Velocidad" and "Otros parámetros", in this order.
    virtual void setLineSettingsEnabled(bool enabled) = 0;
    // Label captions; a doubled "&&" shows as one "&".
    virtual void setInfo(const QString &caption) = 0;
    // Entry `body` of the command list (without its "AT") has gone out: `info` names it. The
    // body stays valid and unchanged for the whole list, so a view that paints later may keep
    // it and format the caption only when it paints; this default formats it now.
    virtual void entrySent(const QString &body) { setInfo(sendingCaption(body, true)); }
    virtual void setAnsw1(const QString &caption) = 0;
    virtual void setAnsw2(const QString &caption) = 0;
    // Modal boxes with a single OK button under the program's title; they return once the
    // operator has dismissed them.
    virtual void showError(const QString &text) = 0;
    virtual void showInformation(const QString &text) = 0;
    // What the modem said about itself, shown like a box: it returns once the operator is done.
    virtual void showIdentification(const Identification &result) = 0;
    // Bytes (parity stripped) that came after their command's time was up and before the next
    // command went out: dropped, not taken as the next one's reply. Only the transcript says so.
    virtual void lateReplyDropped(const QByteArray &bytes) { Q_UNUSED(bytes) }

    // The caption of `info` while `command` is out: its "AT" added for a list entry, a "&"
    // doubled so that the label shows it.
    static QString sendingCaption(const QString &command, bool listEntry = false);
};
