#include "hayesmodem.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cctype>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <random>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr std::size_t MaxLine = 1024;         // longest command line kept
constexpr std::size_t MaxQueuedBytes = 65536; // replies nobody reads are dropped beyond this
constexpr std::size_t FloodPiece = 4096;
constexpr auto FloodPace = std::chrono::milliseconds(10);
constexpr auto HangUpSettle = std::chrono::milliseconds(10);  // bytes reach the slave's queue
constexpr auto HangUpPatience = std::chrono::milliseconds(2000); // then the line drops anyway
constexpr int ResultOk = 0;
constexpr int ResultError = 4;

struct Profile
{
    bool echo = true;
    bool verbose = true;
    bool quiet = false;
    std::array<int, 256> regs{};
    std::map<std::string, int> settings;
    std::string modulation;
};

// What &F loads: the usual defaults of a Hayes-compatible data modem.
Profile factoryProfile()
{
    Profile p;
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
    p.settings = {{"B", 1}, {"L", 1}, {"M", 1}, {"Y", 0}, {"N", 1}, {"X", 4},
                  {"&C", 1}, {"&D", 2}, {"&Q", 5}, {"&S", 0}};
    p.modulation = "V34,1";
    return p;
}

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

timespec untilFrom(HayesModem::Clock::time_point now, HayesModem::Clock::time_point due)
{
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(due - now).count();
    if (ns <= 0)
        return {0, 0};
    return {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

} // namespace

struct HayesModem::Impl
{
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
    };

    explicit Impl(HayesOptions o) : opt(std::move(o))
    {
        for (const auto &[index, value] : opt.registers)
            if (index >= 0 && index < 256)
                powerOn.regs[static_cast<std::size_t>(index)] = value;
        powerOn.echo = opt.echo;
        powerOn.verbose = opt.verbose;
        powerOn.quiet = opt.quiet;
        active = powerOn;
        stored = powerOn;
    }

    HayesOptions opt;

    // Shared with the callers' threads, guarded by `m`.
    mutable std::mutex m;
    mutable std::condition_variable cv;
    Profile powerOn = factoryProfile();
    Profile active;
    Profile stored;
    std::vector<Received> rxLog;
    std::vector<Sent> txLog;
    std::vector<Sent> echoLog;
    std::size_t floodCount = 0;
    std::string path;
    std::vector<std::string> links;
    bool lineIsOpen = false;
    bool lineClosed = true; // its descriptors are closed (lineIsOpen drops just before)
    bool hangRequested = false;
    std::atomic<bool> stopRequested{false};
    bool running = false;

    // Owned by the modem's thread while it runs.
    std::thread thread;
    int master = -1;
    int slave = -1;
    int wake[2] = {-1, -1};
    std::string lineRaw;
    std::string lineText;
    Clock::time_point lineFirst;
    std::deque<Segment> queue;
    std::size_t queuedBytes = 0;
    bool writeBlocked = false;
    bool flooding = false;
    Clock::time_point nextFlood;
    std::size_t floodOffset = 0;
    int lastRegister = 0;
    std::minstd_rand noise{20240611u};

    bool matches(const std::vector<std::string> &commands, const std::string &key) const
    {
        return std::any_of(commands.begin(), commands.end(),
                           [&](const std::string &c) { return !c.empty() && matchKey(c) == key; });
    }
    bool matches(const std::string &command, const std::string &key) const
    {
        return !command.empty() && matchKey(command) == key;
    }

    void wakeUp() const
    {
        if (wake[1] >= 0) {
            const char c = 1;
            [[maybe_unused]] ssize_t r = ::write(wake[1], &c, 1);
        }
    }

    void removeLinksLocked()
    {
        for (const std::string &link : links) {
            // Only a link that still points at this modem is ours to remove.
            std::array<char, 4096> target{};
            const ssize_t n = ::readlink(link.c_str(), target.data(), target.size() - 1);
            if (n > 0 && std::string(target.data(), static_cast<std::size_t>(n)) == path)
                ::unlink(link.c_str());
        }
        links.clear();
    }

    // Modem thread (or after it has ended): drop the line.
    void closeLine()
    {
        if (master < 0 && slave < 0)
            return;
        // State and links first, so that whoever sees the line drop also sees them gone.
        {
            std::lock_guard lock(m);
            lineIsOpen = false;
            hangRequested = false;
            removeLinksLocked();
        }
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
        master = slave = -1;
        queue.clear();
        queuedBytes = 0;
        flooding = false;
        writeBlocked = false;
        {
            std::lock_guard lock(m);
            lineClosed = true;
        }
        cv.notify_all();
        if (opt.trace)
            opt.trace('h', std::string(), Clock::now());
    }

    void enqueue(Segment s)
    {
        if (queuedBytes + s.bytes.size() > MaxQueuedBytes)
            return;
        queuedBytes += s.bytes.size();
        queue.push_back(std::move(s));
    }

    void enqueueEcho(const std::string &stripped, Clock::time_point now)
    {
        if (stripped.empty())
            return;
        Segment s;
        s.kind = Kind::Echo;
        s.bytes = applyParity(stripped, opt.replyParity);
        s.notBefore = now;
        enqueue(std::move(s));
    }

    void enqueueReply(const std::string &text, Clock::time_point now)
    {
        if (text.empty())
            return;
        std::string garbage;
        for (std::size_t i = 0; i < opt.garbageBefore; ++i) {
            unsigned char b;
            do
                b = static_cast<unsigned char>(noise() & 0xFF);
            while ((b & 0x7F) == '\r');
            garbage += static_cast<char>(b);
        }
        std::string plain = garbage + text;

        // Pieces: first cut between CR and LF, then into chunks.
        std::vector<std::pair<std::string, int>> lines;
        std::size_t from = 0;
        if (opt.splitCrLf) {
            for (std::size_t i = from; i + 1 < plain.size(); ++i)
                if (plain[i] == '\r' && plain[i + 1] == '\n') {
                    lines.emplace_back(plain.substr(from, i + 1 - from), lines.empty() ? 0 : opt.splitGapMs);
                    from = i + 1;
                }
        }
        lines.emplace_back(plain.substr(from), lines.empty() ? 0 : opt.splitGapMs);

        auto info = std::make_shared<ReplyInfo>();
        info->text = text;
        info->wire = applyParity(plain, opt.replyParity);
        std::vector<Segment> pieces;
        for (const auto &[part, gap] : lines) {
            const std::size_t step = opt.chunk > 0 ? opt.chunk : part.size();
            for (std::size_t at = 0; at < part.size(); at += step) {
                Segment s;
                s.kind = Kind::Reply;
                s.bytes = applyParity(part.substr(at, step), opt.replyParity);
                s.gapMs = at == 0 ? gap : opt.chunkGapMs;
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
        if (queuedBytes + total > MaxQueuedBytes)
            return;
        const auto due = now + std::chrono::milliseconds(std::max(0, opt.replyDelayMs));
        for (Segment &s : pieces) {
            s.notBefore = due;
            enqueue(std::move(s));
        }
    }

    void enqueueMarker(Kind kind, Clock::time_point now)
    {
        Segment s;
        s.kind = kind;
        s.notBefore = now;
        queue.push_back(std::move(s));
    }

    // Runs the commands after "AT" and returns the reply text (without noise or parity).
    std::string execute(const std::string &commands, bool withResult)
    {
        std::string s;
        for (char c : commands)
            if (c != ' ')
                s += c;

        std::lock_guard lock(m);
        std::string out;
        std::size_t i = 0;
        auto infoText = [&](const std::string &t) {
            out += active.verbose || opt.numericCrLf ? "\r\n" + t + "\r\n" : t + "\r\n";
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
        // E, V and Q: 0 or 1 switches a mode of the active profile.
        auto onOff = [&](bool &mode) {
            int v = 0;
            if (!flag(v, 1))
                return false;
            mode = v == 1;
            return true;
        };
        auto setting = [&](const std::string &name, long max) {
            int v = 0;
            if (!flag(v, max))
                return false;
            active.settings[name] = v;
            return true;
        };

        bool ok = true;
        while (ok && i < s.size()) {
            const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i++])));
            switch (c) {
            case 'E': ok = onOff(active.echo); break;
            case 'V': ok = onOff(active.verbose); break;
            case 'Q': ok = onOff(active.quiet); break;
            case 'B': ok = setting("B", 1); break;
            case 'L': ok = setting("L", 3); break;
            case 'M': ok = setting("M", 3); break;
            case 'Y': ok = setting("Y", 1); break;
            case 'N': ok = setting("N", 1); break;
            case 'X': ok = setting("X", 4); break;
            case 'H': {
                int v = 0;
                ok = flag(v, 1); // on-hook or off-hook: nothing to do without a telephone line
                break;
            }
            case 'Z': {
                int v = 0;
                ok = flag(v, 0);
                if (ok)
                    active = stored;
                break;
            }
            case 'S': {
                const bool hasIndex = i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]));
                const long index = hasIndex ? number() : lastRegister;
                if (index > 255) {
                    ok = false;
                    break;
                }
                lastRegister = static_cast<int>(index);
                if (i < s.size() && s[i] == '=') {
                    ++i;
                    const long v = number();
                    if (v > 255)
                        ok = false;
                    else
                        active.regs[static_cast<std::size_t>(index)] = static_cast<int>(v);
                } else if (i < s.size() && s[i] == '?') {
                    ++i;
                    char text[8];
                    std::snprintf(text, sizeof text, "%03d", active.regs[static_cast<std::size_t>(index)] & 0xFFFF);
                    infoText(text);
                }
                break;
            }
            case '&': {
                const char sub = i < s.size() ? static_cast<char>(std::toupper(static_cast<unsigned char>(s[i++]))) : '\0';
                int v = 0;
                switch (sub) {
                case 'F':
                    ok = flag(v, 0);
                    if (ok)
                        active = factoryProfile();
                    break;
                case 'W':
                    ok = flag(v, 0);
                    if (ok)
                        stored = active;
                    break;
                case 'C': ok = setting("&C", 1); break;
                case 'D': ok = setting("&D", 3); break;
                case 'S': ok = setting("&S", 1); break;
                case 'Q': ok = setting("&Q", 6); break;
                default: ok = false; break;
                }
                break;
            }
            case '+': {
                const std::string name = upper(s.substr(i, 3));
                if (name == "MS=") {
                    active.modulation = s.substr(i + 3); // the rest of the line is its argument
                    i = s.size();
                } else if (name == "MS?") {
                    i += 3;
                    infoText("+MS: " + active.modulation);
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
            out += resultLocked(ok);
        return out;
    }

    // The result code in the active modes; the caller holds `m`.
    std::string resultLocked(bool ok) const
    {
        if (active.quiet)
            return {};
        if (active.verbose)
            return ok ? "\r\nOK\r\n" : "\r\nERROR\r\n";
        const std::string code = std::to_string(ok ? ResultOk : ResultError);
        return opt.numericCrLf ? "\r\n" + code + "\r\n" : code + "\r";
    }

    std::string errorReply() const
    {
        std::lock_guard lock(m);
        return resultLocked(false);
    }

    void finishLine(Clock::time_point now)
    {
        Received rec{std::move(lineRaw), std::move(lineText), lineFirst, now};
        lineRaw.clear();
        lineText.clear();
        if (opt.trace)
            opt.trace('<', rec.raw, now);
        const std::string text = rec.line;
        if (opt.keepLog) {
            {
                std::lock_guard lock(m);
                rxLog.push_back(std::move(rec));
            }
            cv.notify_all();
        }

        if (opt.silent || flooding)
            return;
        const std::size_t at = findAt(text);
        if (at == std::string::npos)
            return; // not a command line: a modem ignores it
        const std::string body = text.substr(at + 2);
        const std::string key = upper(body);
        if (matches(opt.silentOn, key))
            return;
        if (matches(opt.floodAfter, key)) {
            enqueueMarker(Kind::Flood, now);
            return;
        }
        const std::string reply =
            matches(opt.errorOn, key) ? errorReply() : execute(body, !matches(opt.noResultOn, key));
        enqueueReply(opt.blankReplies && !reply.empty() ? "\r\n" : reply, now);
        if (matches(opt.hangupAfter, key))
            enqueueMarker(Kind::HangUp, now);
    }

    void processInput(const unsigned char *bytes, std::size_t count, Clock::time_point now)
    {
        bool echoOn = echoEnabled();
        std::string echoOut;
        for (std::size_t k = 0; k < count; ++k) {
            const unsigned char b = bytes[k];
            const char c = static_cast<char>(b & 0x7F);
            if (echoOn)
                echoOut += c;
            if (c == '\n' && lineRaw.empty())
                continue;
            if (lineRaw.empty())
                lineFirst = now;
            if (lineRaw.size() < MaxLine || c == '\r')
                lineRaw += static_cast<char>(b);
            if (c == '\r') {
                enqueueEcho(echoOut, now);
                echoOut.clear();
                finishLine(now);
                echoOn = echoEnabled(); // the line may have switched echo
                continue;
            }
            if (c != '\n' && lineText.size() < MaxLine)
                lineText += c;
        }
        enqueueEcho(echoOut, now);
    }

    bool echoEnabled() const
    {
        std::lock_guard lock(m);
        return active.echo && !opt.silent && !flooding;
    }

    void readInput()
    {
        std::array<unsigned char, 4096> buf;
        const ssize_t n = ::read(master, buf.data(), buf.size());
        const Clock::time_point now = Clock::now();
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (n <= 0) {
            closeLine();
            return;
        }
        processInput(buf.data(), static_cast<std::size_t>(n), now);
    }

    void writeDue()
    {
        while (master >= 0 && !queue.empty() && !writeBlocked) {
            Segment &s = queue.front();
            if (s.notBefore > Clock::now())
                return;
            if (s.kind == Kind::HangUp) {
                // Closing the master flushes what the other side has not read yet, whereas a
                // modem's last reply has left it before the line drops: wait (boundedly) until
                // the reply has been taken.
                const Clock::time_point now = Clock::now();
                if (s.firstDue == Clock::time_point{})
                    s.firstDue = now;
                int unread = 0;
                const bool waiting = now - s.firstDue < HangUpSettle ||
                                     (::ioctl(slave, FIONREAD, &unread) == 0 && unread > 0);
                if (waiting && now - s.firstDue < HangUpPatience) {
                    s.notBefore = now + std::chrono::milliseconds(5);
                    return;
                }
                closeLine();
                return;
            }
            if (s.kind == Kind::Flood) {
                queue.pop_front();
                flooding = true;
                nextFlood = Clock::now();
                continue;
            }
            const ssize_t w = ::write(master, s.bytes.data() + s.done, s.bytes.size() - s.done);
            const Clock::time_point now = Clock::now();
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                if (errno == EAGAIN)
                    writeBlocked = true;
                else
                    closeLine();
                return;
            }
            if (w > 0 && s.reply && !s.reply->started) {
                s.reply->started = true;
                s.reply->first = now;
            }
            s.done += static_cast<std::size_t>(w);
            if (s.done < s.bytes.size()) {
                writeBlocked = true; // wait until the line takes more
                return;
            }
            segmentWritten(s, now);
            if (master < 0)
                return; // hung up from the trace callback: the queue is gone
            queuedBytes -= s.bytes.size();
            queue.pop_front();
            if (!queue.empty()) {
                Segment &next = queue.front();
                next.notBefore = std::max(next.notBefore, now + std::chrono::milliseconds(next.gapMs));
            }
        }
    }

    void segmentWritten(const Segment &s, Clock::time_point now)
    {
        if (s.kind == Kind::Echo) {
            if (opt.keepLog) {
                std::lock_guard lock(m);
                echoLog.push_back({s.bytes, now, applyParity(s.bytes, 0), now});
            }
            if (opt.trace)
                opt.trace('e', s.bytes, now);
        } else if (s.lastOfReply) {
            if (opt.keepLog) {
                {
                    std::lock_guard lock(m);
                    txLog.push_back({s.reply->wire, now, s.reply->text, s.reply->first});
                }
                cv.notify_all();
            }
            if (opt.trace)
                opt.trace('>', s.reply->wire, now);
        }
    }

    void floodTick()
    {
        if (!flooding || master < 0 || !queue.empty())
            return;
        const Clock::time_point now = Clock::now();
        if (now < nextFlood)
            return;
        static constexpr char pattern[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
        std::string piece(FloodPiece, '\0');
        for (char &c : piece) {
            c = pattern[floodOffset];
            floodOffset = (floodOffset + 1) % (sizeof pattern - 1);
        }
        piece = applyParity(piece, opt.replyParity);
        // Non-blocking: when the line is full the piece is simply not sent.
        const ssize_t w = ::write(master, piece.data(), piece.size());
        if (w > 0) {
            std::lock_guard lock(m);
            floodCount += static_cast<std::size_t>(w);
        } else if (w < 0 && errno != EAGAIN && errno != EINTR) {
            closeLine();
            return;
        }
        nextFlood = now + FloodPace;
    }

    void run()
    {
        while (!stopRequested.load()) {
            const Clock::time_point now = Clock::now();
            bool wantOutput = false;
            bool haveTimeout = false;
            timespec timeout{0, 0};
            if (master >= 0 && !queue.empty()) {
                if (writeBlocked) {
                    wantOutput = true;
                } else {
                    haveTimeout = true;
                    timeout = untilFrom(now, queue.front().notBefore);
                }
            } else if (master >= 0 && flooding) {
                haveTimeout = true;
                timeout = untilFrom(now, nextFlood);
            }
            pollfd fds[2] = {{wake[0], POLLIN, 0}, {master, static_cast<short>(POLLIN | (wantOutput ? POLLOUT : 0)), 0}};
            const nfds_t count = master >= 0 ? 2 : 1;
            const int n = ::ppoll(fds, count, haveTimeout ? &timeout : nullptr, nullptr);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                break;
            }
            if (fds[0].revents & POLLIN) {
                char drain[64];
                while (::read(wake[0], drain, sizeof drain) > 0) {
                }
                bool hang = false;
                {
                    std::lock_guard lock(m);
                    hang = hangRequested;
                }
                if (hang)
                    closeLine();
            }
            if (count == 2 && master >= 0) {
                if (fds[1].revents & (POLLIN | POLLHUP | POLLERR))
                    readInput();
                if (master >= 0 && (fds[1].revents & POLLOUT))
                    writeBlocked = false;
            }
            writeDue();
            floodTick();
        }
        closeLine();
    }
};

