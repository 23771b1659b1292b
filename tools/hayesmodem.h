// A Hayes-compatible modem on a pseudo-terminal, for tests, benchmarks and the demo.
// Plain C++ and POSIX: it runs on a thread of its own and answers whatever opens the slave side.
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

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct HayesOptions
{
    // Power-on profile (also what Z restores until &W stores another).
    bool echo = false;    // E1
    bool verbose = false; // V1
    bool quiet = false;   // Q1
    std::map<int, int> registers; // initial S-register values, e.g. {37, 9}

    // V0 replies framed in CR LF like V1 ("\r\n0\r\n"), as some modems and emulators send
    // them; a trait of the modem, not of its profile.
    bool numericCrLf = false;

    // Faults. Command lines are matched case-insensitively on the whole line, with or without
    // its "AT" prefix ("S37=9" matches "ATS37=9" and "ats37=9").
    bool silent = false;               // never answer anything
    bool blankReplies = false;         // commands take effect, but every reply is just "\r\n"
    std::vector<std::string> errorOn;  // answer ERROR to these command lines
    std::vector<std::string> silentOn; // no reply at all to these command lines
    std::vector<std::string> noResultOn; // information text but no result code
    std::string hangupAfter;           // close the line after answering this command line
    std::size_t chunk = 0;             // write replies in pieces of this size (0: whole)
    int chunkGapMs = 0;                // pause between pieces
    bool splitCrLf = false;            // CR and LF of a line in separate writes
    int splitGapMs = 20;               // pause between them
    int replyParity = 0;               // 0 none, 1 odd, 2 even in bit 7 of what it sends
    std::size_t garbageBefore = 0;     // bytes of noise (never CR) before each reply
    std::string floodAfter;            // after this command line, send bytes without line ends
    int replyDelayMs = 0;              // wait before answering

    // Observation. `trace` is called on the modem's thread, outside its lock, for every line
    // received ('<', raw bytes), reply ('>'), echo ('e') and hang-up ('h', no bytes).
    // A long-running modem turns `keepLog` off so that received()/sent() do not grow.
    std::function<void(char kind, const std::string &bytes, std::chrono::steady_clock::time_point when)> trace;
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
    // Stops the thread, closes the line and removes the links. Safe to call twice; not from `trace`.
    void stop();
    // Device path of the slave side, e.g. /dev/pts/7.
    std::string devicePath() const;
    // Makes `link` a symbolic link to the slave side (replacing an old link).
    bool linkTo(const std::string &link, std::string *error = nullptr);
    // Closes the line as if the modem were unplugged; the links are removed too.
    void hangUp();
    // False once the line has been hung up or stopped.
    bool lineOpen() const;

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
