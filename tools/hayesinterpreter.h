// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated modem's Hayes command set: active and stored profile, S-registers, result codes,
// and the fault switches that decide what a command line gets. Plain logic with no threads,
// descriptors or clocks; whoever shares one between threads serialises the calls.
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

// Power-on profile (also what Z restores until &W stores another).
struct HayesPowerOn
{
    bool echo = false;            // E1
    bool verbose = false;         // V1
    bool quiet = false;           // Q1
    std::map<int, int> registers; // initial S-register values, e.g. {37, 9}

    // V0 replies framed in CR LF like V1 ("\r\n0\r\n"), as some modems and emulators send
    // them; a trait of the modem, not of its profile.
    bool numericCrLf = false;

    // What the modem says about itself: "I0" to "I9", "+GMI", "+GMM", "+GMR", each a list of
    // information lines; a name missing here is refused with ERROR. AT&V lists the profiles.
    std::map<std::string, std::vector<std::string>> identity = zoomIdentity();

    // The answers of a Zoom V.92 external modem (Conexant chipset); ATI7 is not supported.
    static std::map<std::string, std::vector<std::string>> zoomIdentity();
};

// Faults. Command lines are matched case-insensitively on the whole line, with or without
// its "AT" prefix ("S37=9" matches "ATS37=9" and "ats37=9").
struct HayesFaults
{
    bool silent = false;                 // never answer anything
    bool blankReplies = false;           // commands take effect, but every reply is just "\r\n"
    bool noEcho = false;                 // never echoes, whatever its profile says
    std::vector<std::string> errorOn;    // answer ERROR to these command lines
    std::vector<std::string> silentOn;   // no reply at all to these command lines
    std::vector<std::string> noResultOn; // information text but no result code
    std::string hangupAfter;             // close the line after answering this command line
    std::string floodAfter;              // after this command line, send bytes without line ends
};

struct HayesProfile
{
    bool echo = true;
    bool verbose = true;
    bool quiet = false;
    std::array<int, 256> regs{};
    std::map<std::string, int> settings; // "B", "L", ..., "&S"
    std::string modulation;              // what "AT+MS?" answers after "+MS: "

    // What &F loads: the usual defaults of a Hayes-compatible data modem.
    static HayesProfile factory();
};

// What a received command line gets.
struct HayesAnswer
{
    std::string reply;   // the reply text; empty: none
    bool flood = false;  // no reply: the line floods from now on
    bool hangUp = false; // drop the line once the reply has gone
};

class HayesInterpreter
{
public:
    explicit HayesInterpreter(const HayesPowerOn &powerOn = {}, const HayesFaults &faults = {});

    // One command line as received, bit 7 cleared and without its CR. Whatever stands before
    // "AT" is ignored; a line without "AT" gets nothing. The fault switches apply.
    HayesAnswer answer(const std::string &line);
    // Runs the commands after "AT" and returns the reply text in the modes the line leaves
    // in force; `withResult` false leaves out the result code.
    std::string execute(const std::string &commands, bool withResult = true);
    // The result code in the active modes ("" under Q1).
    std::string result(bool ok) const;
    // Back to the power-on profile, active and stored.
    void powerOn();
    // Whether received bytes are echoed now.
    bool echoes() const;
    // The fault switches for the lines that follow.
    void setFaults(const HayesFaults &faults) { m_faults = faults; }

    const HayesProfile &active() const { return m_active; }
    // -1 outside 0..255.
    int registerValue(int index) const;
    int storedRegister(int index) const;
    // Active value of a single-digit setting ("B", "&D", any case); -1 for an unknown name.
    int setting(const std::string &name) const;

private:
    // The lines AT&V prints: active and stored profile.
    std::vector<std::string> profileListing() const;

    HayesFaults m_faults;
    bool m_numericCrLf = false;
    std::map<std::string, std::vector<std::string>> m_identity;
    HayesProfile m_powerOn;
    HayesProfile m_active;
    HayesProfile m_stored;
    int m_lastRegister = 0; // "S?" and "S=" without a number name the last one named
};
