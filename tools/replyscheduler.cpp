// SPDX-License-Identifier: GPL-3.0-or-later
#include "replyscheduler.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t MaxQueuedBytes = 65536; // replies nobody reads are dropped beyond this
constexpr std::size_t FloodPiece = 4096;
constexpr auto FloodPace = std::chrono::milliseconds(10);
constexpr auto HangUpSettle = std::chrono::milliseconds(10);     // bytes reach the slave's queue
constexpr auto HangUpPatience = std::chrono::milliseconds(2000); // then the line drops anyway
constexpr auto HangUpRecheck = std::chrono::milliseconds(5);

unsigned char withParity(unsigned char c, int mode)
{
    if (mode != 1 && mode != 2)
        return c;
    c &= 0x7F;
    const bool oddOnes = (__builtin_popcount(c) & 1) != 0;
    // Odd parity: the eight bits hold an odd number of ones; even parity: an even number.
    const bool setBit = (mode == 1) ? !oddOnes : oddOnes;
    return setBit ? static_cast<unsigned char>(c | 0x80) : c;
}

std::string applyParity(const std::string &bytes, int mode)
{
    std::string out = bytes;
    for (char &c : out)
        c = static_cast<char>(withParity(static_cast<unsigned char>(c), mode));
    return out;
}

} // namespace

ReplyScheduler::ReplyScheduler(const ReplyShape &shape) : m_shape(shape)
{}

void ReplyScheduler::enqueue(Segment s)
{
    if (m_queuedBytes + s.bytes.size() > MaxQueuedBytes)
        return;
    m_queuedBytes += s.bytes.size();
    m_queue.push_back(std::move(s));
}

void ReplyScheduler::marker(Kind kind, Clock::time_point now)
{
    Segment s;
    s.kind = kind;
    s.notBefore = now;
    m_queue.push_back(std::move(s));
}

void ReplyScheduler::echo(const std::string &bytes, Clock::time_point now)
{
    if (bytes.empty())
        return;
    Segment s;
    s.kind = Kind::Echo;
    s.bytes = applyParity(bytes, m_shape.replyParity);
    s.notBefore = now;
    enqueue(std::move(s));
}

std::string ReplyScheduler::noise()
{
    std::string garbage;
    for (std::size_t i = 0; i < m_shape.garbageBefore; ++i) {
        unsigned char b;
        do
            b = static_cast<unsigned char>(m_noise() & 0xFF);
        while ((b & 0x7F) == '\r');
        garbage += static_cast<char>(b);
    }
    return garbage;
}

void ReplyScheduler::reply(const std::string &text, Clock::time_point now)
{
    if (text.empty())
        return;
    const std::string plain = noise() + text;

    // Pieces: first cut between CR and LF, then into chunks.
    std::vector<std::pair<std::string, int>> lines;
    std::size_t from = 0;
    if (m_shape.splitCrLf) {
        for (std::size_t i = from; i + 1 < plain.size(); ++i)
            if (plain[i] == '\r' && plain[i + 1] == '\n') {
                lines.emplace_back(plain.substr(from, i + 1 - from),
                                   lines.empty() ? 0 : m_shape.splitGapMs);
                from = i + 1;
            }
    }
    lines.emplace_back(plain.substr(from), lines.empty() ? 0 : m_shape.splitGapMs);

    auto info = std::make_shared<ReplyInfo>();
    info->text = text;
    info->wire = applyParity(plain, m_shape.replyParity);
    std::vector<Segment> pieces;
    for (const auto &[part, gap] : lines) {
        const std::size_t step = m_shape.chunk > 0 ? m_shape.chunk : part.size();
        for (std::size_t at = 0; at < part.size(); at += step) {
            Segment s;
            s.kind = Kind::Reply;
            s.bytes = applyParity(part.substr(at, step), m_shape.replyParity);
            s.gapMs = at == 0 ? gap : m_shape.chunkGapMs;
            s.reply = info;
            pieces.push_back(std::move(s));
        }
    }
    if (pieces.empty())
        return;
    pieces.front().gapMs = 0;
    pieces.back().lastOfReply = true;
    std::size_t total = 0;
    for (const Segment &s : pieces)
        total += s.bytes.size();
    if (m_queuedBytes + total > MaxQueuedBytes)
        return;
    const auto due = now + std::chrono::milliseconds(std::max(0, m_shape.replyDelayMs));
    for (Segment &s : pieces) {
        s.notBefore = due;
        enqueue(std::move(s));
    }
}

