// SPDX-License-Identifier: GPL-3.0-or-later
#include "deviceaddress.h"

#include "networktexts.h"

#include <QHostAddress>
#include <QRegularExpression>

namespace {

const QString Rfc2217Scheme = QStringLiteral("rfc2217://");
const QString RawTcpScheme = QStringLiteral("socket://");

// Letters, digits, hyphens and dots, no empty label: what a resolver will look up.
bool isHostName(const QString &host)
{
    static const QRegularExpression name(QStringLiteral(
        "^[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?(\\.[A-Za-z0-9]([A-Za-z0-9-]{0,61}"
        "[A-Za-z0-9])?)*\\.?$"));
    return host.size() <= 253 && name.match(host).hasMatch();
}

bool looksNumeric(const QString &host)
{
    static const QRegularExpression dotted(QStringLiteral("^[0-9.]+$"));
    return dotted.match(host).hasMatch();
}

} // namespace

DeviceAddress DeviceAddress::parse(const QString &text)
{
    DeviceAddress address;
    address.m_text = text;
    QString rest;
    if (text.startsWith(Rfc2217Scheme, Qt::CaseInsensitive)) {
        address.m_kind = Kind::Rfc2217;
        rest = text.mid(Rfc2217Scheme.size());
    } else if (text.startsWith(RawTcpScheme, Qt::CaseInsensitive)) {
        address.m_kind = Kind::RawTcp;
        rest = text.mid(RawTcpScheme.size());
    } else {
        // Another scheme, or HOST:PORT with none: meant as a server, not as a path.
        static const QRegularExpression otherScheme(
            QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://(.*)$"));
        static const QRegularExpression bare(
            QStringLiteral("^(\\[[0-9A-Fa-f:.]*\\]|[A-Za-z0-9.-]+):[0-9]{1,5}$"));
        const QRegularExpressionMatch scheme = otherScheme.match(text);
        if (scheme.hasMatch() || bare.match(text).hasMatch()) {
            address.m_kind = Kind::Unsupported;
            address.m_error = NetworkTexts::AddressUnsupported.arg(
                text, scheme.hasMatch() ? scheme.captured(1) : text);
        }
        return address;
    }

    QString host;
    QString portText;
    bool hasPort = false;
    if (rest.startsWith(QLatin1Char('['))) {
        const qsizetype close = rest.indexOf(QLatin1Char(']'));
        if (close < 0) {
            address.m_error = NetworkTexts::AddressBadIpv6.arg(text);
            return address;
        }
        host = rest.mid(1, close - 1);
        const QString after = rest.mid(close + 1);
        hasPort = after.startsWith(QLatin1Char(':'));
        portText = after.mid(1);
        if (!after.isEmpty() && !hasPort) {
            address.m_error = NetworkTexts::AddressNoPort.arg(text);
            return address;
        }
        if (QHostAddress(host).protocol() != QAbstractSocket::IPv6Protocol) {
            address.m_error = host.isEmpty() ? NetworkTexts::AddressNoHost.arg(text)
                                             : NetworkTexts::AddressBadHost.arg(text, host);
            return address;
        }
    } else {
        const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
        hasPort = colon >= 0;
        host = hasPort ? rest.left(colon) : rest;
        portText = hasPort ? rest.mid(colon + 1) : QString();
        if (host.contains(QLatin1Char(':'))) {
            address.m_error = NetworkTexts::AddressBadIpv6.arg(text);
            return address;
        }
        if (host.isEmpty()) {
            address.m_error = NetworkTexts::AddressNoHost.arg(text);
            return address;
        }
        // "10.0.0.300" or "10.1" would reach a resolver as a name and fail late and obscurely.
        const bool valid = looksNumeric(host)
                               ? QHostAddress(host).protocol() == QAbstractSocket::IPv4Protocol
                                     && host.count(QLatin1Char('.')) == 3
                               : isHostName(host);
        if (!valid) {
            address.m_error = NetworkTexts::AddressBadHost.arg(text, host);
            return address;
        }
    }
    if (!hasPort || portText.isEmpty()) {
        address.m_error = NetworkTexts::AddressNoPort.arg(text);
        return address;
    }
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    const int port = digits.match(portText).hasMatch() ? portText.toInt() : 0;
    if (port < 1 || port > 65535) {
        address.m_error = NetworkTexts::AddressBadPort.arg(text, portText);
        return address;
    }
    address.m_host = host;
    address.m_port = quint16(port);
    return address;
}

QString DeviceAddress::asRawTcp() const
{
    const QString host = m_host.contains(QLatin1Char(':')) ? u'[' + m_host + u']' : m_host;
    return RawTcpScheme + host + u':' + QString::number(m_port);
}
