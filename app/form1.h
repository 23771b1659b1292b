// SPDX-License-Identifier: GPL-3.0-or-later
// The main window "Configuración de Modems": line-setting options, ring count, the three
// dialogue actions, the query read-back and the status line. The window owns one modem session
// (serial port `Comm`, pacing timer `Timm`, transcript, dialogue engine) and only shows it; the
// dialogue itself lives in DialogueEngine.
//
// Option arrays. OpCan, OpBau, OpDb and OpSb are arrays addressed by a zero-based index. In
// the form file their buttons are named OpCan_0, OpCan_1, ... (a form cannot hold two widgets
// of one name), but once the window is built every button of an array carries the array's
// name as objectName ("OpCan") and its index in the dynamic property "index"; the array's
// QButtonGroup carries the same name and uses the index as button id. So
//   findChild<QButtonGroup *>("OpCan")->button(2)
// and the "OpCan" radio button whose property "index" is 2 are the same control.
#pragma once

#include "commandliststore.h"
#include "dialoguesettings.h"
#include "dialogueview.h"
#include "modemsession.h"
#include "transcript.h"

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class PacedLabel;
class QAction;
class QButtonGroup;
class QKeySequence;
class QRadioButton;

namespace Ui {
class Form1;
}

class Form1 : public QWidget, public DialogueView, public DialogueSettings
{
    Q_OBJECT
public:
    // Property holding a control's position in its option array.
    static constexpr const char *IndexProperty = "index";

    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // DialogueView
    void setLineSettingsEnabled(bool enabled) override;
    void setInfo(const QString &caption) override;
    void entrySent(const QString &body) override;
    void setAnsw1(const QString &caption) override;
    void setAnsw2(const QString &caption) override;
    void showError(const QString &text) override;
    void showInformation(const QString &text) override;
    void showIdentification(const Identification &result) override;

    // DialogueSettings
    Parity parityMode() const override;
    CommandListResult BuildCommandList() override;

    // The status line's text, including a change that reaches the screen at the next frame.
    QString infoText() const;

    // The port's settings for the options selected now.
    LineSettings ApplyLineSettings() const;

    // The parts the window owns, for the start-up program and for tests.
    SerialPort &comm() { return Comm; }
    PreciseTimer &timm() { return Timm; }
    DialogueEngine &engine() { return m_session.engine(); }
    // Everything said on the line and what happened around it ("Registro de la línea").
    Transcript &transcript() { return *m_session.transcript(); }

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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    QButtonGroup *makeArray(const QString &name, std::initializer_list<QRadioButton *> buttons);
    void applyFonts();
    void connectHandlers();
    // Hands the port the settings of the options selected now.
    void sendLineSettings();

    std::unique_ptr<Ui::Form1> ui;
    PacedLabel *m_info = nullptr; // the status line, changed at most once a frame
    QButtonGroup *m_opCan = nullptr;
    QButtonGroup *m_opBau = nullptr;
    QButtonGroup *m_opDb = nullptr;
    QButtonGroup *m_opSb = nullptr;
    bool m_placed = false;

    CommandListStore m_storedList;
    // The port (or terminal server), the timer, the transcript and the engine, wired once.
    ModemSession m_session;
    SerialPort &Comm;
    PreciseTimer &Timm;
};
