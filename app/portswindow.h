// SPDX-License-Identifier: GPL-3.0-or-later
// "Puertos serie": the machine's serial devices (what the system says of each, its stable
// name, which other program holds it) and which device each port number uses, with the means
// to change that. Non-modal; the main window keeps one (showFor). While it is on screen it
// follows devices that come and go: /dev and the stable-name folder are watched, and a light
// poll catches programs taking or releasing a device. Nothing here opens a device. Terminal
// servers' addresses are told apart through the window's LineAccess, which must be ready.
// Lives on the window's thread.
#pragma once

#include "lineaccess.h"
#include "serialdevices.h"

#include <QFileSystemWatcher>
#include <QList>
#include <QStringList>
#include <QTimer>
#include <QWidget>

class Form1;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

class PortsWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr int PollMs = 2000;
    static constexpr int SettleMs = 300; // udev adds the stable names just after the device

    explicit PortsWindow(QWidget *parent = nullptr,
                         const QString &stableNameFolder = SerialDevices::StableNameFolder,
                         const QString &ttyFolder = SerialDevices::SystemTtyFolder,
                         const LineAccess &lines = LineAccess::standard());

    // Shows the main window's one ports window, made at first use (with the given folders);
    // the port options' tooltips follow what is assigned in it. Null, after a stop box, when
    // the window's lines cannot be had.
    static PortsWindow *showFor(Form1 &window,
                                const QString &stableNameFolder = SerialDevices::StableNameFolder,
                                const QString &ttyFolder = SerialDevices::SystemTtyFolder);

    // Adds a device the system does not list (a pseudo-terminal); a path that is no device
    // is refused in a stop box. True when the device is in the table.
    bool addTyped(const QString &path);
    // Reads devices, holders and assignments again.
    void refresh();
    const QList<SerialDeviceInfo> &devices() const { return m_devices; }
    bool isFollowingDevices() const { return m_poll.isActive(); }

signals:
    // A port's device was assigned or set back to its default.
    void assignmentsChanged();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // One device whoever names it: a path once links are resolved (empty when it is missing), an
    // address as written.
    QString identity(const QString &device) const;
    bool isNetwork(const QString &device) const;
    void buildLayout();
    void fillDevices();
    void fillAssignments();
    void watchFolders();
    void assignSelected();
    void clearPort();
    void store(int port, const QString &device);
    QString selectedDevice() const;

    const QString m_stableNameFolder;
    const QString m_ttyFolder;
    const LineAccess::ParseAddress m_parse;
    QStringList m_typed;
    QList<SerialDeviceInfo> m_devices;

    QTableWidget *m_table = nullptr;
    QTableWidget *m_assignments = nullptr;
    QLineEdit *m_typedPath = nullptr;
    QComboBox *m_port = nullptr;
    QPushButton *m_assign = nullptr;

    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QTimer m_poll;
};
