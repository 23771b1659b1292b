// SPDX-License-Identifier: GPL-3.0-or-later
// The main window "Configuración de Modems": line-setting options, ring count, the three
// dialogue actions, the query read-back and the status line. The window holds one modem session
// (serial port, pacing timer, dialogue engine) through a SessionHandle: the session lives on a
// line thread of its own, made at the first dialogue, and tells the window what happens as facts,
// which the window turns into its captions and boxes. The window keeps the transcript the session
// records into. It reaches the lines through a LineAccess: the program's own loads them at the
// first dialogue. Lives on the window's thread.
//
// Option arrays. OpCan, OpBau, OpDb and OpSb are arrays addressed by a zero-based index. In
// the form file their buttons are named OpCan_0, OpCan_1, ... (a form cannot hold two widgets
// of one name), but once the window is built every button of an array carries the array's
// name as objectName ("OpCan") and its index in the dynamic property "index"; the array's
// QButtonGroup carries the same name and uses the index as button id. So
//   findChild<QButtonGroup *>("OpCan")->button(2)
// and the "OpCan" radio button whose property "index" is 2 are the same control.
#pragma once

#include "commandlistresult.h"
#include "commandliststore.h"
#include "dialogueresult.h"
#include "lineaccess.h"
#include "sessionhandle.h"
#include "transcript.h"

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class PacedLabel;
class QAction;
class QButtonGroup;
class QKeySequence;
class QRadioButton;

namespace Ui {
class Form1;
}

class Form1 : public QWidget
{
    Q_OBJECT
public:
    // Property holding a control's position in its option array.
    static constexpr const char *IndexProperty = "index";

    explicit Form1(QWidget *parent = nullptr, const LineAccess &lines = LineAccess::standard());
    ~Form1() override;

    // The frames "Canal", "Velocidad" and "Otros parámetros", in this order.
    void setLineSettingsEnabled(bool enabled);
    // Label captions; a doubled "&&" shows as one "&".
    void setInfo(const QString &caption);
    void setAnsw1(const QString &caption);
    void setAnsw2(const QString &caption);
    // List entry `body` (without its "AT") has gone out: `info` names it, formatted only when
    // painted, at most once a frame.
    void showEntry(const QString &body);
    // The status line's text, including a change that reaches the screen at the next frame.
    QString infoText() const;

    // The port's settings and parity for the options selected now, and the port chosen (1 to 4).
    LineSettings ApplyLineSettings() const;
    Parity parityMode() const;
    int selectedPort() const;
    // The stored list, read afresh and expanded with the ring count and speed shown now.
    CommandListResult BuildCommandList();

    // The dialogue's state as last heard; Idle once its end has been shown (box dismissed,
    // frames free again).
    Dialogue::State dialogueState() const { return m_state; }
    bool isIdle() const { return m_line.idle() && !m_pendingEnd; }
    // Everything said on the line and what happened around it ("Registro de la línea").
    Transcript &transcript() { return m_transcript; }
    const LineAccess &lines() const { return m_lines; }

    // An extra of the context menu (right click on the window), also reached by `keys`.
    QAction *addExtra(const QString &text, const QKeySequence &keys, std::function<void()> open);

    // The port options' tooltips: the device each port uses and where that comes from.
    void refreshPortTips();

    // Handlers, as the window system calls them. The option handlers run whenever their option
    // becomes selected, whether by a click or by the program.
    void Form_KeyDown(int key, Qt::KeyboardModifiers shift); // key: a Qt::Key
    void OpCan_Click(int index);
    void OpBau_Click(int index);
    void OpDb_Click(int index);
    void OpSb_Click(int index);
    void OpNon_Click();
    void OpOdd_Click();
    void OpEvn_Click();
    void Configuro_Click();
    void Desconf_Click();
    void Pregunto_Click();
    void LaLista_Click();
    // "Identificar modem...": the fourth dialogue, on the same line settings.
    void identifyModem();

signals:
    // The dialogue's state, once the window shows it; Idle after its end has been shown.
    void stateChanged(Dialogue::State state);
    // How the dialogue ended, once shown (just before stateChanged(Idle)).
    void ended(const DialogueResult &result);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    QButtonGroup *makeArray(const QString &name, std::initializer_list<QRadioButton *> buttons);
    void applyFonts();
    void applyDisplayFonts(); // once the labels are made
    void connectHandlers();
    void connectSession();

    // Starts `first` unless a dialogue runs (the "ya está abierto" box names its port).
    void begin(Dialogue::State first);
    void listNeeded();
    void dialogueEnded(const DialogueResult &result);
    // A box, recorded in the transcript; one at a time.
    void showError(const QString &text);
    void showInformation(const QString &text);
    void inBox(const std::function<void()> &show);

    std::unique_ptr<Ui::Form1> ui;
    PacedLabel *m_info = nullptr; // the status line, changed at most once a frame
    QButtonGroup *m_opCan = nullptr;
    QButtonGroup *m_opBau = nullptr;
    QButtonGroup *m_opDb = nullptr;
    QButtonGroup *m_opSb = nullptr;
    bool m_placed = false;

    CommandListStore m_storedList;
    const LineAccess m_lines;
    Transcript m_transcript;
    SessionHandle m_line;
    SessionStart m_running;   // what the running (or last) dialogue was started with
    CommandListResult m_list; // as built at the running configuration's list step
    Dialogue::State m_state = Dialogue::Idle;
    bool m_connecting = false;
    QString m_infoBeforeConnecting; // shown again once connected, as a local port leaves it
    bool m_portOpened = false;      // by the running dialogue
    bool m_boxOpen = false;
    std::optional<DialogueResult> m_pendingEnd; // heard while a box of the window was open
};
