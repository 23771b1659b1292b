// SPDX-License-Identifier: GPL-3.0-or-later
#include "transcript.h"

#include "linecodec.h"
#include "transcripttexts.h"

#include <QDateTime>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Marks[] = {QStringLiteral("-->"), QStringLiteral("<--"), QStringLiteral("---")};
constexpr int SinceWidth = 9; // "+9999.999"

QString sinceText(qint64 ms)
{
    if (ms < 0)
        return QString(SinceWidth, QLatin1Char(' '));
    return QStringLiteral("+%1.%2")
        .arg(ms / 1000)
        .arg(ms % 1000, 3, 10, QLatin1Char('0'))
        .rightJustified(SinceWidth);
}

// "HH:mm:ss" of local time. Working out the local time costs microseconds, and lines come many
// to the second and in order: the last second's text is kept.
QString clockText(qint64 wallMs)
{
    thread_local qint64 second = std::numeric_limits<qint64>::min();
    thread_local QString text;
    const qint64 s = wallMs >= 0 ? wallMs / 1000 : (wallMs - 999) / 1000;
    if (s != second) {
        second = s;
        text = QDateTime::fromSecsSinceEpoch(s).toString(QStringLiteral("HH:mm:ss"));
    }
    return text;
}

} // namespace

// Every public call that records holds the lock for its work and tells of new lines after.
class Transcript::Change
{
public:
    explicit Change(Transcript &transcript)
        : m_transcript(transcript), m_lock(transcript.m_lock), m_endBefore(transcript.m_end)
    {}
    ~Change()
    {
        const bool grew = m_transcript.m_end != m_endBefore;
        m_lock.unlock();
        if (grew)
            m_transcript.announce();
    }
    Change(const Change &) = delete;
    Change &operator=(const Change &) = delete;

private:
    Transcript &m_transcript;
    std::unique_lock<Lock> m_lock;
    quint64 m_endBefore;
};

Transcript::Transcript(QObject *parent) : QObject(parent)
{}

Transcript::~Transcript() = default;

// ---- What happens ----------------------------------------------------------------------------

void Transcript::portOpened(const QString &device, const LineSettings &settings, Parity parity)
{
    // The dialogue's clock starts here: the port opens for it, and its first command goes out,
    // just before the engine announces the dialogue's first state.
    const Change change(*this);
    m_dialogueClock.start();
    const QString &parityText = parity == Parity::Odd    ? TranscriptTexts::TranscriptParityOdd
                                : parity == Parity::Even ? TranscriptTexts::TranscriptParityEven
                                                         : TranscriptTexts::TranscriptParityNone;
    addEvent(TranscriptTexts::TranscriptPortOpened.arg(device, settings.text(), parityText));
}

void Transcript::portNotOpened(const QString &device, const LineSettings &settings)
{
    const Change change(*this);
    addEvent(TranscriptTexts::TranscriptPortNotOpened.arg(device, settings.text()));
}

void Transcript::portClosed()
{
    const Change change(*this);
    addEvent(TranscriptTexts::TranscriptPortClosed);
    // Closed before any state was entered (no CTS/DSR): that dialogue never began.
    if (m_state == 0)
        m_dialogueClock.invalidate();
}

void Transcript::sent(QByteArrayView wire, Parity parity)
{
    const Change change(*this);
    flushReceived(); // the line before this one
    // Copied into the store: the bytes may be a view of the engine's list, which goes when the
    // list does.
    append(Direction::Sent, keep(wire, m_end), QString(), parity != Parity::None, now());
}

void Transcript::received(QByteArrayView wire, Parity parity)
{
    const Change change(*this);
    const bool withParity = parity != Parity::None;
    if (withParity != m_pendingParity)
        flushReceived();
    m_pendingParity = withParity;
    // A line carries the time its last byte came, even when it is shown later.
    m_pendingAt = now();
    qsizetype from = 0;
    for (qsizetype i = 0; i < wire.size(); ++i) {
        // A CR with its parity bit is still the end of a line.
        const bool lineEnd = (wire[i] & 0x7F) == '\r';
        if (lineEnd || m_pendingReceived.size() + (i + 1 - from) >= LongestReceivedLine) {
            m_pendingReceived.append(wire.sliced(from, i + 1 - from));
            from = i + 1;
            flushReceived();
        }
    }
    m_pendingReceived.append(wire.sliced(from));
}

void Transcript::inputDiscarded()
{
    const Change change(*this);
    addEvent(TranscriptTexts::TranscriptInputDiscarded);
}

