// SPDX-License-Identifier: GPL-3.0-or-later
// The line's transcript: everything said on the serial line and everything that happened around
// it (port opened and closed, timer steps, states, boxes), in order, with the time of each.
//
// Appending is cheap on purpose, since it happens inside a dialogue step: a line keeps the raw
// bytes and is only turned into text when someone reads it (the window, at display rate) or when
// a log file is attached (then it is written in batches). The bytes of many lines share one block
// of memory, so that recording a command and its reply allocates nothing. The last Capacity lines
// are kept; older ones go.
//
// The line may be served from a thread of its own while the window reads: every call may come
// from any thread. appended() comes from the thread that recorded the line when that is the
// transcript's own; from another thread it is told on the transcript's thread at most once a
// frame for however many lines came meanwhile, so that a reader there is not woken per line.
#pragma once

#include "batchedlog.h"

#include "linesettings.h"
#include "mailbox.h"
#include "outcome.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>

class Transcript : public QObject
{
    Q_OBJECT
public:
    // Taken twice per exchange on the line thread: Qt's lock, quicker than the standard one,
    // except in a ThreadSanitizer build, which cannot see Qt's locks.
#if defined(__SANITIZE_THREAD__)
    using Lock = std::mutex;
#else
    using Lock = QMutex;
#endif

    static constexpr qsizetype Capacity = 20000;
    // Received bytes without a carriage return are shown after this many, so that a modem
    // flooding the line without line ends still makes lines of bounded size.
    static constexpr qsizetype LongestReceivedLine = 256;

    enum class Direction : quint8 { Sent, Received, Event };

    struct Line
    {
        qint64 wallMs = 0;   // milliseconds since the epoch
        qint64 sinceMs = -1; // since the dialogue began; -1 outside a dialogue
        Direction direction = Direction::Event;
        bool parity = false; // bytes carry a parity bit: show them as text and in hex
        // Sent, Received: as they went on the wire. A view of the transcript's own store, valid
        // while the line is kept: copy it (QByteArray(data, size)) to keep it longer.
        QByteArray bytes;
        QString text; // Event
    };

    explicit Transcript(QObject *parent = nullptr);
    ~Transcript() override;

    // ---- What happens. `parity` is the one the bytes carry in bit 7.
    void portOpened(const QString &device, const LineSettings &settings, Parity parity);
    void portNotOpened(const QString &device, const LineSettings &settings);
    void portClosed();
    void sent(QByteArrayView wire, Parity parity);
    // Bytes are shown a line at a time, each ending in its CR; a partial line is shown when
    // anything else happens.
    void received(QByteArrayView wire, Parity parity);
    void inputDiscarded();
    void timerStep();
    void stateChanged(int state);
    // The window's boxes: the transcript tells what the operator was shown.
    void boxShown(bool error, const QString &text);
    void boxClosed();
    void identificationShown();
    // Bytes (parity stripped) dropped as a late reply.
    void lateReplyDropped(const QByteArray &bytes);
    void happened(const QString &text); // anything else, in a line of its own

    // ---- What is kept. Lines are numbered from the first ever recorded; those from
    // firstSerial() up to (not including) endSerial() are kept.
    quint64 firstSerial() const;
    quint64 endSerial() const;
    // A copy of the line, its bytes its own; an empty event line for one no longer kept.
    Line line(quint64 serial) const;
    qsizetype size() const;
    // Every kept line as text, each ending in a line feed.
    QString text() const;
    // Forgets the kept lines (a log file keeps what it has).
    void clear();

    // One line as shown and written:
    //   "12:34:56.789    +1.234  -->  ATS0?<CR>  [C1 54 D3 B0 BF 0D]"
    static QString format(const Line &line);
    // Bytes as readable text: printable ASCII as it is, <CR>, <LF>, anything else <xNN>.
    static QString visible(const QByteArray &bytes);

    // ---- The log file: every line from now on is appended to it, in batches (BatchedLog).
    Outcome openLogFile(const QString &path);
    // Opens `path` for appending without ever waiting on it: a FIFO nobody reads is refused at
    // once. A regular file is then written with ordinary writes; anything else (a FIFO, a
    // terminal) stays non-blocking, so a reader that stops reading makes a write fail rather
    // than stop the dialogues. Shared with the command line's log.
    static Outcome openForAppending(QFile &file, const QString &path);

signals:
    // Lines were added (maybe pushing out the oldest): one or more, see above.
    void appended();
    void cleared();
    // The log file could not be written; it is closed and nothing more goes to it.
    void logFileFailed(const QString &message);

private slots:
    // On the transcript's thread, called through the event loop by name: the call carries no
    // data from the thread that asked for it.
    void announceQueued();

private:
    class Change;
    void addEvent(const QString &text);
    const Line &kept(quint64 serial) const;
    // After a change, outside the lock.
    void announce();
    static constexpr int AnnounceMs = 16;

    struct Stamp
    {
        qint64 wallMs;
        qint64 sinceMs;
    };
    Stamp now() const;
    void append(Direction direction, QByteArray bytes, QString text, bool parity, Stamp at);
    void flushReceived();
    // A copy of `bytes` in the store, for line `serial`; blocks no line needs any more go.
    QByteArray keep(QByteArrayView bytes, quint64 serial);

    QList<Line> m_lines; // a ring: serial s is at (s - m_base) % Capacity
    quint64 m_base = 0;
    quint64 m_first = 0;
    quint64 m_end = 0;

    QElapsedTimer m_dialogueClock; // valid while a dialogue runs
    int m_state = 0;

    // Blocks of StoreBlock bytes (or one larger line), filled in order and never moved, so
    // that the lines' views stay valid; a block goes when its last line has gone.
    static constexpr qsizetype StoreBlock = 64 * 1024;
    // Plain memory: a copy into it is a memcpy, where QByteArray's append checks for sharing
    // and growth on every line.
    struct Block
    {
        std::unique_ptr<char[]> bytes;
        qsizetype used = 0;
        qsizetype room = 0;
        quint64 lastSerial = 0;
    };
    std::deque<Block> m_store;

    QByteArray m_pendingReceived; // its room is kept from line to line
    bool m_pendingParity = false;
    Stamp m_pendingAt{0, -1};

    Mailbox m_inbox; // the log's failure, found on either thread, told on this one
    std::unique_ptr<BatchedLog> m_log; // after the mailbox: going, it may still tell of one

    mutable Lock m_lock;
    std::atomic<bool> m_announceQueued{false}; // told, or looked at again soon
    quint64 m_announcedEnd = 0;                // on the transcript's thread
};