HayesModem::HayesModem(HayesOptions options) : d(std::make_unique<Impl>(std::move(options))) {}

HayesModem::~HayesModem()
{
    stop();
}

bool HayesModem::start(std::string *error)
{
    auto fail = [&](const std::string &why) {
        if (error)
            *error = why + ": " + std::strerror(errno);
        return false;
    };
    {
        std::lock_guard lock(d->m);
        if (d->running) {
            if (error)
                *error = "the modem is already running";
            return false;
        }
    }
    termios raw{};
    ::cfmakeraw(&raw);
    ::cfsetispeed(&raw, B9600);
    ::cfsetospeed(&raw, B9600);
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, &raw, nullptr) != 0)
        return fail("openpty");
    std::array<char, 256> name{};
    if (::ttyname_r(slave, name.data(), name.size()) != 0) {
        const int saved = errno;
        ::close(master);
        ::close(slave);
        errno = saved;
        return fail("ttyname");
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    int wake[2];
    if (::pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        const int saved = errno;
        ::close(master);
        ::close(slave);
        errno = saved;
        return fail("pipe");
    }

    d->master = master;
    d->slave = slave;
    d->wake[0] = wake[0];
    d->wake[1] = wake[1];
    d->queue.clear();
    d->queuedBytes = 0;
    d->writeBlocked = false;
    d->flooding = false;
    d->lineRaw.clear();
    d->lineText.clear();
    d->stopRequested = false;
    {
        std::lock_guard lock(d->m);
        d->path = name.data();
        d->lineIsOpen = true;
        d->lineClosed = false;
        d->hangRequested = false;
        d->floodCount = 0;
        d->active = d->powerOn;
        d->stored = d->powerOn;
        d->running = true;
    }
    d->thread = std::thread([this] { d->run(); });
    return true;
}