void Transcript::timerStep()
{
    const Change change(*this);
    addEvent(TranscriptTexts::TranscriptTimerStep);
}

void Transcript::stateChanged(int state)
{
    const Change change(*this);
    m_state = state;
    const auto &names = TranscriptTexts::TranscriptStateNames;
    addEvent(state >= 0 && state < qsizetype(std::size(names))
                 ? TranscriptTexts::TranscriptState.arg(state).arg(names[state])
                 : TranscriptTexts::TranscriptStateUnnamed.arg(state));
    if (state == 0)
        m_dialogueClock.invalidate();
}

void Transcript::boxShown(bool error, const QString &text)
{
    const Change change(*this);
    addEvent((error ? TranscriptTexts::TranscriptErrorBox : TranscriptTexts::TranscriptInfoBox)
                 .arg(text));
}

void Transcript::boxClosed()
{
    const Change change(*this);
    addEvent(TranscriptTexts::TranscriptBoxClosed);
}

void Transcript::identificationShown()
{
    const Change change(*this);
    addEvent(TranscriptTexts::TranscriptIdentificationShown);
}

void Transcript::lateReplyDropped(const QByteArray &bytes)
{
    const Change change(*this);
    addEvent(TranscriptTexts::TranscriptLateReply.arg(visible(bytes)));
}

void Transcript::happened(const QString &text)
{
    const Change change(*this);
    addEvent(text);
}

void Transcript::addEvent(const QString &text)
{
    // One line per event, in the window and in the file.
    QString oneLine = text;
    if (oneLine.contains(QLatin1Char('\n')))
        oneLine.replace(QLatin1Char('\n'), QLatin1String(" / "));
    append(Direction::Event, QByteArray(), oneLine, false, now());
}

// ---- Keeping ---------------------------------------------------------------------------------

Transcript::Stamp Transcript::now() const
{
    return {QDateTime::currentMSecsSinceEpoch(),
            m_dialogueClock.isValid() ? m_dialogueClock.elapsed() : -1};
}

void Transcript::append(Direction direction, QByteArray bytes, QString text, bool parity, Stamp at)
{
    if (direction != Direction::Received)
        flushReceived();

    Line line;
    line.wallMs = at.wallMs;
    line.sinceMs = at.sinceMs;
    line.direction = direction;
    line.parity = parity;
    line.bytes = std::move(bytes);
    line.text = std::move(text);

    const qsizetype slot = qsizetype((m_end - m_base) % Capacity);
    if (m_lines.isEmpty())
        m_lines.reserve(Capacity); // no reallocation, and its copying, in the middle of a dialogue
    if (m_lines.size() < Capacity)
        m_lines.append(std::move(line));
    else
        m_lines[slot] = std::move(line);
    ++m_end;
    if (m_end - m_first > quint64(Capacity))
        m_first = m_end - Capacity;
    while (m_store.size() > 1 && m_store.front().lastSerial < m_first)
        m_store.pop_front();

    if (m_log) {
        const Line &kept = m_lines.at(slot);
        m_log->append(format(kept), kept.direction == Direction::Event);
    }
}

void Transcript::announce()
{
    if (thread() == QThread::currentThread()) {
        emit appended();
        return;
    }
    if (m_announceQueued.exchange(true))
        return; // the lines will be seen with those already told
    QMetaObject::invokeMethod(this, "announceQueued", Qt::QueuedConnection);
}

void Transcript::announceQueued()
{
    // On this thread: tells of the lines recorded elsewhere at most once a frame, and looks
    // again a frame later while they keep coming.
    quint64 end = endSerial();
    if (end == m_announcedEnd) {
        m_announceQueued = false;
        // A line that came just before the flag went down was not told to anybody.
        end = endSerial();
        if (end == m_announcedEnd || m_announceQueued.exchange(true))
            return;
    }
    m_announcedEnd = end;
    emit appended();
    QTimer::singleShot(AnnounceMs, this, [this] { announceQueued(); });
}

void Transcript::flushReceived()
{
    if (m_pendingReceived.isEmpty())
        return;
    QByteArray bytes = keep(m_pendingReceived, m_end);
    m_pendingReceived.resize(0);
    append(Direction::Received, std::move(bytes), QString(), m_pendingParity, m_pendingAt);
}

