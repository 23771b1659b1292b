// SPDX-License-Identifier: GPL-3.0-or-later
#include "form1.h"
#include "accessiblenames.h"
#include "identificationwindow.h"
#include "ui_form1.h"

#include "cfglis.h"
#include "commandlistbuilder.h"
#include "dialoguetexts.h"
#include "messagebox.h"
#include "operatoractions.h"
#include "pacedlabel.h"
#include "portassignments.h"
#include "textutils.h"
#include "windowtexts.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QIcon>
#include <QImageReader>
#include <QKeyEvent>
#include <QPixmap>
#include <QScopedValueRollback>
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

// Told its format, Qt's own XPM reader reads the icon at once; left to find the format itself,
// Qt first loads every image plugin installed (and libjpeg) to ask each of them.
QIcon windowIconFromResources()
{
    QImageReader reader(QStringLiteral(":/icons/tavoli.xpm"), "xpm");
    reader.setAutoDetectImageFormat(false);
    return QIcon(QPixmap::fromImage(reader.read()));
}

} // namespace

Form1::Form1(QWidget *parent, const LineAccess &lines)
    : QWidget(parent), ui(std::make_unique<Ui::Form1>()), m_lines(lines),
      m_line(SessionHandle::Threading::LineThread, &m_transcript, nullptr, lines.makeSession)
{
    initAppResources();
    applyFonts();
    {
        // A line edit lays out its empty text in the application's font before it takes the
        // form's: with the form's font as the application's while the controls are made, the
        // first frame loads one font where it would load two.
        const QFont application = QApplication::font();
        QApplication::setFont(font());
        ui->setupUi(this);
        QApplication::setFont(application);
    }
    m_info = new PacedLabel(ui->info);
    setWindowTitle(WindowTexts::MainWindowCaption);
    setWindowIcon(windowIconFromResources());
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

    applyDisplayFonts();
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
    connectSession();
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
    // Set before the controls are made, which take it as they are made rather than each hearing
    // of a change.
    QFont font(FormFontFamily);
    font.setPointSizeF(FormFontPoints);
    // Asked of the font list, not of a loaded font: loading one to ask would cost the first
    // frame a font it never shows.
    if (!QFontDatabase::hasFamily(FormFontFamily)) {
        font.setStretch(SubstituteStretch);
        // The stand-in asked for by name: asked for by the missing name, Qt would look up
        // fontconfig's fallbacks for both names (about 4 % of the work before the first frame)
        // to load the same font.
        // Looked up in the list, not with hasFamily(), which asks fontconfig for aliases of
        // the name (0.9 M instructions more).
        const QString standIn = QFont::substitute(FormFontFamily);
        if (QFontDatabase::families().contains(standIn, Qt::CaseInsensitive))
            font.setFamily(standIn);
    }
    setFont(font); // the children inherit it
}

void Form1::applyDisplayFonts()
{
    QFont display = font();
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
    // No port is open: the line settings are free. Port, speed and framing are taken from the
    // options at each click.
    setLineSettingsEnabled(true);
}

LineSettings Form1::ApplyLineSettings() const
{
    // The speed options are in the table's order.
    return {LineSpeed(qMax(0, m_opBau->checkedId())),
            ui->OpSb_0->isChecked() ? StopBits::One : StopBits::Two};
}

int Form1::selectedPort() const
{
    return qMax(0, m_opCan->checkedId()) + 1;
}

// --- Line settings -------------------------------------------------------------------------
// The options are read at each click (ApplyLineSettings, parityMode, selectedPort): a handler
// only keeps the data bits in step with the parity.

void Form1::OpCan_Click(int)
{}

void Form1::OpBau_Click(int)
{}

void Form1::OpDb_Click(int)
{}

void Form1::OpSb_Click(int)
{}

void Form1::OpNon_Click()
{
    if (ui->OpNon->isChecked())
        ui->OpDb_1->setChecked(true);
}

void Form1::OpOdd_Click()
{
    if (ui->OpOdd->isChecked())
        ui->OpDb_0->setChecked(true);
}

