// A Hayes-compatible modem on a pseudo-terminal, for tests, benchmarks and the demo.
// Plain C++ and POSIX: it runs on a thread of its own and answers whatever opens the slave side.
#pragma once

#include <chrono>
#include <cstddef>
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

    // Faults.
    bool silent = false;               // never answer anything
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
};

class HayesModem
{
public:
    using Clock = std::chrono::steady_clock;

    // One command line as it arrived: raw bytes (parity bit included, CR included) and the
    // line with bit 7 cleared and without its CR; when its first and last byte arrived.
    struct Received
    {
        std::string raw;
        std::string line;
        Clock::time_point firstByte;
        Clock::time_point lastByte;
    };
    // One reply: when its last byte was written.
    struct Sent
    {
        std::string bytes;
        Clock::time_point lastByte;
    };

    explicit HayesModem(HayesOptions options = {});
    ~HayesModem();
    HayesModem(const HayesModem &) = delete;
    HayesModem &operator=(const HayesModem &) = delete;

    // Creates the pseudo-terminal and starts answering. False with a reason on failure.
    bool start(std::string *error = nullptr);
    void stop();
    // Device path of the slave side, e.g. /dev/pts/7.
    std::string devicePath() const;
    // Makes `link` a symbolic link to the slave side (replacing an old link).
    bool linkTo(const std::string &link, std::string *error = nullptr);
    // Closes the line as if the modem were unplugged.
    void hangUp();

    std::vector<Received> received() const;
    std::vector<Sent> sent() const;
    void clearLog();
    int registerValue(int index) const;
    bool echo() const;
    bool verbose() const;
    bool quiet() const;
    // Stored-profile view of a register (what Z and power-on use).
    int storedRegister(int index) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
