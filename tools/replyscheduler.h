// SPDX-License-Identifier: GPL-3.0-or-later
// When and in which pieces the simulated modem's bytes go on the line: echoes, replies cut in
// chunks or between CR and LF, late, behind noise, with parity; floods and the hang-up after a
// reply. Plain logic over the clock values the caller passes in; the caller does the writing.
// Lives on the modem line's thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>

// How replies are shaped on the line.
struct ReplyShape
{
    std::size_t chunk = 0;         // write replies in pieces of this size (0: whole)
    int chunkGapMs = 0;            // pause between pieces
    bool splitCrLf = false;        // CR and LF of a line in separate writes
    int splitGapMs = 20;           // pause between them
    int replyParity = 0;           // 0 none, 1 odd, 2 even in bit 7 of what it sends
    std::size_t garbageBefore = 0; // bytes of noise (never CR) before each reply
    int replyDelayMs = 0;          // wait before answering
    std::size_t floodLimit = 0;    // a flood ends after this many bytes (0: never)
};

class ReplyScheduler
{
public:
    using Clock = std::chrono::steady_clock;

    enum class Due { Nothing, Bytes, HangUp };

    // An echo, or a reply once its last byte has been written.
    struct Delivered
    {
        bool echo = false;
        std::string bytes; // what went on the line, noise and parity included
        std::string text;  // a reply before noise and parity were added
        Clock::time_point firstByte;
    };

    explicit ReplyScheduler(const ReplyShape &shape = {});

    // Shapes what is queued from now on; what is already queued keeps its shape.
    void setShape(const ReplyShape &shape) { m_shape = shape; }

    // Received bytes (bit 7 cleared) to send back at once, with the reply parity.
    void echo(const std::string &bytes, Clock::time_point now);
    // A reply text; dropped whole when the queue would hold more than a reader leaves unread.
    void reply(const std::string &text, Clock::time_point now);
    // Once what is queued has gone: flood the line, or drop it.
    void flood(Clock::time_point now);
    void hangUp(Clock::time_point now);
    // The line dropped: nothing is pending any more and the flood ends.
    void clear();

    // What is due at `now`. Bytes: write pending(), then tell wrote(). HangUp: ask holdHangUp().
    Due due(Clock::time_point now);
    std::string_view pending() const;
    // `count` more bytes of pending() went out at `now`. Returns what that completed, if anything.
    std::optional<Delivered> wrote(std::size_t count, Clock::time_point now);
    // Whether a due hang-up should wait, with `unread` bytes still not taken by the other side:
    // the last reply leaves the line before it drops, for a while at most.
    bool holdHangUp(Clock::time_point now, int unread);
    // The next piece of the flood when one is due (paced, and only with nothing else queued).
    std::string floodPiece(Clock::time_point now);

    bool flooding() const { return m_flooding; }
    bool queued() const { return !m_queue.empty(); }
    // When something next falls due; none while there is nothing to send.
    std::optional<Clock::time_point> wakeAt() const;

private:
    enum class Kind { Echo, Reply, HangUp, Flood };
    struct ReplyInfo
    {
        std::string text;
        std::string wire;
        Clock::time_point first;
        bool started = false;
    };
    struct Segment
    {
        Kind kind = Kind::Reply;
        std::string bytes;
        std::size_t done = 0;
        Clock::time_point notBefore;
        int gapMs = 0; // counted from the moment the previous segment was written
        std::shared_ptr<ReplyInfo> reply;
        bool lastOfReply = false;
        Clock::time_point firstDue; // hang-up: when it was first due
        std::size_t floodLimit = 0; // flood: its bytes (0: no end)
    };

    void enqueue(Segment s);
    void marker(Kind kind, Clock::time_point now);
    std::string noise();

    ReplyShape m_shape;
    std::deque<Segment> m_queue;
    std::size_t m_queuedBytes = 0;
    bool m_flooding = false;
    Clock::time_point m_nextFlood;
    std::size_t m_floodOffset = 0;
    std::size_t m_floodSent = 0;  // bytes of the flood handed out so far
    std::size_t m_floodLimit = 0; // of the running flood (0: no end)
    std::minstd_rand m_noise{20240611u};
};
