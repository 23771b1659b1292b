// SPDX-License-Identifier: GPL-3.0-or-later
#include "cfglis.h"
#include "ui_cfglis.h"

#include "commandlisttext.h"
#include "editortexts.h"
#include "messagebox.h"
#include "modemprotocol.h"
#include "selectalltext.h"
#include "storetexts.h"
#include "typinglimit.h"

#include <QDir>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QStyle>

namespace {

// The operator types at most this many characters into an entry.
constexpr int EntryTypingLimit = 12;
// The form's font size; the form file only holds whole points.
constexpr qreal FontPointSize = 8.25;

enum ChipsetCode : qint16 { Rockwell = 1, Motorola = 2, Zoom = 3 };

} // namespace

cfglis::cfglis(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::cfglis>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    QFont shown = font();
    shown.setPointSizeF(FontPointSize);
    setFont(shown);
    ui->acepto->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton, nullptr, ui->acepto));
    ui->cancelo->setIcon(
        style()->standardIcon(QStyle::SP_DialogCancelButton, nullptr, ui->cancelo));
    ui->acepto->setIconSize(QSize(24, 24));
    ui->cancelo->setIconSize(QSize(24, 24));

    // A separator typed into an entry would split it in two at the next opening.
    m_typingLimit = new TypingLimit(ui->txt, EntryTypingLimit, QString(CommandListText::Separator));

    connect(ui->Lista, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_reshaping)
            KeepOneSelected();
    });
    connect(ui->txt, &QLineEdit::textChanged, this, [this] { txt_Change(); });
    connect(ui->ins, &QPushButton::clicked, this, [this] { ins_Click(); });
    connect(ui->apn, &QPushButton::clicked, this, [this] { apn_Click(); });
    connect(ui->del, &QPushButton::clicked, this, [this] { del_Click(); });
    connect(ui->dflRkw, &QPushButton::clicked, this, [this] { dflRkw_Click(); });
    connect(ui->dflMot, &QPushButton::clicked, this, [this] { dflMot_Click(); });
    connect(ui->dflZoo, &QPushButton::clicked, this, [this] { dflZoo_Click(); });
    connect(ui->acepto, &QPushButton::clicked, this, [this] { acepto_Click(); });
    connect(ui->cancelo, &QPushButton::clicked, this, [this] { cancelo_Click(); });

    // Key preview: every control that can hold the focus shows its keys to the window first.
    const QList<QWidget *> focusable = {ui->Lista, ui->txt, ui->acepto, ui->cancelo, ui->ins,
                                        ui->del,   ui->apn, ui->dflRkw, ui->dflMot,  ui->dflZoo};
    for (QWidget *control : focusable)
        control->installEventFilter(this);

    Form_Load();
}

cfglis::~cfglis() = default;

