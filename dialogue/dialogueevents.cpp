// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogueevents.h"

void DialogueEvents::dispatch(DialogueEvent event)
{
    // One receive step reads everything waiting, so a second notification queued right behind
    // another adds nothing; dropping it keeps the queue short while a box is open on a flood.
    const bool repeatsReceive = event.kind == DialogueEvent::Kind::Received && !m_pending.empty()
                                && m_pending.back().kind == DialogueEvent::Kind::Received;
    if (!repeatsReceive)
        m_pending.push_back(std::move(event));
    if (m_busy)
        return;

    m_busy = true;
    struct Done
    {
        bool &busy;
        ~Done() { busy = false; }
    } done{m_busy};
    while (!m_pending.empty()) {
        const DialogueEvent next = std::move(m_pending.front());
        m_pending.pop_front();
        m_handler(next);
    }
}
