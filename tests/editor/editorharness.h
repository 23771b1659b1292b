// SPDX-License-Identifier: GPL-3.0-or-later
// Drives a cfglis window the way the operator does: real key presses and clicks on its
// controls, found by their objectName. The INI file is the one the window uses in the test's
// scratch directory: "<working dir>/<test executable base name>.INI".
#pragma once

#include "cfglis.h"
#include "unexpectedboxguard.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace EditorHarness {

inline QString BaseName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

inline QString IniPath()
{
    return QDir::current().filePath(BaseName() + QStringLiteral(".INI"));
}

inline bool WriteIni(const QByteArray &bytes)
{
    QFile file(IniPath());
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(bytes) == bytes.size();
}

inline QByteArray ReadIni()
{
    QFile file(IniPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A file holding just the stored command string.
inline QByteArray StoredFile(const QString &stored)
{
    return "[" + BaseName().toUtf8() + "]\r\nCmdAT=" + stored.toUtf8() + "\r\n";
}

struct Editor
{
    // With `stored`, the file holding it is written before the window reads it.
    explicit Editor(const std::optional<QString> &stored = std::nullopt)
        : written(!stored || WriteIni(StoredFile(*stored)))
    {}

    bool written;
    std::unique_ptr<cfglis> window = std::make_unique<cfglis>();
    QListWidget *Lista = window->findChild<QListWidget *>(QStringLiteral("Lista"));
    QLineEdit *txt = window->findChild<QLineEdit *>(QStringLiteral("txt"));

    QPushButton *button(const char *name) const
    {
        return window->findChild<QPushButton *>(QLatin1String(name));
    }

    // Shown and active, so that the focus, Enter, Escape and the access keys work.
    bool open()
    {
        window->show();
        window->activateWindow();
        return written && QTest::qWaitForWindowActive(window.get());
    }

    QStringList entries() const
    {
        QStringList texts;
        for (int i = 0; i < Lista->count(); ++i)
            texts.append(Lista->item(i)->text());
        return texts;
    }

    // The selected row; -1 for none, -2 for more than one.
    int selected() const
    {
        const QList<QListWidgetItem *> items = Lista->selectedItems();
        return items.size() == 1 ? Lista->row(items.first()) : items.isEmpty() ? -1 : -2;
    }

    void clickEntry(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const
    {
        const QRect rect = Lista->visualItemRect(Lista->item(row));
        QTest::mouseClick(Lista->viewport(), Qt::LeftButton, modifiers, rect.center());
    }
    void click(const char *name) const { QTest::mouseClick(button(name), Qt::LeftButton); }

    // Keys go where the operator's keys go: to the control that has the focus.
    static void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    static void type(const QString &text) { QTest::keyClicks(QApplication::focusWidget(), text); }
    static QString focus() { return QApplication::focusWidget()->objectName(); }

    // Enter with the focus in the list (Enter on a focused button would press that button).
    void accept() const
    {
        Lista->setFocus();
        key(Qt::Key_Return);
    }

    // The rule every operation must leave behind: with entries, exactly one is selected and
    // txt, enabled, shows it; without, nothing is selected and txt is disabled and empty.
    // Returns what is broken, or "".
    QString brokenRule() const
    {
        if (Lista->count() == 0)
            return selected() == -1 && !txt->isEnabled() && txt->text().isEmpty()
                       ? QString()
                       : QStringLiteral("empty list, yet a selection or txt in use");
        if (selected() < 0)
            return QStringLiteral("entries but not exactly one selected");
        if (!txt->isEnabled() || txt->text() != Lista->item(selected())->text())
            return QStringLiteral("txt does not show the selected entry: ") + txt->text();
        return QString();
    }
};

struct AnsweredBox
{
    bool shown = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
};

// Runs action; the first message box it opens is read and answered with `button`.
inline AnsweredBox AnswerMessageBox(const std::function<void()> &action,
                                    QMessageBox::StandardButton button = QMessageBox::Ok)
{
    const ExpectedBoxes expected;
    AnsweredBox answer;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        answer = {true, box->icon(), box->text()};
        poll.stop();
        box->button(button)->click();
    });
    poll.start();
    action();
    poll.stop();
    return answer;
}

} // namespace EditorHarness
