// SPDX-License-Identifier: GPL-3.0-or-later
#include "crossthreadview.h"

#include "identification.h"

#include <QTimer>

#include <memory>
#include <optional>
#include <utility>

template <class Show>
void CrossThreadView::tellInOrder(Show show)
{
    std::optional<QString> entry;
    {
        const QMutexLocker lock(&m_entryLock);
        if (m_entryFresh) {
            entry = m_entry;
            m_entryFresh = false;
        }
    }
    m_link.tell([window = &m_window, entry = std::move(entry), show = std::move(show)] {
        if (entry)
            window->entrySent(*entry);
        show(*window);
    });
}

void CrossThreadView::setLineSettingsEnabled(bool enabled)
{
    tellInOrder([enabled](DialogueView &w) { w.setLineSettingsEnabled(enabled); });
}

void CrossThreadView::setInfo(const QString &caption)
{
    tellInOrder([caption](DialogueView &w) { w.setInfo(caption); });
}

void CrossThreadView::setAnsw1(const QString &caption)
{
    tellInOrder([caption](DialogueView &w) { w.setAnsw1(caption); });
}

void CrossThreadView::setAnsw2(const QString &caption)
{
    tellInOrder([caption](DialogueView &w) { w.setAnsw2(caption); });
}

void CrossThreadView::lateReplyDropped(const QByteArray &bytes)
{
    tellInOrder([bytes](DialogueView &w) { w.lateReplyDropped(bytes); });
}

void CrossThreadView::flush()
{
    {
        const QMutexLocker lock(&m_entryLock);
        if (!m_entryFresh)
            return;
    }
    tellInOrder([](DialogueView &) {});
}

void CrossThreadView::entrySent(const QString &body)
{
    // No allocation and, mostly, no word to the window: the body is shared, not copied.
    const QMutexLocker lock(&m_entryLock);
    m_entry = body;
    m_entryFresh = true;
    if (std::exchange(m_entryWatched, true))
        return;
    m_link.tell([this] { showEntry(); });
}

void CrossThreadView::showEntry()
{
    QString entry;
    {
        const QMutexLocker lock(&m_entryLock);
        if (!m_entryFresh) {
            m_entryWatched = false;
            return;
        }
        entry = m_entry;
        m_entryFresh = false;
    }
    m_window.entrySent(entry);
    QTimer::singleShot(FrameMs, &m_link.window(), [this] { showEntry(); });
}

void CrossThreadView::showError(const QString &text)
{
    flush();
    m_link.ask([window = &m_window, text] { window->showError(text); });
}

void CrossThreadView::showInformation(const QString &text)
{
    flush();
    m_link.ask([window = &m_window, text] { window->showInformation(text); });
}

void CrossThreadView::showIdentification(const Identification &result)
{
    flush();
    m_link.ask([window = &m_window, result] { window->showIdentification(result); });
}

CommandListResult CrossThreadSettings::BuildCommandList()
{
    auto list = std::make_shared<CommandListResult>();
    const bool asked =
        m_link.ask([window = &m_window, list] { *list = window->BuildCommandList(); });
    // Not asked: the session is stopping, and nothing may go out.
    return asked ? *list : CommandListResult::failure(CommandListResult::Problem::Empty, QString());
}