void HayesModem::stop()
{
    {
        std::lock_guard lock(d->m);
        if (!d->running)
            return;
    }
    d->stopRequested = true;
    d->wakeUp();
    if (d->thread.joinable())
        d->thread.join();
    d->closeLine(); // already done by the thread; harmless
    for (int &fd : d->wake) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    std::lock_guard lock(d->m);
    d->removeLinksLocked();
    d->running = false;
}

std::string HayesModem::devicePath() const
{
    std::lock_guard lock(d->m);
    return d->path;
}

bool HayesModem::linkTo(const std::string &link, std::string *error)
{
    std::lock_guard lock(d->m);
    auto fail = [&](const std::string &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!d->lineIsOpen)
        return fail("the line is not open");
    struct stat st{};
    if (::lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode))
            return fail(link + " exists and is not a symbolic link");
        if (::unlink(link.c_str()) != 0)
            return fail(link + ": " + std::strerror(errno));
    }
    if (::symlink(d->path.c_str(), link.c_str()) != 0)
        return fail(link + ": " + std::strerror(errno));
    if (std::find(d->links.begin(), d->links.end(), link) == d->links.end())
        d->links.push_back(link);
    return true;
}

void HayesModem::hangUp()
{
    std::unique_lock lock(d->m);
    if (!d->running || d->lineClosed)
        return;
    if (std::this_thread::get_id() == d->thread.get_id()) {
        lock.unlock();
        d->closeLine();
        return;
    }
    d->hangRequested = true;
    d->wakeUp();
    d->cv.wait(lock, [this] { return d->lineClosed; });
}