bool cfglis::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (Form_KeyDown(static_cast<QKeyEvent *>(event)))
            return true;
        break;
    case QEvent::FocusIn:
        if (watched == ui->txt)
            txt_GotFocus(static_cast<QFocusEvent *>(event)->reason());
        break;
    case QEvent::FocusOut:
        if (watched == ui->txt)
            m_swallowClick = false;
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
        // The press that gave txt the focus would put the cursor where it landed and drop
        // the selection; keep the whole text selected instead, as Tab does.
        if (watched == ui->txt && m_swallowClick)
            return true;
        break;
    case QEvent::MouseButtonRelease:
        if (watched == ui->txt && m_swallowClick) {
            m_swallowClick = false;
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void cfglis::keyPressEvent(QKeyEvent *event)
{
    // Escape presses the cancel button, so that it ends the window the same way.
    if (event->matches(QKeySequence::Cancel)) {
        ui->cancelo->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void cfglis::Form_Load()
{
    QString stored;
    const StoreResult read = m_storedList.load(&stored);
    if (!read) {
        // Shown once the window is up; the list stays empty rather than show a list that is
        // not the stored one.
        m_unreadable = StoreTexts::commandListUnreadable(read);
        FillList({});
        QMetaObject::invokeMethod(
            this,
            [this] {
                MessageBox::showStop(this, m_unreadable + QLatin1Char('\n')
                                               + EditorTexts::EditorListUnreadable);
            },
            Qt::QueuedConnection);
        return;
    }
    m_loaded = stored;
    FillList(CommandListText::SplitStored(stored));
}

bool cfglis::Form_KeyDown(QKeyEvent *event)
{
    // Up and Down leave the text box for the list without moving the selection; the next
    // arrow key, now in the list, moves it.
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && focusWidget() == ui->txt) {
        ui->Lista->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return false;
}

void cfglis::Lista_Click()
{
    const int selected = SelectedIndex();
    if (selected >= 0)
        SetTxtText(ui->Lista->item(selected)->text());
}

void cfglis::txt_Change()
{
    const int selected = SelectedIndex();
    if (selected >= 0)
        ui->Lista->item(selected)->setText(ui->txt->text());
}

void cfglis::txt_GotFocus(Qt::FocusReason reason)
{
    TextUtils::SelectAllText(ui->txt);
    m_swallowClick = (reason == Qt::MouseFocusReason);
}

void cfglis::ins_Click()
{
    const int selected = SelectedIndex();
    const int count = ui->Lista->count();
    m_reshaping = true;
    int added;
    if (count == 0 || selected < 0) {
        // Entries without a selection never arise; should they, the new one goes last.
        ui->Lista->addItem(QString());
        added = ui->Lista->count() - 1;
    } else {
        ui->Lista->insertItem(selected, QString());
        added = selected;
    }
    m_reshaping = false;
    SelectEntry(added);
    ui->txt->setEnabled(true);
    ui->txt->setFocus(Qt::OtherFocusReason);
}

void cfglis::apn_Click()
{
    m_reshaping = true;
    ui->Lista->addItem(QString());
    m_reshaping = false;
    SelectEntry(ui->Lista->count() - 1);
    ui->txt->setEnabled(true);
    ui->txt->setFocus(Qt::OtherFocusReason);
}

void cfglis::del_Click()
{
    const int selected = SelectedIndex();
    if (selected < 0)
        return;
    m_reshaping = true;
    delete ui->Lista->takeItem(selected);
    m_reshaping = false;
    const int count = ui->Lista->count();
    if (selected < count) {
        SelectEntry(selected);
    } else if (count > 0) {
        SelectEntry(count - 1);
    } else {
        SetTxtText(QString());
        ui->txt->setEnabled(false);
    }
}

void cfglis::dflRkw_Click()
{
    LoadDefaultList(Rockwell);
}

void cfglis::dflMot_Click()
{
    LoadDefaultList(Motorola);
}

void cfglis::dflZoo_Click()
{
    LoadDefaultList(Zoom);
}

void cfglis::acepto_Click()
{
    if (!m_unreadable.isEmpty()) {
        MessageBox::showStop(this,
                             m_unreadable + QLatin1Char('\n') + EditorTexts::EditorWillNotSave);
        return;
    }
    const QString list = CommandListText::Join(Entries());
    StoreResult saved = m_storedList.writeIfUnchanged(list, m_loaded);
    if (saved.kind == StoreResult::Kind::ChangedMeanwhile) {
        // Saved over unseen, the other list would be lost; the operator decides.
        if (!MessageBox::askWarning(
                this, EditorTexts::ListChangedMeanwhile.arg(QDir::toNativeSeparators(saved.file))))
            return;
        saved = m_storedList.write(list);
    }
    if (!saved) {
        // Closing now would throw the operator's edits away with nothing saved; stay open so
        // that the cause can be put right and the list accepted again, or cancelled.
        MessageBox::showStop(this, EditorTexts::SaveFailed.arg(QDir::toNativeSeparators(saved.file),
                                                               StoreTexts::whyNotSaved(saved)));
        return;
    }
    accept();
}

void cfglis::cancelo_Click()
{
    reject();
}

void cfglis::LoadDefaultList(qint16 code)
{
    QString list;
    switch (code) {
    case Rockwell:
        list = ModemProtocol::RockwellCommandList;
        break;
    case Motorola:
        list = ModemProtocol::MotorolaCommandList;
        break;
    case Zoom:
        list = ModemProtocol::ZoomCommandList;
        break;
    default:
        return;
    }
    FillList(CommandListText::SplitWith(list, QString(CommandListText::Separator)));
}

void cfglis::FillList(const QStringList &entries)
{
    m_reshaping = true;
    ui->Lista->clear();
    ui->Lista->addItems(entries);
    m_reshaping = false;
    if (ui->Lista->count() > 0) {
        SelectEntry(0);
        ui->txt->setEnabled(true);
    } else {
        SetTxtText(QString());
        ui->txt->setEnabled(false);
    }
}

void cfglis::SelectEntry(int index)
{
    m_reshaping = true;
    ui->Lista->setCurrentRow(index);
    m_reshaping = false;
    Lista_Click();
}

int cfglis::SelectedIndex() const
{
    const QList<QListWidgetItem *> selected = ui->Lista->selectedItems();
    return selected.isEmpty() ? -1 : ui->Lista->row(selected.first());
}

void cfglis::KeepOneSelected()
{
    // A single-selection list box still lets Ctrl+click or Ctrl+Space take the selection
    // away; while there are entries, one of them stays selected.
    if (ui->Lista->count() > 0 && SelectedIndex() < 0) {
        const int current = ui->Lista->currentRow();
        SelectEntry(current >= 0 ? current : 0);
        return;
    }
    Lista_Click();
}

void cfglis::SetTxtText(const QString &text)
{
    m_typingLimit->setText(text);
}

QStringList cfglis::Entries() const
{
    QStringList entries;
    entries.reserve(ui->Lista->count());
    for (int i = 0; i < ui->Lista->count(); ++i)
        entries.append(ui->Lista->item(i)->text());
    return entries;
}
