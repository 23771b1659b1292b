// SPDX-License-Identifier: GPL-3.0-or-later
#include "hayesinterpreter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

constexpr int ResultOk = 0;
constexpr int ResultError = 4;

std::string upper(std::string s)
{
    for (char &c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Index of the first "AT" (any case) in a line, or npos.
std::size_t findAt(const std::string &line)
{
    for (std::size_t i = 0; i + 1 < line.size(); ++i)
        if ((line[i] == 'A' || line[i] == 'a') && (line[i + 1] == 'T' || line[i + 1] == 't'))
            return i;
    return std::string::npos;
}

// How a fault switch names a command line: upper case, without the "AT" prefix.
std::string matchKey(const std::string &command)
{
    std::string key = upper(command);
    if (key.compare(0, 2, "AT") == 0)
        key.erase(0, 2);
    return key;
}

bool matches(const std::string &command, const std::string &key)
{
    return !command.empty() && matchKey(command) == key;
}

bool matches(const std::vector<std::string> &commands, const std::string &key)
{
    return std::any_of(commands.begin(), commands.end(),
                       [&](const std::string &c) { return matches(c, key); });
}

} // namespace

std::map<std::string, std::vector<std::string>> HayesPowerOn::zoomIdentity()
{
    return {
        {"I0", {"56000"}},
        {"I1", {"255"}},
        {"I2", {"OK"}},
        {"I3", {"Zoom V.92 External Modem 3049C"}},
        {"I4", {"a007080284010000", "bc60000000", "20000000"}},
        {"I5", {"B5"}},
        {"I6", {"Conexant HCF V.92 SmartSP Data/Fax/Voice"}},
        {"I8", {"ZT3049-V92"}},
        {"+GMI", {"Zoom Telephonics, Inc."}},
        {"+GMM", {"V.92 External 3049C"}},
        {"+GMR", {"1.2.7 (17 Jun 2004)"}},
    };
}

HayesProfile HayesProfile::factory()
{
    HayesProfile p;
    p.regs[2] = 43;  // escape character '+'
    p.regs[3] = 13;  // carriage return
    p.regs[4] = 10;  // line feed
    p.regs[5] = 8;   // backspace
    p.regs[6] = 2;   // dial-tone wait
    p.regs[7] = 50;  // carrier wait
    p.regs[8] = 2;   // comma pause
    p.regs[9] = 6;   // carrier detect time
    p.regs[10] = 14; // carrier loss time
    p.regs[11] = 95; // DTMF duration
    p.regs[12] = 50; // escape guard time
    p.settings = {{"B", 1}, {"L", 1},  {"M", 1},  {"Y", 0},  {"N", 1},
                  {"X", 4}, {"&C", 1}, {"&D", 2}, {"&Q", 5}, {"&S", 0}};
    p.modulation = "V34,1";
    return p;
}

HayesInterpreter::HayesInterpreter(const HayesPowerOn &powerOn, const HayesFaults &faults)
    : m_faults(faults), m_numericCrLf(powerOn.numericCrLf), m_identity(powerOn.identity),
      m_powerOn(HayesProfile::factory())
{
    for (const auto &[index, value] : powerOn.registers)
        if (index >= 0 && index < 256)
            m_powerOn.regs[static_cast<std::size_t>(index)] = value;
    m_powerOn.echo = powerOn.echo;
    m_powerOn.verbose = powerOn.verbose;
    m_powerOn.quiet = powerOn.quiet;
    HayesInterpreter::powerOn();
}

void HayesInterpreter::powerOn()
{
    m_active = m_powerOn;
    m_stored = m_powerOn;
}

bool HayesInterpreter::echoes() const
{
    return m_active.echo && !m_faults.silent && !m_faults.noEcho;
}

HayesAnswer HayesInterpreter::answer(const std::string &line)
{
    if (m_faults.silent)
        return {};
    const std::size_t at = findAt(line);
    if (at == std::string::npos)
        return {}; // not a command line: a modem ignores it
    const std::string body = line.substr(at + 2);
    const std::string key = upper(body);
    if (matches(m_faults.silentOn, key))
        return {};
    if (matches(m_faults.floodAfter, key))
        return {{}, true, false};
    const std::string reply = matches(m_faults.errorOn, key)
                                  ? result(false)
                                  : execute(body, !matches(m_faults.noResultOn, key));
    return {m_faults.blankReplies && !reply.empty() ? "\r\n" : reply, false,
            matches(m_faults.hangupAfter, key)};
}

std::string HayesInterpreter::execute(const std::string &commands, bool withResult)
{
    std::string s;
    for (char c : commands)
        if (c != ' ')
            s += c;

    std::string out;
    std::size_t i = 0;
    auto infoText = [&](const std::string &t) {
        out += m_active.verbose || m_numericCrLf ? "\r\n" + t + "\r\n" : t + "\r\n";
    };
    auto number = [&]() {
        long v = 0;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
            if (v < 100000)
                v = v * 10 + (s[i] - '0');
            ++i;
        }
        return v;
    };
    auto flag = [&](int &target, long max) {
        const long v = number();
        if (v > max)
            return false;
        target = static_cast<int>(v);
        return true;
    };
    // E, V and Q: 0 or 1 switches a mode of the m_active profile.
    auto onOff = [&](bool &mode) {
        int v = 0;
        if (!flag(v, 1))
            return false;
        mode = v == 1;
        return true;
    };
    // An identity answer: its lines, or refused when the modem has none by that name.
    auto identify = [&](const std::string &name) {
        const auto it = m_identity.find(name);
        if (it == m_identity.end())
            return false;
        for (const std::string &line : it->second)
            infoText(line);
        return true;
    };
    auto setting = [&](const std::string &name, long max) {
        int v = 0;
        if (!flag(v, max))
            return false;
        m_active.settings[name] = v;
        return true;
    };

    bool ok = true;
    while (ok && i < s.size()) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i++])));
        switch (c) {
        case 'E':
            ok = onOff(m_active.echo);
            break;
        case 'V':
            ok = onOff(m_active.verbose);
            break;
        case 'Q':
            ok = onOff(m_active.quiet);
            break;
        case 'B':
            ok = setting("B", 1);
            break;
        case 'L':
            ok = setting("L", 3);
            break;
        case 'M':
            ok = setting("M", 3);
            break;
        case 'Y':
            ok = setting("Y", 1);
            break;
        case 'N':
            ok = setting("N", 1);
            break;
        case 'X':
            ok = setting("X", 4);
            break;
        case 'I': {
            const long v = number();
            ok = v <= 9 && identify("I" + std::to_string(v));
            break;
        }
        case 'H': {
            int v = 0;
            ok = flag(v, 1); // on-hook or off-hook: nothing to do without a telephone line
            break;
        }
        case 'Z': {
            int v = 0;
            ok = flag(v, 0);
            if (ok)
                m_active = m_stored;
            break;
        }
        case 'S': {
            const bool hasIndex = i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]));
            const long index = hasIndex ? number() : m_lastRegister;
            if (index > 255) {
                ok = false;
                break;
            }
            m_lastRegister = static_cast<int>(index);
            if (i < s.size() && s[i] == '=') {
                ++i;
                const long v = number();
                if (v > 255)
                    ok = false;
                else
                    m_active.regs[static_cast<std::size_t>(index)] = static_cast<int>(v);
            } else if (i < s.size() && s[i] == '?') {
                ++i;
                char text[8];
                std::snprintf(text, sizeof text, "%03d",
                              m_active.regs[static_cast<std::size_t>(index)] & 0xFFFF);
                infoText(text);
            }
            break;
        }
        case '&': {
            const char sub =
                i < s.size() ? static_cast<char>(std::toupper(static_cast<unsigned char>(s[i++])))
                             : '\0';
            int v = 0;
            switch (sub) {
            case 'F':
                ok = flag(v, 0);
                if (ok)
                    m_active = HayesProfile::factory();
                break;
            case 'W':
                ok = flag(v, 0);
                if (ok)
                    m_stored = m_active;
                break;
            case 'C':
                ok = setting("&C", 1);
                break;
            case 'D':
                ok = setting("&D", 3);
                break;
            case 'S':
                ok = setting("&S", 1);
                break;
            case 'Q':
                ok = setting("&Q", 6);
                break;
            case 'V':
                ok = flag(v, 0);
                if (ok) {
                    for (const std::string &line : profileListing())
                        infoText(line);
                }
                break;
            default:
                ok = false;
                break;
            }
            break;
        }
        case '+': {
            const std::string name = upper(s.substr(i, 3));
            if (name == "MS=") {
                m_active.modulation = s.substr(i + 3); // the rest of the line is its argument
                i = s.size();
            } else if (name == "MS?") {
                i += 3;
                infoText("+MS: " + m_active.modulation);
            } else if (name == "GMI" || name == "GMM" || name == "GMR") {
                i += 3;
                ok = identify("+" + name);
            } else {
                ok = false;
            }
            break;
        }
        default:
            ok = false;
            break;
        }
    }
    if (withResult)
        out += result(ok);
    return out;
}

