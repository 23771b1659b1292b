// SPDX-License-Identifier: GPL-3.0-or-later
#include "portswindow.h"

#include "bringtofront.h"
#include "form1.h"
#include "messagebox.h"
#include "portassignments.h"
#include "storetexts.h"
#include "windowtexts.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// What the operator looks for first comes first: the device, its port, whether it is free.
enum DeviceColumn {
    Device,
    Ports,
    Holder,
    StableName,
    Description,
    Manufacturer,
    UsbId,
    SerialNumber
};

QString holderText(const std::optional<PortHolder> &holder)
{
    if (!holder)
        return WindowTexts::PortsFree;
    if (holder->openOnly)
        return WindowTexts::PortsHeldOpen.arg(PortLock::describe(*holder));
    if (!holder->lockFile.isEmpty())
        return WindowTexts::PortsHeldByLockFile.arg(PortLock::describe(*holder), holder->lockFile);
    if (holder->pid > 0)
        return WindowTexts::PortsHeldByFlock.arg(PortLock::describe(*holder));
    return WindowTexts::PortsHeldByUnknown;
}

QTableWidget *makeTable(const QString &columns, const char *name)
{
    auto *table = new QTableWidget;
    table->setObjectName(QLatin1String(name));
    const QStringList headers = columns.split(QLatin1Char('|'));
    table->setColumnCount(int(headers.size()));
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setWordWrap(false);
    return table;
}

// Every column as wide as its contents but the last, which takes the rest of the width.
void fitColumns(QTableWidget *table)
{
    for (int column = 0; column + 1 < table->columnCount(); ++column)
        table->resizeColumnToContents(column);
}

void setRow(QTableWidget *table, int row, const QStringList &cells)
{
    for (int column = 0; column < cells.size(); ++column) {
        QTableWidgetItem *item = table->item(row, column);
        if (!item) {
            item = new QTableWidgetItem;
            table->setItem(row, column, item);
        }
        item->setText(cells.at(column));
        item->setToolTip(cells.at(column)); // long names and paths are cut in the cell
    }
}

QString assignFailure(const StoreResult &failure)
{
    if (failure.kind == StoreResult::Kind::NoSuchPort)
        return WindowTexts::PortNumberInvalid.arg(failure.port);
    return WindowTexts::PortAssignFailed.arg(QString::number(failure.port),
                                             QDir::toNativeSeparators(failure.file),
                                             StoreTexts::whyNotSaved(failure));
}

} // namespace

PortsWindow::PortsWindow(QWidget *parent, const QString &stableNameFolder, const QString &ttyFolder,
                         const LineAccess &lines)
    : QWidget(parent, Qt::Window), m_stableNameFolder(stableNameFolder), m_ttyFolder(ttyFolder),
      m_parse(lines.parseAddress)
{
    setWindowTitle(WindowTexts::PortsCaption);
    buildLayout();

    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, &PortsWindow::refresh);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { m_settle.start(); });
    m_poll.setInterval(PollMs);
    connect(&m_poll, &QTimer::timeout, this, &PortsWindow::refresh);

    refresh();
}