QByteArray Transcript::keep(QByteArrayView bytes, quint64 serial)
{
    if (bytes.isEmpty())
        return QByteArray();
    if (m_store.empty() || m_store.back().room - m_store.back().used < bytes.size()) {
        const qsizetype room = std::max(StoreBlock, bytes.size());
        m_store.push_back(Block{std::make_unique_for_overwrite<char[]>(room), 0, room, serial});
    }
    Block &block = m_store.back();
    char *at = block.bytes.get() + block.used;
    std::memcpy(at, bytes.data(), bytes.size()); // within its room: the block never moves
    block.used += bytes.size();
    block.lastSerial = serial;
    return QByteArray::fromRawData(at, bytes.size());
}

const Transcript::Line &Transcript::kept(quint64 serial) const
{
    return m_lines.at(qsizetype((serial - m_base) % Capacity));
}

Transcript::Line Transcript::line(quint64 serial) const
{
    const std::lock_guard lock(m_lock);
    if (serial < m_first || serial >= m_end)
        return Line();
    Line copy = kept(serial);
    // Its own bytes: the block they are in may go once the lock is released.
    copy.bytes = QByteArray(copy.bytes.constData(), copy.bytes.size());
    return copy;
}

quint64 Transcript::firstSerial() const
{
    const std::lock_guard lock(m_lock);
    return m_first;
}

quint64 Transcript::endSerial() const
{
    const std::lock_guard lock(m_lock);
    return m_end;
}

qsizetype Transcript::size() const
{
    const std::lock_guard lock(m_lock);
    return qsizetype(m_end - m_first);
}

QString Transcript::text() const
{
    const std::lock_guard lock(m_lock);
    QString all;
    for (quint64 s = m_first; s < m_end; ++s)
        all += format(kept(s)) + QLatin1Char('\n');
    return all;
}

void Transcript::clear()
{
    {
        const std::lock_guard lock(m_lock);
        m_lines.clear();
        m_store.clear();
        m_base = m_first = m_end;
    }
    emit cleared();
}

// ---- Text ------------------------------------------------------------------------------------

QString Transcript::visible(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size() + 8);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '\r')
            out += QLatin1String("<CR>");
        else if (b == '\n')
            out += QLatin1String("<LF>");
        else if (b >= 0x20 && b < 0x7F)
            out += QLatin1Char(c);
        else
            out += QLatin1String("<x")
                   + QString::number(b, 16).rightJustified(2, QLatin1Char('0')).toUpper()
                   + QLatin1Char('>');
    }
    return out;
}

QString Transcript::format(const Line &line)
{
    QString body;
    if (line.direction == Direction::Event) {
        body = line.text;
    } else if (line.parity) {
        // What the modem means, then what went on the wire.
        body = visible(LineCodec::StripParity(line.bytes)) + QLatin1String("  [")
               + QString::fromLatin1(line.bytes.toHex(' ').toUpper()) + QLatin1Char(']');
    } else {
        body = visible(line.bytes);
    }
    const qint64 ms = line.wallMs % 1000;
    return clockText(line.wallMs) + QLatin1Char('.')
           + QString::number(ms < 0 ? ms + 1000 : ms).rightJustified(3, QLatin1Char('0'))
           + QLatin1Char(' ') + sinceText(line.sinceMs) + QLatin1String("  ")
           + Marks[int(line.direction)] + QLatin1String("  ") + body;
}

// ---- The log file ----------------------------------------------------------------------------

Outcome Transcript::openForAppending(QFile &file, const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        return Outcome::failure(error == ENXIO ? TranscriptTexts::TranscriptLogNoReader.arg(path)
                                               : TranscriptTexts::TranscriptLogOpenFailed.arg(
                                                   path, qt_error_string(error)));
    }
    struct stat status
    {
    };
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode))
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    // O_APPEND already puts every write at the end; QFile's Append would seek, which a FIFO
    // refuses.
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Outcome::failure(
            TranscriptTexts::TranscriptLogOpenFailed.arg(path, file.errorString()));
    }
    return Outcome::success();
}

Outcome Transcript::openLogFile(const QString &path)
{
    // Once failed, the log writes nothing more; recording goes on.
    auto log = std::make_unique<BatchedLog>([this](const QString &message) {
        // Told from the event loop: the failure may be found with the transcript locked.
        m_inbox.post([this, message] { emit logFileFailed(message); });
    });
    // The lines carry the time of day only: say which day they belong to.
    Line start;
    start.wallMs = QDateTime::currentMSecsSinceEpoch();
    start.text = TranscriptTexts::TranscriptLogStarted.arg(
        QDateTime::fromMSecsSinceEpoch(start.wallMs).toString(QStringLiteral("yyyy-MM-dd")));
    if (const Outcome opened = log->open(path, format(start)); !opened)
        return opened;
    const std::lock_guard lock(m_lock);
    m_log = std::move(log);
    return Outcome::success();
}
