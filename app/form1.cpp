// SPDX-License-Identifier: GPL-3.0-or-later
#include "form1.h"
#include "accessiblenames.h"
#include "identificationwindow.h"
#include "ui_form1.h"

#include "cfglis.h"
#include "commandlistbuilder.h"
#include "messagebox.h"
#include "modemprotocol.h"
#include "operatoractions.h"
#include "operatortexts.h"
#include "pacedlabel.h"
#include "portassignments.h"
#include "textutils.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFontInfo>
#include <QKeyEvent>
#include <QScreen>

// The window's icon lives in this static library's resources; naming their initialiser keeps
// the linker from dropping them.
static void initAppResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

const QString FormFontFamily = QStringLiteral("MS Sans Serif");
constexpr qreal FormFontPoints = 8.25;
constexpr qreal DisplayFontPoints = 9.75;
// The usual stand-in for "MS Sans Serif" (Liberation Sans, Arial's metrics) runs about 6 %
// wider, which would clip the captions the layout was drawn for ("Número de rings").
constexpr int SubstituteStretch = 94;
const QColor PanelGrey(192, 192, 192);

} // namespace

Form1::Form1(QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::Form1>()),
      m_session(*this, *this, ModemSession::Recording::On, ModemSession::Threading::LineThread),
      Comm(m_session.port()), Timm(m_session.timer())
{
    initAppResources();
    ui->setupUi(this);
    m_info = new PacedLabel(ui->info);
    setWindowTitle(OperatorTexts::MainWindowCaption);
    // A fixed dialog frame: no resizing, no maximize box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());

    m_opCan =
        makeArray(QStringLiteral("OpCan"), {ui->OpCan_0, ui->OpCan_1, ui->OpCan_2, ui->OpCan_3});
    m_opBau =
        makeArray(QStringLiteral("OpBau"), {ui->OpBau_0, ui->OpBau_1, ui->OpBau_2, ui->OpBau_3});
    for (const SpeedRow &speed : LineSpeeds::Table)
        m_opBau->button(int(speed.speed))->setText(speed.caption);
    m_opDb = makeArray(QStringLiteral("OpDb"), {ui->OpDb_0, ui->OpDb_1});
    m_opSb = makeArray(QStringLiteral("OpSb"), {ui->OpSb_0, ui->OpSb_1});
    refreshPortTips();

    applyFonts();
    AccessibleNames::nameControls(*this);
    // The status bar: a raised light-grey panel.
    ui->SSPanel1->setAutoFillBackground(true);
    QPalette panel = ui->SSPanel1->palette();
    panel.setColor(QPalette::Window, PanelGrey);
    ui->SSPanel1->setPalette(panel);

    // Key preview: the window sees every key before the control that has the focus.
    installEventFilter(this);
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);

    Form_Load();
    connectHandlers();
}

Form1::~Form1() = default;

QButtonGroup *Form1::makeArray(const QString &name, std::initializer_list<QRadioButton *> buttons)
{
    auto *group = new QButtonGroup(this);
    group->setObjectName(name);
    group->setExclusive(true);
    int index = 0;
    for (QRadioButton *button : buttons) {
        button->setObjectName(name);
        button->setProperty(IndexProperty, index);
        group->addButton(button, index);
        ++index;
    }
    return group;
}

void Form1::applyFonts()
{
    QFont font(FormFontFamily);
    font.setPointSizeF(FormFontPoints);
    if (QFontInfo(font).family() != FormFontFamily)
        font.setStretch(SubstituteStretch);
    setFont(font); // the children inherit it

    QFont display = font;
    display.setPointSizeF(DisplayFontPoints);
    display.setBold(true);
    ui->answ1->setFont(display);
    ui->answ2->setFont(display);
}

void Form1::connectHandlers()
{
    // Option handlers run when their option becomes selected, never when it is cleared.
    const auto whenSelected = [this](QButtonGroup *group, void (Form1::*handler)(int)) {
        connect(group, &QButtonGroup::idToggled, this, [this, handler](int id, bool on) {
            if (on)
                (this->*handler)(id);
        });
    };
    whenSelected(m_opCan, &Form1::OpCan_Click);
    whenSelected(m_opBau, &Form1::OpBau_Click);
    whenSelected(m_opDb, &Form1::OpDb_Click);
    whenSelected(m_opSb, &Form1::OpSb_Click);

    const auto parity = [this](QRadioButton *button, void (Form1::*handler)()) {
        connect(button, &QRadioButton::toggled, this, [this, handler](bool on) {
            if (on)
                (this->*handler)();
        });
    };
    parity(ui->OpNon, &Form1::OpNon_Click);
    parity(ui->OpOdd, &Form1::OpOdd_Click);
    parity(ui->OpEvn, &Form1::OpEvn_Click);

    connect(ui->Configuro, &QPushButton::clicked, this, &Form1::Configuro_Click);
    connect(ui->Desconf, &QPushButton::clicked, this, &Form1::Desconf_Click);
    connect(ui->Pregunto, &QPushButton::clicked, this, &Form1::Pregunto_Click);
    connect(ui->LaLista, &QPushButton::clicked, this, &Form1::LaLista_Click);
}

void Form1::Form_Load()
{
    engine().ClosePort();
    // The port number stays at the port's own initial 1, the option selected at first.
    sendLineSettings();
}

void Form1::sendLineSettings()
{
    Comm.setSettings(ApplyLineSettings());
}

LineSettings Form1::ApplyLineSettings() const
{
    // The speed options are in the table's order.
    return {LineSpeed(qMax(0, m_opBau->checkedId())),
            ui->OpSb_0->isChecked() ? StopBits::One : StopBits::Two};
}

// --- Line settings -------------------------------------------------------------------------