void Form1::OpEvn_Click()
{
    if (ui->OpEvn->isChecked())
        ui->OpDb_0->setChecked(true);
}

// --- Operator actions ----------------------------------------------------------------------

void Form1::Configuro_Click()
{
    // Refused before the port is opened, nothing sent, when the list cannot be sent as it stands
    // (the file unreadable, the list empty or too long, the ring count unsound where the list
    // needs one). A click while a dialogue runs is refused as the others are.
    if (m_line.idle()) {
        const CommandListResult list = BuildCommandList();
        if (!list.ok()) {
            showError(DialogueTexts::listRefusal(list, DialogueTexts::ListMoment::Click,
                                                 WindowTexts::listHint(list.problem)));
            return;
        }
    }
    begin(OperatorActions::Configurar);
}

void Form1::Desconf_Click()
{
    begin(OperatorActions::Desconfigurar);
}

void Form1::Pregunto_Click()
{
    begin(OperatorActions::Preguntar);
}

void Form1::identifyModem()
{
    begin(Dialogue::IdentifyWake);
}

void Form1::begin(Dialogue::State first)
{
    if (!m_line.idle()) {
        // The running dialogue's port is open: refused here, without touching it.
        showError(WindowTexts::PortAlreadyOpen.arg(
            WindowTexts::portName(m_running.portNumber, m_running.address.text())));
        return;
    }
    if (QString why; !m_lines.ready(&why)) {
        showError(WindowTexts::LinesUnavailable.arg(why));
        return;
    }
    const int port = selectedPort();
    const PortChoice choice = PortAssignments::choiceFor(port);
    if (choice.source == PortChoice::Source::Unreadable) {
        showError(StoreTexts::portAssignmentUnreadable(port, choice.unread));
        return;
    }
    m_running.first = first;
    m_running.portNumber = port;
    m_running.address = m_lines.parseAddress(choice.device);
    m_running.settings = ApplyLineSettings();
    m_running.parity = parityMode();
    // Taken now: the options that made them wait until the dialogue has ended.
    setLineSettingsEnabled(false);
    m_portOpened = false;
    m_line.start(m_running);
}

void Form1::LaLista_Click()
{
    // Modal and without owner; a running dialogue goes on behind it.
    cfglis editor;
    editor.exec();
}

void Form1::Form_KeyDown(int key, Qt::KeyboardModifiers)
{
    if (key == Qt::Key_Escape && isIdle())
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
    // tick or reply of it comes after the window has gone (and its port's lock file goes).
    m_line.stop();
    QWidget::closeEvent(event);
}

