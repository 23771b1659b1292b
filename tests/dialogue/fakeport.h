// A serial line in memory: records what is written (with the fake time), holds CTS/DSR as told,
// can refuse to open, delivers bytes from the "modem" and can go away like an unplugged device.
#pragma once

#include "fakeclock.h"
#include "linecodec.h"
#include "lineport.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class FakePort final : public LinePort
{
public:
    struct Write
    {
        qint64 at;
        QByteArray bytes;
        bool delivered;
    };

    FakePort(FakeClock &clock, QStringList &log) : m_clock(clock), m_log(log) {}

    QString open() override
    {
        m_log.append(QStringLiteral("open"));
        if (m_open)
            return alreadyOpenText;
        if (!openFailure.isEmpty())
            return openFailure;
        m_open = true;
        ++opens;
        return QString();
    }
    void close() override
    {
        m_log.append(QStringLiteral("close"));
        m_open = false;
        rts = dtr = false;
    }
    bool isOpen() const override { return m_open; }
    bool ctsHolding() const override { return cts; }
    bool dsrHolding() const override { return dsr; }
    void setRtsEnable(bool on) override
    {
        m_log.append(on ? QStringLiteral("rts on") : QStringLiteral("rts off"));
        rts = on;
    }
    void setDtrEnable(bool on) override
    {
        m_log.append(on ? QStringLiteral("dtr on") : QStringLiteral("dtr off"));
        dtr = on;
    }
    void discardInput() override
    {
        ++discards;
        pending.clear();
    }
    void output(const QByteArray &bytes) override
    {
        const bool ok = m_open && !failWrites;
        writes.append({m_clock.now, bytes, ok});
        // Like the real port: a failed write is reported later, from the event loop.
        if (m_open && failWrites)
            lostPending = true;
    }
    QByteArray input() override
    {
        ++reads;
        QByteArray all;
        all.swap(pending);
        return all;
    }

    // The modem sends bytes: they wait in the port and a receive notification is raised.
    void receive(const QByteArray &bytes)
    {
        if (!m_open)
            return;
        pending.append(bytes);
        if (onComm)
            onComm(2);
    }
    void notify(int commEvent)
    {
        if (onComm)
            onComm(commEvent);
    }
    // Unplugged: the port closes itself and says so once.
    void lose()
    {
        if (!m_open)
            return;
        m_open = false;
        if (onLost)
            onLost(lostText);
    }
    // The queued report of a failed write reaches the window.
    void deliverLost()
    {
        if (!lostPending)
            return;
        lostPending = false;
        m_open = false;
        if (onLost)
            onLost(lostText);
    }
    void forceOpen() { m_open = true; }

    // The commands written, parity removed and without their carriage return.
    QStringList sent() const
    {
        QStringList out;
        for (const Write &w : writes) {
            QByteArray plain = LineCodec::StripParity(w.bytes);
            if (plain.endsWith('\r'))
                plain.chop(1);
            out.append(QString::fromLatin1(plain));
        }
        return out;
    }
    QList<qint64> sentTimes() const
    {
        QList<qint64> out;
        for (const Write &w : writes)
            out.append(w.at);
        return out;
    }

    bool cts = true;
    bool dsr = true;
    bool rts = false;
    bool dtr = false;
    bool failWrites = false;
    bool lostPending = false;
    QString openFailure;
    QString alreadyOpenText = QStringLiteral("El puerto 1 (/dev/fake0) ya está abierto.");
    QString lostText = QStringLiteral("Se ha perdido la comunicación con el puerto 1 (/dev/fake0).");
    QByteArray pending;
    QList<Write> writes;
    int opens = 0;
    int discards = 0;
    int reads = 0;
    std::function<void(int)> onComm;
    std::function<void(const QString &)> onLost;

private:
    FakeClock &m_clock;
    QStringList &m_log;
    bool m_open = false;
};