void Form1::OpCan_Click(int index)
{
    Comm.setCommPort(static_cast<qint16>(index + 1));
}

void Form1::OpBau_Click(int)
{
    sendLineSettings();
}

void Form1::OpDb_Click(int)
{
    sendLineSettings();
}

void Form1::OpSb_Click(int)
{
    sendLineSettings();
}

void Form1::OpNon_Click()
{
    if (ui->OpNon->isChecked())
        ui->OpDb_1->setChecked(true);
    sendLineSettings();
}

void Form1::OpOdd_Click()
{
    if (ui->OpOdd->isChecked())
        ui->OpDb_0->setChecked(true);
    sendLineSettings();
}

void Form1::OpEvn_Click()
{
    if (ui->OpEvn->isChecked())
        ui->OpDb_0->setChecked(true);
    sendLineSettings();
}

// --- Operator actions ----------------------------------------------------------------------

void Form1::Configuro_Click()
{
    // Checked at the click, before the port is opened. While a dialogue runs the engine itself
    // refuses the click (its port is open) and holds that dialogue's steps behind its box; a box
    // of the window's own would let them run, and show their boxes, over it.
    // A list without "S0=#" sends no ring count, so it needs none.
    // A file that cannot be read is told where the list is read, naming it.
    QString stored;
    if (m_session.isIdle() && m_storedList.load(&stored)
        && CommandListBuilder::NeedsRingCount(stored)
        && !CommandListBuilder::RingCountValid(ui->llam->text())) {
        showError(OperatorTexts::RingCountInvalid);
        return;
    }
    m_session.run(OperatorActions::Configurar);
}

void Form1::Desconf_Click()
{
    m_session.run(OperatorActions::Desconfigurar);
}

void Form1::Pregunto_Click()
{
    m_session.run(OperatorActions::Preguntar);
}

void Form1::identifyModem()
{
    m_session.run(Dialogue::IdentifyWake);
}

void Form1::LaLista_Click()
{
    // Modal and without owner; a running dialogue goes on behind it.
    cfglis editor;
    editor.exec();
}

void Form1::Form_KeyDown(int key, Qt::KeyboardModifiers)
{
    if (key == Qt::Key_Escape && m_session.isIdle())
        close();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && (widget == this || isAncestorOf(widget))) {
            const auto *key = static_cast<QKeyEvent *>(event);
            Form_KeyDown(key->key(), key->modifiers());
        }
    }
    return QWidget::eventFilter(watched, event); // the control still gets its key
}

void Form1::showEvent(QShowEvent *event)
{
    if (!m_placed) {
        m_placed = true;
        if (const QScreen *screen = this->screen()) {
            // The frame, where the window system already knows it, is centred with the window.
            QRect area = frameGeometry();
            area.moveCenter(screen->availableGeometry().center());
            move(area.topLeft());
        }
    }
    QWidget::showEvent(event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    // The program ends with this window; a dialogue still running ends with it, so that no
    // tick or reply of it comes after the window has gone.
    m_session.stop();
    QWidget::closeEvent(event);
}

void Form1::refreshPortTips()
{
    for (QAbstractButton *port : m_opCan->buttons())
        port->setToolTip(
            PortAssignments::describe(PortAssignments::choiceFor(m_opCan->id(port) + 1)));
}

QAction *Form1::addExtra(const QString &text, const QKeySequence &keys, std::function<void()> open)
{
    auto *action = new QAction(text, this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [open = std::move(open)] { open(); });
    addAction(action);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    return action;
}

// --- What the engine shows and reads ----------------------------------------------------------

void Form1::setLineSettingsEnabled(bool enabled)
{
    ui->CanMrc->setEnabled(enabled);
    ui->BauMrc->setEnabled(enabled);
    ui->ParMrc->setEnabled(enabled);
}

void Form1::setInfo(const QString &caption)
{
    m_info->setText(TextUtils::LabelText(caption));
}

void Form1::entrySent(const QString &body)
{
    // Formatted when painted, at most once a frame, not once per entry.
    m_info->setText(body, [](const QString &raw) {
        return TextUtils::LabelText(DialogueView::sendingCaption(raw, true));
    });
}

QString Form1::infoText() const
{
    return m_info->latest();
}

void Form1::setAnsw1(const QString &caption)
{
    ui->answ1->setText(TextUtils::LabelText(caption));
    AccessibleNames::valueShown(*ui->answ1);
}

void Form1::setAnsw2(const QString &caption)
{
    ui->answ2->setText(TextUtils::LabelText(caption));
    AccessibleNames::valueShown(*ui->answ2);
}

void Form1::showError(const QString &text)
{
    m_info->flush();
    MessageBox::showStop(this, text);
}

void Form1::showInformation(const QString &text)
{
    m_info->flush();
    MessageBox::showInformation(this, text);
}

void Form1::showIdentification(const Identification &result)
{
    m_info->flush();
    // Like the boxes: modal to this window, and the dialogue's next step waits for it.
    IdentificationWindow window(result, this);
    window.setWindowModality(Qt::WindowModal);
    window.exec();
}

Parity Form1::parityMode() const
{
    if (ui->OpNon->isChecked())
        return Parity::None;
    if (ui->OpOdd->isChecked())
        return Parity::Odd;
    return Parity::Even;
}

CommandListResult Form1::BuildCommandList()
{
    // Read afresh, from the working directory of this moment: a list saved in the editor
    // takes effect at the next configuration.
    QString stored;
    const Outcome read = m_storedList.load(&stored);
    const SpeedRow &speed = LineSpeeds::row(ApplyLineSettings().speed);
    return CommandListBuilder::Build(read, stored, ui->llam->text(), speed.s37Code,
                                     speed.modulationCode);
}
