// SPDX-License-Identifier: GPL-3.0-or-later
// A label that changes at most once a frame. A long command list changes the status line
// thousands of times a second; nobody can read that, and repainting each one costs the
// dialogue time. The first change shows at once, later ones within a frame: the latest wins.
// Lives on the window's thread, with its label.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QLabel;

class PacedLabel : public QObject
{
public:
    explicit PacedLabel(QLabel *label);

    using Format = QString (*)(const QString &);

    void setText(const QString &text) { setText(text, nullptr); }
    // Like setText(format(raw)), with `format` applied only when the label is painted or read:
    // most texts of a fast list are replaced before anyone could see them.
    void setText(const QString &raw, Format format);
    // Shows the latest text now (before a box covers the window, say).
    void flush();
    // What the label shows, or will show within a frame.
    QString latest() const { return m_format ? m_format(m_latest) : m_latest; }

private:
    void show();

    QLabel *m_label;
    QTimer m_frame;
    QString m_latest;
    Format m_format = nullptr;
    bool m_waiting = false;
};
