// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogueevents.h"

void DialogueEvents::dispatch(DialogueEvent event)
{
    // One receive step reads everything waiting, so a second notification queued right behind
    // another adds nothing; dropping it keeps the queue short while a step runs on a flood.
    const bool repeatsReceive = event.kind == DialogueEvent::Kind::Received
                                && m_next < m_pending.size()
                                && m_pending.back().kind == DialogueEvent::Kind::Received;
    if (!repeatsReceive)
        m_pending.push_back(std::move(event));
    if (m_busy)
        return;

    m_busy = true;
    struct Done
    {
        DialogueEvents &events;
        ~Done()
        {
            events.m_busy = false;
            if (events.m_next >= events.m_pending.size()) {
                events.m_pending.clear();
                events.m_next = 0;
            }
        }
    } done{*this};
    while (m_next < m_pending.size()) {
        const DialogueEvent next = std::move(m_pending[m_next++]);
        m_handler(next);
    }
}