void ReplyScheduler::flood(Clock::time_point now)
{
    marker(Kind::Flood, now);
    m_queue.back().floodLimit = m_shape.floodLimit; // a later shape leaves this flood alone
}

void ReplyScheduler::hangUp(Clock::time_point now)
{
    marker(Kind::HangUp, now);
}

void ReplyScheduler::clear()
{
    m_queue.clear();
    m_queuedBytes = 0;
    m_flooding = false;
}

ReplyScheduler::Due ReplyScheduler::due(Clock::time_point now)
{
    while (!m_queue.empty()) {
        const Segment &s = m_queue.front();
        if (s.notBefore > now)
            return Due::Nothing;
        if (s.kind == Kind::HangUp)
            return Due::HangUp;
        if (s.kind != Kind::Flood)
            return Due::Bytes;
        m_floodLimit = s.floodLimit;
        m_queue.pop_front();
        m_flooding = true;
        m_nextFlood = now;
        m_floodSent = 0;
    }
    return Due::Nothing;
}

std::string_view ReplyScheduler::pending() const
{
    if (m_queue.empty())
        return {};
    const Segment &s = m_queue.front();
    return std::string_view(s.bytes).substr(s.done);
}

std::optional<ReplyScheduler::Delivered> ReplyScheduler::wrote(std::size_t count,
                                                               Clock::time_point now)
{
    Segment &s = m_queue.front();
    if (count > 0 && s.reply && !s.reply->started) {
        s.reply->started = true;
        s.reply->first = now;
    }
    s.done += count;
    if (s.done < s.bytes.size())
        return std::nullopt; // the rest when the line takes more
    std::optional<Delivered> done;
    if (s.kind == Kind::Echo)
        done = Delivered{true, s.bytes, s.bytes, now};
    else if (s.lastOfReply)
        done = Delivered{false, s.reply->wire, s.reply->text, s.reply->first};
    m_queuedBytes -= s.bytes.size();
    m_queue.pop_front();
    if (!m_queue.empty()) {
        Segment &next = m_queue.front();
        next.notBefore = std::max(next.notBefore, now + std::chrono::milliseconds(next.gapMs));
    }
    return done;
}

bool ReplyScheduler::holdHangUp(Clock::time_point now, int unread)
{
    // Closing the master flushes what the other side has not read yet, whereas a modem's last
    // reply has left it before the line drops.
    Segment &s = m_queue.front();
    if (s.firstDue == Clock::time_point{})
        s.firstDue = now;
    const bool waiting = now - s.firstDue < HangUpSettle || unread > 0;
    if (!waiting || now - s.firstDue >= HangUpPatience)
        return false;
    s.notBefore = now + HangUpRecheck;
    return true;
}

std::string ReplyScheduler::floodPiece(Clock::time_point now)
{
    if (!m_flooding || !m_queue.empty() || now < m_nextFlood)
        return {};
    static constexpr char pattern[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::size_t size = FloodPiece;
    if (m_floodLimit > 0)
        size = std::min(size, m_floodLimit - m_floodSent);
    std::string piece(size, '\0');
    for (char &c : piece) {
        c = pattern[m_floodOffset];
        m_floodOffset = (m_floodOffset + 1) % (sizeof pattern - 1);
    }
    m_nextFlood = now + FloodPace;
    m_floodSent += size;
    // A bounded flood ends with its last byte: the modem reads and answers lines again.
    if (m_floodLimit > 0 && m_floodSent >= m_floodLimit)
        m_flooding = false;
    return applyParity(piece, m_shape.replyParity);
}

std::optional<ReplyScheduler::Clock::time_point> ReplyScheduler::wakeAt() const
{
    if (!m_queue.empty())
        return m_queue.front().notBefore;
    if (m_flooding)
        return m_nextFlood;
    return std::nullopt;
}
