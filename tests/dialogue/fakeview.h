// The window as the dialogue sees it: frames, three labels and modal boxes, all recorded.
// A box can run a callback while it is "open", to inject what the event loop would deliver.
#pragma once

#include "dialogueview.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <functional>

class FakeView final : public DialogueView
{
public:
    struct Box
    {
        bool error;
        QString text;
    };

    explicit FakeView(QStringList &log) : m_log(log) {}

    void setLineSettingsEnabled(bool enabled) override
    {
        m_log.append(enabled ? QStringLiteral("frames on") : QStringLiteral("frames off"));
        framesEnabled = enabled;
        ++frameChanges;
    }
    void setInfo(const QString &caption) override { setLabel(QStringLiteral("info"), info, caption); }
    void setAnsw1(const QString &caption) override { setLabel(QStringLiteral("answ1"), answ1, caption); }
    void setAnsw2(const QString &caption) override { setLabel(QStringLiteral("answ2"), answ2, caption); }
    void showError(const QString &text) override { show(true, text); }
    void showInformation(const QString &text) override { show(false, text); }

    // "E:" for the stop icon, "I:" for the information icon, then the text.
    QStringList boxTexts() const
    {
        QStringList out;
        for (const Box &b : boxes)
            out.append((b.error ? QStringLiteral("E:") : QStringLiteral("I:")) + b.text);
        return out;
    }

    bool framesEnabled = true;
    int frameChanges = 0;
    QString info = QStringLiteral("(info)");
    QString answ1 = QStringLiteral("(answ1)");
    QString answ2 = QStringLiteral("(answ2)");
    QStringList labelChanges; // "answ1=2", in order
    QList<Box> boxes;
    int openBoxes = 0;
    int mostOpenBoxes = 0;
    // Runs while box number `index` (0-based) is open.
    std::function<void(int index)> whileOpen;

private:
    void setLabel(const QString &name, QString &label, const QString &caption)
    {
        label = caption;
        labelChanges.append(name + QLatin1Char('=') + caption);
    }
    void show(bool error, const QString &text)
    {
        m_log.append(error ? QStringLiteral("box stop") : QStringLiteral("box info"));
        boxes.append({error, text});
        ++openBoxes;
        mostOpenBoxes = std::max(mostOpenBoxes, openBoxes);
        if (whileOpen) {
            const auto callback = whileOpen;
            callback(int(boxes.size()) - 1);
        }
        --openBoxes;
    }

    QStringList &m_log;
};
