// SPDX-License-Identifier: GPL-3.0-or-later
#include "hayesmodem.h"

#include "modemline.h"

#include <condition_variable>

struct HayesModem::Impl final : ModemLine::Events
{
    explicit Impl(HayesOptions o) : opt(std::move(o)), interpreter(opt, opt), line(opt, *this) {}

    void lineUp() override
    {
        std::lock_guard lock(m);
        interpreter.powerOn();
    }

    bool echoes() override
    {
        std::lock_guard lock(m);
        return interpreter.echoes();
    }

    void received(Received rec) override
    {
        if (opt.trace)
            opt.trace('<', rec.raw, rec.lastByte);
        if (!opt.keepLog)
            return;
        {
            std::lock_guard lock(m);
            rxLog.push_back(std::move(rec));
        }
        cv.notify_all();
    }

    HayesAnswer answer(const std::string &text) override
    {
        std::lock_guard lock(m);
        return interpreter.answer(text);
    }

    void delivered(const ReplyScheduler::Delivered &what, Clock::time_point lastByte) override
    {
        if (opt.keepLog) {
            {
                std::lock_guard lock(m);
                (what.echo ? echoLog : txLog)
                    .push_back({what.bytes, lastByte, what.text, what.firstByte});
            }
            if (!what.echo)
                cv.notify_all();
        }
        if (opt.trace)
            opt.trace(what.echo ? 'e' : '>', what.bytes, lastByte);
    }

    void hungUp(Clock::time_point when) override
    {
        if (opt.trace)
            opt.trace('h', std::string(), when);
    }

    // A copy of one piece of the state, taken under the lock.
    template <typename F>
    auto read(F get) const
    {
        std::lock_guard lock(m);
        return get();
    }

    const HayesOptions opt;
    // The interpreter and the log, shared with the callers' threads.
    mutable std::mutex m;
    mutable std::condition_variable cv;
    HayesInterpreter interpreter;
    std::vector<Received> rxLog;
    std::vector<Sent> txLog;
    std::vector<Sent> echoLog;
    ModemLine line; // last: its thread uses everything above
};

HayesModem::HayesModem(HayesOptions options) : d(std::make_unique<Impl>(std::move(options)))
{}

HayesModem::~HayesModem()
{
    stop();
}

bool HayesModem::start(std::string *error)
{
    return d->line.start(error);
}

void HayesModem::stop()
{
    d->line.stop();
}

std::string HayesModem::devicePath() const
{
    return d->line.devicePath();
}

bool HayesModem::linkTo(const std::string &link, std::string *error)
{
    return d->line.linkTo(link, error);
}

void HayesModem::hangUp()
{
    d->line.hangUp();
}

bool HayesModem::lineOpen() const
{
    return d->line.isOpen();
}

void HayesModem::setFaults(const HayesFaults &faults)
{
    std::lock_guard lock(d->m);
    d->interpreter.setFaults(faults);
}

void HayesModem::setReplyShape(const ReplyShape &shape)
{
    d->line.setShape(shape);
}

std::size_t HayesModem::floodBytes() const
{
    return d->line.floodBytes();
}

std::vector<HayesModem::Received> HayesModem::received() const
{
    return d->read([this] { return d->rxLog; });
}

std::vector<HayesModem::Sent> HayesModem::sent() const
{
    return d->read([this] { return d->txLog; });
}

std::vector<HayesModem::Sent> HayesModem::echoed() const
{
    return d->read([this] { return d->echoLog; });
}

bool HayesModem::waitForReceived(std::size_t count, int timeoutMs) const
{
    std::unique_lock lock(d->m);
    return d->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [&] { return d->rxLog.size() >= count; });
}

bool HayesModem::waitForSent(std::size_t count, int timeoutMs) const
{
    std::unique_lock lock(d->m);
    return d->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [&] { return d->txLog.size() >= count; });
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
    return d->read([&] { return d->interpreter.registerValue(index); });
}

int HayesModem::storedRegister(int index) const
{
    return d->read([&] { return d->interpreter.storedRegister(index); });
}

bool HayesModem::echo() const
{
    return d->read([this] { return d->interpreter.active().echo; });
}

bool HayesModem::verbose() const
{
    return d->read([this] { return d->interpreter.active().verbose; });
}

bool HayesModem::quiet() const
{
    return d->read([this] { return d->interpreter.active().quiet; });
}

int HayesModem::setting(const std::string &name) const
{
    return d->read([&] { return d->interpreter.setting(name); });
}

std::string HayesModem::modulation() const
{
    return d->read([this] { return d->interpreter.active().modulation; });
}
