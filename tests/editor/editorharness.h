// Drives a cfglis window the way the operator does: real key presses and clicks on its
// controls, found by their objectName. The INI file is the one the window uses in the test's
// scratch directory: "<working dir>/<test executable base name>.INI".
#pragma once

#include "cfglis.h"

#include <QApplication>
#include <QCoreApplication>
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

namespace EditorHarness {

inline QString BaseName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

inline QString IniPath()
{
    return QDir::current().filePath(BaseName() + QStringLiteral(".INI"));
}

inline void WriteIni(const QByteArray &bytes)
{
    QFile file(IniPath());
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(file.errorString()));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A file holding just the stored command string.
inline void WriteStored(const QString &stored)
{
    WriteIni("[" + BaseName().toUtf8() + "]\r\nCmdAT=" + stored.toUtf8() + "\r\n");
}

inline QByteArray ReadIni()
{
    QFile file(IniPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

inline void RemoveIni()
{
    QFile::remove(IniPath());
}

struct Editor
{
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
        return QTest::qWaitForWindowActive(window.get());
    }

    QStringList entries() const
    {
        QStringList texts;
        for (int i = 0; i < Lista->count(); ++i)
            texts.append(Lista->item(i)->text());
        return texts;
    }

    int selected() const
    {
        const QList<QListWidgetItem *> items = Lista->selectedItems();
        if (items.size() != 1)
            return items.isEmpty() ? -1 : -2;
        return Lista->row(items.first());
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
};

// The three rules every operation must leave behind.
inline void VerifyInvariants(const Editor &editor)
{
    if (editor.Lista->count() > 0) {
        QVERIFY2(editor.selected() >= 0, "entries but not exactly one selected");
        QVERIFY(editor.txt->isEnabled());
        QCOMPARE(editor.txt->text(), editor.Lista->item(editor.selected())->text());
    } else {
        QCOMPARE(editor.selected(), -1);
        QVERIFY(!editor.txt->isEnabled());
        QCOMPARE(editor.txt->text(), QString());
    }
}

struct AnsweredBox
{
    bool shown = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
};

// Runs action; the first message box it opens is read and dismissed with OK.
inline AnsweredBox AnswerMessageBox(const std::function<void()> &action)
{
    AnsweredBox answer;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        answer.shown = true;
        answer.icon = box->icon();
        answer.text = box->text();
        poll.stop();
        box->button(QMessageBox::Ok)->click();
    });
    poll.start();
    action();
    poll.stop();
    return answer;
}

} // namespace EditorHarness

// Stops the calling test function when a helper above has failed.
#define EDITOR_CHECK(call)                                                                      \
    do {                                                                                        \
        call;                                                                                   \
        if (QTest::currentTestFailed())                                                         \
            return;                                                                             \
    } while (false)
