// SPDX-License-Identifier: GPL-3.0-or-later
// How a face reaches the lines (local ports and terminal servers) and the session that drives
// them, which need Qt Serial Port and Qt Network. Most programs have them linked in (linked());
// the window's program has them in a module it loads when the first dialogue needs them, so that
// it starts without those libraries and what they bring (udev, Kerberos, ...). Plain function
// pointers: callable from any thread.
//
// standard() is what a program has unless it says otherwise: the lines linked in (lineaccess.cpp,
// in the session's library). The window's program says otherwise by defining standard() itself
// (app/linesloader.cpp): an object file of the program comes before the libraries, so the
// library's definition is never linked in, nor what only it uses; were both linked, the link
// would fail.
#pragma once

#include "deviceaddress.h"

#include <QString>

#include <memory>

class LineSession;
class SessionHandle;
class Transcript;

// The session linked into this program (modemsession.cpp).
std::unique_ptr<LineSession> makeModemSession(SessionHandle &handle, Transcript *transcript);

struct LineAccess
{
    // A session for `handle`, made on the calling thread and living there; `transcript`, if
    // any, records its line. Only once ready() has said yes.
    using MakeSession = std::unique_ptr<LineSession> (*)(SessionHandle &handle,
                                                         Transcript *transcript);
    // DeviceAddress::parse. Only once ready() has said yes.
    using ParseAddress = DeviceAddress (*)(const QString &text);
    // Whether the lines can be had, loading them if need be; if not, `why` says why.
    using Ready = bool (*)(QString *why);

    MakeSession makeSession = nullptr;
    ParseAddress parseAddress = nullptr;
    Ready ready = nullptr;

    static LineAccess standard();

    // The lines linked into the program that uses this (taking their addresses links them).
    static LineAccess linked()
    {
        return {&makeModemSession, &DeviceAddress::parse, [](QString *) { return true; }};
    }
};
