// SPDX-License-Identifier: GPL-3.0-or-later
// What a device name means: `rfc2217://HOST:PORT` (a terminal server speaking Telnet with the
// COM Port Control option), `socket://HOST:PORT` (a plain TCP stream), or a local path. HOST is a
// name, an IPv4 address or an IPv6 address in brackets; PORT is 1 to 65535. A text that names a
// server in another way (`telnet://HOST:PORT`, `HOST:PORT`) is no path either: it is refused,
// naming the two forms this program knows.
// A value: parsed once where the device is named, then copied to any thread.
#pragma once

#include <QString>

class DeviceAddress
{
public:
    enum class Kind { Local, Rfc2217, RawTcp, Unsupported };

    // Never fails: a text that starts with neither scheme and does not look like an address is a
    // local path. A network address that does not parse keeps its kind and carries the reason in
    // error(); an Unsupported one always does.
    static DeviceAddress parse(const QString &text);

    Kind kind() const { return m_kind; }
    bool isNetwork() const { return m_kind != Kind::Local; }
    bool isValid() const { return m_error.isEmpty(); }
    const QString &error() const { return m_error; } // Spanish; empty when valid
    const QString &text() const { return m_text; }   // as given
    const QString &host() const { return m_host; }   // without brackets
    quint16 port() const { return m_port; }
    // The same server as a socket:// address.
    QString asRawTcp() const;

private:
    Kind m_kind = Kind::Local;
    QString m_text;
    QString m_host;
    quint16 m_port = 0;
    QString m_error;
};
