// SPDX-License-Identifier: GPL-3.0-or-later
// Answers the program's modal message boxes during a test and records what they showed.
//
// A box shown with exec() runs its own event loop, so the test cannot reach it by the usual
// route; this watcher polls the top-level widgets from a timer (which also runs inside that
// nested loop), records every visible QMessageBox it has not seen yet and presses its OK button
// (or the button set with setAnswer). While it lives, boxes are expected (see
// unexpectedboxguard.h). Create it before the action that may show a box:
//
//     MessageBoxWatcher boxes;
//     QTest::mouseClick(button, Qt::LeftButton);
//     QVERIFY(boxes.waitForCount(1));
//     QCOMPARE(boxes.at(0).text, expectedText);
//     QCOMPARE(boxes.at(0).icon, QMessageBox::Critical);
#pragma once

#include "unexpectedboxguard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <functional>

struct SeenMessageBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QStringList buttonTexts; // as shown, e.g. "Aceptar" with Qt's Spanish texts loaded
    bool modal = false;
    QWidget *parent = nullptr; // the box's parent widget (compare only; may be gone)
};

class MessageBoxWatcher : public QObject
{
public:
    explicit MessageBoxWatcher(int pollMs = 10, QObject *parent = nullptr) : QObject(parent)
    {
        m_timer.setInterval(pollMs);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start();
    }

    // The button pressed on every box from now on (QMessageBox::Ok by default).
    void setAnswer(QMessageBox::StandardButton answer) { m_answer = answer; }

    // Called with each box before it is answered (inside its nested loop).
    void setInspector(std::function<void(QMessageBox *)> inspect)
    {
        m_inspect = std::move(inspect);
    }

    qsizetype count() const { return m_seen.size(); }
    const SeenMessageBox &at(qsizetype i) const { return m_seen.at(i); }
    const QList<SeenMessageBox> &boxes() const { return m_seen; }
    QStringList texts() const
    {
        QStringList all;
        for (const SeenMessageBox &box : m_seen)
            all << box.text;
        return all;
    }
    void clear() { m_seen.clear(); }

    // Waits, running the event loop, until at least n boxes were answered.
    bool waitForCount(qsizetype n, int timeoutMs = 5000)
    {
        return QTest::qWaitFor([&] { return m_seen.size() >= n; }, timeoutMs);
    }

private:
    void poll()
    {
        const auto widgets = QApplication::topLevelWidgets();
        for (QWidget *widget : widgets) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (!box || !box->isVisible() || m_answered.contains(box))
                continue;
            m_answered.append(box);
            SeenMessageBox seen;
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.icon = box->icon();
            seen.buttons = box->standardButtons();
            for (QAbstractButton *button : box->buttons())
                seen.buttonTexts << button->text();
            seen.modal = box->isModal();
            seen.parent = box->parentWidget();
            m_seen.append(seen);
            if (m_inspect)
                m_inspect(box);
            // Answer after this timer slot has returned, from inside the box's own loop.
            QPointer<QMessageBox> guard(box);
            const QMessageBox::StandardButton answer = m_answer;
            QTimer::singleShot(0, box, [guard, answer] {
                if (!guard)
                    return;
                if (QAbstractButton *button = guard->button(answer))
                    button->click();
                else
                    guard->done(QMessageBox::Cancel);
            });
        }
        // Forget boxes that are gone, so a pointer reused for a new box counts as new.
        m_answered.removeIf([](const QPointer<QMessageBox> &box) { return box.isNull(); });
    }

    ExpectedBoxes m_expected;
    QTimer m_timer;
    QList<SeenMessageBox> m_seen;
    QList<QPointer<QMessageBox>> m_answered;
    QMessageBox::StandardButton m_answer = QMessageBox::Ok;
    std::function<void(QMessageBox *)> m_inspect;
};
