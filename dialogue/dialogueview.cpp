// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogueview.h"

#include "modemprotocol.h"
#include "operatortexts.h"

QString DialogueView::sendingCaption(const QString &command, bool listEntry)
{
    QString shown = listEntry ? ModemProtocol::CmdPrefix + command : command;
    // The caption is a label's: a "&" of the command must be doubled to show at all.
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    return OperatorTexts::InfoSendingPrefix + QLatin1Char('"') + shown + QLatin1Char('"');
}