std::vector<std::string> HayesInterpreter::profileListing() const
{
    // As AT&V prints them: the switches, then the S-registers ten to a line.
    auto describe = [](const HayesProfile &p) {
        std::vector<std::string> lines;
        std::string switches = std::string("E") + (p.echo ? "1" : "0") + " Q"
                               + (p.quiet ? "1" : "0") + " V" + (p.verbose ? "1" : "0");
        for (const auto &[name, value] : p.settings)
            switches += " " + name + std::to_string(value);
        lines.push_back(switches);
        for (int first = 0; first < 40; first += 10) {
            std::string line;
            for (int r = first; r < first + 10; ++r) {
                char cell[16];
                std::snprintf(cell, sizeof cell, "%sS%02d:%03d", line.empty() ? "" : " ", r,
                              p.regs[static_cast<std::size_t>(r)] & 0xFF);
                line += cell;
            }
            lines.push_back(line);
        }
        return lines;
    };
    std::vector<std::string> out{"ACTIVE PROFILE:"};
    for (const std::string &line : describe(m_active))
        out.push_back(line);
    out.push_back("");
    out.push_back("STORED PROFILE 0:");
    for (const std::string &line : describe(m_stored))
        out.push_back(line);
    return out;
}

std::string HayesInterpreter::result(bool ok) const
{
    if (m_active.quiet)
        return {};
    if (m_active.verbose)
        return ok ? "\r\nOK\r\n" : "\r\nERROR\r\n";
    const std::string code = std::to_string(ok ? ResultOk : ResultError);
    return m_numericCrLf ? "\r\n" + code + "\r\n" : code + "\r";
}

int HayesInterpreter::registerValue(int index) const
{
    return index < 0 || index > 255 ? -1 : m_active.regs[static_cast<std::size_t>(index)];
}

int HayesInterpreter::storedRegister(int index) const
{
    return index < 0 || index > 255 ? -1 : m_stored.regs[static_cast<std::size_t>(index)];
}

int HayesInterpreter::setting(const std::string &name) const
{
    const auto it = m_active.settings.find(upper(name));
    return it == m_active.settings.end() ? -1 : it->second;
}
