// SPDX-License-Identifier: GPL-3.0-or-later
// A Hayes-compatible modem on a pseudo-terminal, for tests, benchmarks and the demo.
// Plain C++ and POSIX: it runs on a thread of its own and answers whatever opens the slave side.
// HayesInterpreter answers the commands, ReplyScheduler times the bytes, ModemLine runs the
// pseudo-terminal; HayesModem puts them together and keeps the log.
//
// Reply formats (what the other side reads):
//   V1 result code     "\r\nOK\r\n", "\r\nERROR\r\n"
//   V0 result code     "0\r", "4\r"
//   V1 information     "\r\n" text "\r\n"        e.g. ATS0? -> "\r\n002\r\n\r\nOK\r\n"
//   V0 information     text "\r\n"               e.g. ATS0? -> "002\r\n0\r"
//   V0, numericCrLf    framed like V1            e.g. ATS0? -> "\r\n002\r\n\r\n0\r\n"
//   Q1                 no result codes; information text is still sent
// Echo (E1) sends back every received byte, bit 7 cleared, as it arrives, CR included; it follows
// the echo setting in force when the byte arrived, so "AT&F" typed under E0 is not echoed though
// &F turns echo on. Every other setting changed by a line already shapes that line's reply
// ("ATE0Q0V0" answers "0\r", "AT&F" answers "\r\nOK\r\n").
#pragma once

#include "hayesinterpreter.h"
#include "replyscheduler.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Everything a modem is made with: its power-on profile (HayesPowerOn), the faults it shows
// (HayesFaults) and how its replies go on the line (ReplyShape), each documented where it is
// declared; e.g. `options.verbose = true; options.errorOn = {"S0=1"}; options.chunk = 2;`.
struct HayesOptions : HayesPowerOn, HayesFaults, ReplyShape
{
    // Observation. `trace` is called on the modem's thread, outside its lock, for every line
    // received ('<', raw bytes), reply ('>'), echo ('e') and hang-up ('h', no bytes).
    // A long-running modem turns `keepLog` off so that received()/sent() do not grow.
    std::function<void(char kind, const std::string &bytes,
                       std::chrono::steady_clock::time_point when)>
        trace;
    bool keepLog = true;
};

class HayesModem
{
public:
    using Clock = std::chrono::steady_clock;

    // One command line as it arrived: raw bytes (parity bit included, CR included) and the
    // line with bit 7 cleared and without its CR; when its first and last byte arrived.
    // Times are taken right after the read() that delivered those bytes. A line feed that
    // arrives before any other byte of a line is dropped (it ends the previous line's CR LF);
    // other line feeds stay in `raw` but not in `line`. Lines longer than 1024 bytes are cut.
    struct Received
    {
        std::string raw;
        std::string line;
        Clock::time_point firstByte;
        Clock::time_point lastByte;
    };
    // One reply: when its last byte was written (right after the write() that completed it).
    // `bytes` is what went on the line (noise and parity included); `text` is the reply before
    // noise and parity were added. `firstByte` is taken after the write() of its first piece.
    struct Sent
    {
        std::string bytes;
        Clock::time_point lastByte;
        std::string text;
        Clock::time_point firstByte;
    };

    explicit HayesModem(HayesOptions options = {});
    ~HayesModem();
    HayesModem(const HayesModem &) = delete;
    HayesModem &operator=(const HayesModem &) = delete;

    // Creates the pseudo-terminal and starts answering. False with a reason on failure.
    bool start(std::string *error = nullptr);
    // Stops the thread, closes the line and removes the links. Safe to call twice; not from
    // `trace`.
    void stop();
    // Device path of the slave side, e.g. /dev/pts/7.
    std::string devicePath() const;
    // Makes `link` a symbolic link to the slave side (replacing an old link).
    bool linkTo(const std::string &link, std::string *error = nullptr);
    // Closes the line as if the modem were unplugged; the links are removed too.
    void hangUp();
    // False once the line has been hung up or stopped.
    bool lineOpen() const;

    // Fault injection while the modem runs: from the next complete command line on, these
    // faults and this reply shape replace what the modem was made with (the profile stays).
    // E.g. `HayesFaults f; f.errorOn = {"B0"}; modem.setFaults(f);`, or a shape with `chunk`
    // set for replies in pieces, `splitCrLf` for a late LF, `floodLimit` for a bounded flood.
    void setFaults(const HayesFaults &faults);
    void setReplyShape(const ReplyShape &shape);

    std::vector<Received> received() const;
    // Replies only; echoes are in echoed(), one entry per write.
    std::vector<Sent> sent() const;
    std::vector<Sent> echoed() const;
    // Bytes written since a flood started.
    std::size_t floodBytes() const;
    // Block until the log holds at least `count` entries; false on time-out.
    bool waitForReceived(std::size_t count, int timeoutMs) const;
    bool waitForSent(std::size_t count, int timeoutMs) const;
    void clearLog();
    int registerValue(int index) const;
    bool echo() const;
    bool verbose() const;
    bool quiet() const;
    // Stored-profile view of a register (what Z and power-on use).
    int storedRegister(int index) const;
    // Active value of a single-digit setting: "B", "L", "M", "Y", "N", "X", "&C", "&D", "&Q",
    // "&S"; -1 for an unknown name.
    int setting(const std::string &name) const;
    // Active "+MS=" text (what "AT+MS?" answers after "+MS: ").
    std::string modulation() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