bool HayesModem::lineOpen() const
{
    std::lock_guard lock(d->m);
    return d->lineIsOpen;
}

std::vector<HayesModem::Received> HayesModem::received() const
{
    std::lock_guard lock(d->m);
    return d->rxLog;
}

std::vector<HayesModem::Sent> HayesModem::sent() const
{
    std::lock_guard lock(d->m);
    return d->txLog;
}

std::vector<HayesModem::Sent> HayesModem::echoed() const
{
    std::lock_guard lock(d->m);
    return d->echoLog;
}

std::size_t HayesModem::floodBytes() const
{
    std::lock_guard lock(d->m);
    return d->floodCount;
}

bool HayesModem::waitForReceived(std::size_t count, int timeoutMs) const
{
    std::unique_lock lock(d->m);
    return d->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return d->rxLog.size() >= count; });
}

bool HayesModem::waitForSent(std::size_t count, int timeoutMs) const
{
    std::unique_lock lock(d->m);
    return d->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return d->txLog.size() >= count; });
}

void HayesModem::clearLog()
{
    std::lock_guard lock(d->m);
    d->rxLog.clear();
    d->txLog.clear();
    d->echoLog.clear();
}

int HayesModem::registerValue(int index) const
{
    if (index < 0 || index > 255)
        return -1;
    std::lock_guard lock(d->m);
    return d->active.regs[static_cast<std::size_t>(index)];
}

int HayesModem::storedRegister(int index) const
{
    if (index < 0 || index > 255)
        return -1;
    std::lock_guard lock(d->m);
    return d->stored.regs[static_cast<std::size_t>(index)];
}

bool HayesModem::echo() const
{
    std::lock_guard lock(d->m);
    return d->active.echo;
}

bool HayesModem::verbose() const
{
    std::lock_guard lock(d->m);
    return d->active.verbose;
}

bool HayesModem::quiet() const
{
    std::lock_guard lock(d->m);
    return d->active.quiet;
}

int HayesModem::setting(const std::string &name) const
{
    std::lock_guard lock(d->m);
    const auto it = d->active.settings.find(upper(name));
    return it == d->active.settings.end() ? -1 : it->second;
}

std::string HayesModem::modulation() const
{
    std::lock_guard lock(d->m);
    return d->active.modulation;
}
