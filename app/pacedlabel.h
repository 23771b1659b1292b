// SPDX-License-Identifier: GPL-3.0-or-later
// A label that changes at most once a frame. A long command list changes the status line
// thousands of times a second; nobody can read that, and repainting each one costs the
// dialogue time. The first change shows at once, later ones within a frame: the latest wins.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QLabel;

class PacedLabel : public QObject
{
public:
    explicit PacedLabel(QLabel *label);

    void setText(const QString &text);
    // Shows the latest text now (before a box covers the window, say).
    void flush();
    // What the label shows, or will show within a frame.
    QString latest() const { return m_latest; }

private:
    void show();

    QLabel *m_label;
    QTimer m_frame;
    QString m_latest;
    bool m_waiting = false;
};
