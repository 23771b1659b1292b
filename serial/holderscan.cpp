// SPDX-License-Identifier: GPL-3.0-or-later
#include "holderscan.h"

#include <QStringList>

#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

struct Request
{
    quint64 ticket = 0;
    QString device;
    Mailbox *inbox = nullptr;
    HolderScan::Answer answer;
};

// Shared by the askers and the scanning thread. Never destroyed: that thread may still be
// reading /proc while the program ends.
struct Scanner
{
    std::mutex mutex;
    std::vector<Request> waiting; // for the next pass
    std::vector<Request> looking; // answered by the pass under way
    bool scanning = false;        // a scanning thread runs
    quint64 lastTicket = 0;
    std::atomic<quint64> passes{0};
};

Scanner &scanner()
{
    static Scanner *const shared = new Scanner;
    return *shared;
}

// The scanning thread: passes until nobody waits, then it ends.
void scan()
{
    Scanner &s = scanner();
    std::unique_lock lock(s.mutex);
    while (!s.waiting.empty()) {
        s.looking = std::exchange(s.waiting, {});
        QStringList devices;
        for (const Request &request : s.looking)
            if (!devices.contains(request.device))
                devices << request.device;
        lock.unlock();
        const QList<PortLock::Openers> found = PortLock::openers(devices);
        ++s.passes;
        lock.lock();
        // Posted under the lock: a scan that cancels meanwhile (its destructor does) either
        // finds its request gone or has the answer in its mailbox, which goes with it.
        for (Request &request : s.looking)
            request.inbox->post(
                [answer = std::move(request.answer),
                 openers = found.at(devices.indexOf(request.device))] { answer(openers); });
        s.looking.clear();
    }
    s.scanning = false;
}

} // namespace

void HolderScan::ask(const QString &device, Answer answer)
{
    cancel();
    Scanner &s = scanner();
    std::unique_lock lock(s.mutex);
    const quint64 ticket = ++s.lastTicket;
    m_ticket = ticket;
    // An answer overtaken by cancel() or a later request is dropped on arrival.
    s.waiting.push_back(
        {ticket, device, &m_inbox, [this, ticket, answer = std::move(answer)](const auto &openers) {
             if (m_ticket != ticket)
                 return;
             m_ticket = 0;
             answer(openers);
         }});
    if (s.scanning)
        return;
    s.scanning = true;
    try {
        std::thread(scan).detach();
    } catch (const std::system_error &) {
        lock.unlock();
        scan(); // no thread to be had: looked for here, and answered the same way
    }
}

void HolderScan::cancel()
{
    if (m_ticket == 0)
        return;
    Scanner &s = scanner();
    const std::lock_guard lock(s.mutex);
    const auto mine = [this](const Request &request) { return request.ticket == m_ticket; };
    std::erase_if(s.waiting, mine);
    std::erase_if(s.looking, mine);
    m_ticket = 0;
}

quint64 HolderScan::passes()
{
    return scanner().passes;
}