void PortsWindow::buildLayout()
{
    auto *devicesBox = new QGroupBox(WindowTexts::PortsDevicesTitle);
    m_table = makeTable(WindowTexts::PortsDeviceColumns, "devices");
    m_typedPath = new QLineEdit;
    m_typedPath->setObjectName(QStringLiteral("typedPath"));
    auto *add = new QPushButton(WindowTexts::PortsAdd);
    add->setObjectName(QStringLiteral("add"));
    auto *typedRow = new QHBoxLayout;
    typedRow->addWidget(new QLabel(WindowTexts::PortsTypedLabel));
    typedRow->addWidget(m_typedPath, 1);
    typedRow->addWidget(add);
    auto *devicesLayout = new QVBoxLayout(devicesBox);
    devicesLayout->addWidget(m_table);
    devicesLayout->addLayout(typedRow);

    auto *assignmentsBox = new QGroupBox(WindowTexts::PortsAssignmentsTitle);
    m_assignments = makeTable(WindowTexts::PortsAssignmentColumns, "assignments");
    m_assignments->setRowCount(PortAssignments::PortCount);
    m_assignments->setSelectionMode(QAbstractItemView::NoSelection);
    m_assignments->setFocusPolicy(Qt::NoFocus);
    // Four rows, always whole: the devices list takes the rest of the height.
    m_assignments->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_assignments->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    m_assignments->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_port = new QComboBox;
    m_port->setObjectName(QStringLiteral("port"));
    for (int port = 1; port <= PortAssignments::PortCount; ++port)
        m_port->addItem(WindowTexts::PortsPortChoice.arg(port), port);
    m_assign = new QPushButton(WindowTexts::PortsAssign);
    m_assign->setObjectName(QStringLiteral("assign"));
    auto *clear = new QPushButton(WindowTexts::PortsClear);
    clear->setObjectName(QStringLiteral("clear"));
    auto *assignRow = new QHBoxLayout;
    assignRow->addWidget(m_port);
    assignRow->addWidget(m_assign);
    assignRow->addWidget(clear);
    assignRow->addStretch(1);
    auto *hint = new QLabel(WindowTexts::PortsHint);
    hint->setWordWrap(true);
    auto *assignmentsLayout = new QVBoxLayout(assignmentsBox);
    assignmentsLayout->addWidget(m_assignments);
    assignmentsLayout->addLayout(assignRow);
    assignmentsLayout->addWidget(hint);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(devicesBox, 1);
    layout->addWidget(assignmentsBox);
    resize(960, 520);

    connect(add, &QPushButton::clicked, this, [this] { addTyped(m_typedPath->text().trimmed()); });
    connect(m_typedPath, &QLineEdit::returnPressed, add, &QPushButton::click);
    connect(m_assign, &QPushButton::clicked, this, &PortsWindow::assignSelected);
    connect(clear, &QPushButton::clicked, this, &PortsWindow::clearPort);
    connect(m_table, &QTableWidget::itemSelectionChanged, this,
            [this] { m_assign->setEnabled(!selectedDevice().isEmpty()); });
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

PortsWindow *PortsWindow::showFor(Form1 &window, const QString &stableNameFolder,
                                  const QString &ttyFolder)
{
    auto *ports = window.findChild<PortsWindow *>(QString(), Qt::FindDirectChildrenOnly);
    if (QString why; !ports && !window.lines().ready(&why)) {
        MessageBox::showStop(&window, WindowTexts::LinesUnavailable.arg(why));
        return nullptr;
    }
    if (!ports) {
        ports = new PortsWindow(&window, stableNameFolder, ttyFolder, window.lines());
        connect(ports, &PortsWindow::assignmentsChanged, &window, &Form1::refreshPortTips);
    }
    bringToFront(*ports);
    return ports;
}

bool PortsWindow::isNetwork(const QString &device) const
{
    return m_parse(device).isNetwork();
}

QString PortsWindow::identity(const QString &device) const
{
    return isNetwork(device) ? device : QFileInfo(device).canonicalFilePath();
}

bool PortsWindow::addTyped(const QString &path)
{
    // A terminal server is listed as typed, never looked for on this machine.
    const DeviceAddress address = m_parse(path);
    const std::optional<QString> refusal =
        address.isNetwork() ? (address.isValid() ? std::nullopt : std::optional(address.error()))
                            : SerialDevices::refusalToAdd(path);
    if (refusal) {
        MessageBox::showStop(this, *refusal);
        return false;
    }
    if (!m_typed.contains(path))
        m_typed << path;
    m_typedPath->clear();
    refresh();
    const QString wanted = identity(path);
    for (int row = 0; row < m_devices.size(); ++row) {
        if (identity(m_devices.at(row).device) == wanted) {
            m_table->selectRow(row);
            return true;
        }
    }
    return false;
}

void PortsWindow::refresh()
{
    QStringList paths, addresses;
    for (const QString &typed : std::as_const(m_typed))
        (isNetwork(typed) ? addresses : paths) << typed;
    QList<SerialDeviceInfo> devices = SerialDevices::list(paths, m_stableNameFolder, m_ttyFolder);
    for (const QString &typed : std::as_const(addresses)) {
        SerialDeviceInfo info;
        info.device = typed;
        info.description = WindowTexts::PortsTerminalServer;
        info.typed = true;
        devices << info;
    }
    // Unchanged lists leave the table alone: no flicker, selection and scrolling kept.
    if (devices != m_devices || m_table->rowCount() != devices.size()) {
        m_devices = std::move(devices);
        fillDevices();
    }
    fillAssignments();
    if (isVisible())
        watchFolders(); // the stable-name folder appears with the first USB device
}

void PortsWindow::fillDevices()
{
    const QString selected = selectedDevice();
    m_table->setRowCount(int(m_devices.size()));
    for (int row = 0; row < m_devices.size(); ++row) {
        const SerialDeviceInfo &info = m_devices.at(row);
        setRow(m_table, row,
               {info.device, QString(), holderText(info.holder), info.stableName, info.description,
                info.manufacturer, info.usbId, info.serialNumber});
        if (info.device == selected)
            m_table->selectRow(row);
    }
    if (m_table->selectedItems().isEmpty())
        m_table->clearSelection();
    fitColumns(m_table);
    m_assign->setEnabled(!selectedDevice().isEmpty());
}

void PortsWindow::fillAssignments()
{
    QStringList usedBy(m_devices.size());
    for (int port = 1; port <= PortAssignments::PortCount; ++port) {
        // Looked at every few seconds: a save another program is making is not waited for.
        const PortChoice choice = PortAssignments::choiceFor(port, PortAssignments::IniWait::No);
        const QString canonical = identity(choice.device);
        const QString device = canonical.isEmpty() && !choice.device.isEmpty()
                                   ? WindowTexts::PortsMissing.arg(choice.device)
                                   : choice.device;
        setRow(m_assignments, port - 1,
               {QString::number(port), device, WindowTexts::portSource(choice)});
        for (int row = 0; row < m_devices.size() && !canonical.isEmpty(); ++row) {
            if (identity(m_devices.at(row).device) == canonical) {
                QString &ports = usedBy[row];
                ports +=
                    (ports.isEmpty() ? QString() : QStringLiteral(", ")) + QString::number(port);
            }
        }
    }
    for (int row = 0; row < m_devices.size(); ++row) {
        if (QTableWidgetItem *item = m_table->item(row, Ports))
            item->setText(usedBy.at(row));
    }
    fitColumns(m_assignments);
}

void PortsWindow::watchFolders()
{
    QStringList wanted = {QStringLiteral("/dev"), m_stableNameFolder};
    for (const QString &folder : wanted) {
        if (QFileInfo(folder).isDir() && !m_watcher.directories().contains(folder))
            m_watcher.addPath(folder);
    }
}

void PortsWindow::showEvent(QShowEvent *event)
{
    refresh();
    watchFolders();
    m_poll.start();
    QWidget::showEvent(event);
}

void PortsWindow::hideEvent(QHideEvent *event)
{
    m_poll.stop();
    m_settle.stop();
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    QWidget::hideEvent(event);
}

QString PortsWindow::selectedDevice() const
{
    const QList<QTableWidgetItem *> items = m_table->selectedItems();
    if (items.isEmpty())
        return QString();
    const int row = items.first()->row();
    return row < m_devices.size() ? m_devices.at(row).device : QString();
}

void PortsWindow::assignSelected()
{
    const QString device = selectedDevice();
    if (device.isEmpty()) {
        MessageBox::showStop(this, WindowTexts::PortsNothingSelected);
        return;
    }
    for (const SerialDeviceInfo &info : std::as_const(m_devices)) {
        if (info.device == device)
            store(m_port->currentData().toInt(), info.preferredName());
    }
}

void PortsWindow::clearPort()
{
    store(m_port->currentData().toInt(), QString());
}

void PortsWindow::store(int port, const QString &device)
{
    const StoreResult stored = PortAssignments::assign(port, device);
    if (!stored)
        MessageBox::showStop(this, assignFailure(stored));
    fillAssignments();
    if (stored)
        emit assignmentsChanged();
}
