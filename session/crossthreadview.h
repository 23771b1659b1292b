// SPDX-License-Identifier: GPL-3.0-or-later
// The window as the dialogue engine sees it from the line thread. Captions and frames are told
// to the window in order; boxes, and the command list a configuration reads, are asked and
// waited for, as the engine expects. The list's entries, which may go out hundreds a second,
// reach the window at display rate: the newest one at most once a frame, and always before
// anything told after it.
#pragma once

#include "dialoguesettings.h"
#include "dialogueview.h"
#include "windowlink.h"

#include <QMutex>
#include <QString>

#include <atomic>

class CrossThreadView final : public DialogueView
{
public:
    static constexpr int FrameMs = 16;

    CrossThreadView(DialogueView &window, WindowLink &link) : m_window(window), m_link(link) {}

    void setLineSettingsEnabled(bool enabled) override;
    void setInfo(const QString &caption) override;
    void entrySent(const QString &body) override;
    void setAnsw1(const QString &caption) override;
    void setAnsw2(const QString &caption) override;
    void showError(const QString &text) override;
    void showInformation(const QString &text) override;
    void showIdentification(const Identification &result) override;
    void lateReplyDropped(const QByteArray &bytes) override;
    // The entry not yet shown, if any, is told now.
    void flush();

private:
    // Tells `show` after the entry not yet shown, if any.
    template <class Show>
    void tellInOrder(Show show);
    // On the window's thread: shows the newest entry if it has not been, and looks again a
    // frame later while entries keep coming.
    void showEntry();

    DialogueView &m_window;
    WindowLink &m_link;
    QMutex m_entryLock;
    QString m_entry;             // the newest entry sent
    bool m_entryFresh = false;   // not yet shown
    bool m_entryWatched = false; // the window will look at it (told, or looking again soon)
};

class CrossThreadSettings final : public DialogueSettings
{
public:
    CrossThreadSettings(DialogueSettings &window, WindowLink &link) : m_window(window), m_link(link)
    {}

    // The parity is taken on the window's thread as a dialogue is asked for; its options stay
    // locked while the dialogue lasts.
    void setParity(Parity parity) { m_parity = parity; }
    Parity parityMode() const override { return m_parity; }
    CommandListResult BuildCommandList() override;

private:
    DialogueSettings &m_window;
    WindowLink &m_link;
    std::atomic<Parity> m_parity{Parity::None};
};
