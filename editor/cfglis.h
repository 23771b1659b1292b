// SPDX-License-Identifier: GPL-3.0-or-later
// The "Comandos" window: edits the stored list of AT command bodies.
// Lives on the window's thread.
#pragma once

#include "commandliststore.h"

#include <QDialog>
#include <memory>

namespace Ui {
class cfglis;
}
class QKeyEvent;
class TypingLimit;

class cfglis : public QDialog
{
    Q_OBJECT
public:
    explicit cfglis(QWidget *parent = nullptr);
    ~cfglis() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Load();
    bool Form_KeyDown(QKeyEvent *event); // true when the key is taken by the window
    void Lista_Click();
    void txt_Change();
    void txt_GotFocus(Qt::FocusReason reason);
    void ins_Click();
    void apn_Click();
    void del_Click();
    void dflRkw_Click();
    void dflMot_Click();
    void dflZoo_Click();
    void acepto_Click();
    void cancelo_Click();

    void LoadDefaultList(qint16 code);
    void FillList(const QStringList &entries);
    void SelectEntry(int index);
    int SelectedIndex() const;
    void KeepOneSelected();
    void SetTxtText(const QString &text);
    QStringList Entries() const;

    std::unique_ptr<Ui::cfglis> ui;
    TypingLimit *m_typingLimit = nullptr;
    CommandListStore m_storedList;
    // Why the stored list could not be read at opening; empty when it was. Saving would write
    // over a file whose content was never seen, so it is refused.
    QString m_unreadable;
    QString m_loaded; // the stored list as this window read it
    // The list is being reshaped by the window itself: selection events in between are
    // intermediate states, not the operator's.
    bool m_reshaping = false;
    // txt took the focus from a mouse press: that click must not undo the select-all.
    bool m_swallowClick = false;
};