void Form1::refreshPortTips()
{
    for (QAbstractButton *port : m_opCan->buttons())
        port->setToolTip(WindowTexts::portUses(
            PortAssignments::choiceFor(m_opCan->id(port) + 1, PortAssignments::IniWait::No)));
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

// --- What the session tells ------------------------------------------------------------------

void Form1::connectSession()
{
    connect(&m_line, &SessionHandle::connecting, this, [this] {
        // The settings wait, as during a dialogue; the window stays live.
        m_connecting = true;
        m_infoBeforeConnecting = m_info->latest();
        setInfo(WindowTexts::InfoConnecting.arg(m_running.address.text()));
    });
    connect(&m_line, &SessionHandle::portOpened, this, [this] {
        // From here on the dialogue's captions are those of a local port.
        if (std::exchange(m_connecting, false))
            m_info->setText(m_infoBeforeConnecting);
        m_portOpened = true;
    });
    connect(&m_line, &SessionHandle::stateChanged, this, [this](Dialogue::State state) {
        if (state == Dialogue::Idle)
            return; // told with the end, once it has been shown
        if (const QString caption = DialogueTexts::infoOnEntering(state); !caption.isNull())
            setInfo(caption);
        m_state = state;
        emit stateChanged(state);
    });
    connect(&m_line, &SessionHandle::commandSent, this, [this](const QString &command) {
        // The identification names each inquiry as it goes.
        if (m_state == Dialogue::IdentifyModeCheck || m_state == Dialogue::IdentifyAsk)
            setInfo(DialogueTexts::sendingCaption(command));
    });
    connect(&m_line, &SessionHandle::entrySent, this,
            [this](qsizetype index) { showEntry(m_list.entries.value(index)); });
    connect(&m_line, &SessionHandle::ringsRead, this,
            [this](qint16 rings) { setAnsw1(DialogueTexts::ringsCaption(rings)); });
    connect(&m_line, &SessionHandle::speedRead, this,
            [this](std::optional<qint16> code) { setAnsw2(DialogueTexts::speedCaption(code)); });
    connect(&m_line, &SessionHandle::listNeeded, this, &Form1::listNeeded);
    connect(&m_line, &SessionHandle::ended, this, &Form1::dialogueEnded);
}

void Form1::listNeeded()
{
    // Read now, from what the window shows now: a list saved in the editor, or a ring count
    // typed, since the click counts.
    m_list = BuildCommandList();
    m_line.giveList(m_list);
}

void Form1::dialogueEnded(const DialogueResult &result)
{
    // One box at a time: an end heard while a box of the window is open waits for it.
    if (m_boxOpen) {
        m_pendingEnd = result;
        return;
    }
    m_info->flush();
    if (std::exchange(m_connecting, false))
        m_info->setText(m_infoBeforeConnecting);
    if (DialogueTexts::clearsInfo(result))
        setInfo(QString());
    // A port that never opened locked nothing: the settings are free before its box.
    if (!m_portOpened)
        setLineSettingsEnabled(true);
    switch (DialogueTexts::boxFor(result)) {
    case DialogueTexts::Box::None:
        break;
    case DialogueTexts::Box::Error:
        showError(result.kind == DialogueResult::Kind::ListRefused
                      ? DialogueTexts::listRefusal(m_list, DialogueTexts::ListMoment::ListStep,
                                                   WindowTexts::listHint(m_list.problem))
                      : DialogueTexts::message(result));
        break;
    case DialogueTexts::Box::Information:
        showInformation(DialogueTexts::message(result));
        break;
    case DialogueTexts::Box::Identification: {
        m_transcript.identificationShown();
        // Like the boxes: modal to this window.
        IdentificationWindow window(result.identification, this);
        window.setWindowModality(Qt::WindowModal);
        inBox([&window] { window.exec(); });
        break;
    }
    }
    m_list = CommandListResult();
    setLineSettingsEnabled(true);
    m_state = Dialogue::Idle;
    emit ended(result);
    emit stateChanged(Dialogue::Idle);
}

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

void Form1::showEntry(const QString &body)
{
    // Formatted when painted, at most once a frame, not once per entry.
    m_info->setText(body, [](const QString &raw) {
        return TextUtils::LabelText(DialogueTexts::sendingCaption(raw, true));
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
    m_transcript.boxShown(true, text);
    inBox([this, &text] { MessageBox::showStop(this, text); });
}

void Form1::showInformation(const QString &text)
{
    m_transcript.boxShown(false, text);
    inBox([this, &text] { MessageBox::showInformation(this, text); });
}

void Form1::inBox(const std::function<void()> &show)
{
    m_info->flush();
    {
        const QScopedValueRollback<bool> open(m_boxOpen, true);
        show();
    }
    m_transcript.boxClosed();
    // The end of a dialogue heard meanwhile is shown now, from the event loop.
    if (m_pendingEnd)
        QMetaObject::invokeMethod(
            this, [this] { dialogueEnded(*std::exchange(m_pendingEnd, std::nullopt)); },
            Qt::QueuedConnection);
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
    const StoreResult read = m_storedList.load(&stored);
    const SpeedRow &speed = LineSpeeds::row(ApplyLineSettings().speed);
    return CommandListBuilder::Build(read, stored, ui->llam->text(), speed.s37Code,
                                     speed.modulationCode);
}
