// SPDX-License-Identifier: GPL-3.0-or-later
// The modem's end of a pseudo-terminal. A thread of its own reads command lines (echoing them as
// they arrive), hands them to whoever answers, and writes what the reply scheduler says is due;
// the line drops on request, after a reply that hangs up, or when the other side closes it.
#pragma once

#include "hayesinterpreter.h"
#include "hayesmodem.h"
#include "replyscheduler.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class ModemLine
{
public:
    using Clock = std::chrono::steady_clock;

    // What the line asks and tells, always on its own thread and outside its lock.
    struct Events
    {
        virtual ~Events() = default;
        virtual void lineUp() = 0; // before the thread starts
        virtual bool echoes() = 0; // whether bytes received now are echoed
        virtual void received(HayesModem::Received line) = 0;
        virtual HayesAnswer answer(const std::string &line) = 0; // after received()
        virtual void delivered(const ReplyScheduler::Delivered &what,
                               Clock::time_point lastByte) = 0;
        virtual void hungUp(Clock::time_point when) = 0;
    };

    ModemLine(const ReplyShape &shape, Events &events);
    ~ModemLine();
    ModemLine(const ModemLine &) = delete;
    ModemLine &operator=(const ModemLine &) = delete;

    // Creates the pseudo-terminal and starts the thread. False with a reason on failure.
    bool start(std::string *error);
    // Ends the thread, closes the line and removes the links. Safe to call twice.
    void stop();
    std::string devicePath() const;
    bool linkTo(const std::string &link, std::string *error);
    // Drops the line and waits until it has; from the line's own thread, at once.
    void hangUp();
    bool isOpen() const;
    std::size_t floodBytes() const;
    // The shape of the replies to the command lines completed from now on.
    void setShape(const ReplyShape &shape);

private:
    void wakeUp() const;
    void removeLinksLocked();
    void closeLine();
    void finishLine(Clock::time_point now);
    void processInput(const unsigned char *bytes, std::size_t count, Clock::time_point now);
    void readInput();
    void writeDue();
    void floodTick();
    void run();

    Events &m_events;

    // Shared with the callers' threads, guarded by `m_mutex`.
    mutable std::mutex m_mutex;
    std::condition_variable m_closed;
    std::size_t m_floodCount = 0;
    std::string m_path;
    std::vector<std::string> m_links;
    bool m_lineIsOpen = false;
    bool m_lineClosed = true; // its descriptors are closed (m_lineIsOpen drops just before)
    bool m_hangRequested = false;
    bool m_running = false;
    std::optional<ReplyShape> m_newShape; // taken over by the line's thread at the next line
    std::atomic<bool> m_stopRequested{false};

    // Owned by the line's thread while it runs.
    std::thread m_thread;
    int m_master = -1;
    int m_slave = -1;
    int m_wake[2] = {-1, -1};
    std::string m_lineRaw;
    std::string m_lineText;
    Clock::time_point m_lineFirst;
    ReplyScheduler m_scheduler;
    bool m_writeBlocked = false;
};
