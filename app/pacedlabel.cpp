// SPDX-License-Identifier: GPL-3.0-or-later
#include "pacedlabel.h"

#include "accessiblenames.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include <algorithm>
#include <cmath>

PacedLabel::PacedLabel(QLabel *label) : QObject(label), m_label(label)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const qreal hz = screen && screen->refreshRate() > 1 ? screen->refreshRate() : 60;
    m_frame.setSingleShot(true);
    m_frame.setInterval(std::clamp(int(std::lround(1000 / hz)), 4, 50));
    connect(&m_frame, &QTimer::timeout, this, [this] {
        if (m_waiting)
            show();
    });
}

void PacedLabel::setText(const QString &raw, Format format)
{
    m_latest = raw;
    m_format = format;
    if (m_frame.isActive())
        m_waiting = true;
    else
        show();
}

void PacedLabel::flush()
{
    if (m_waiting)
        show();
}

void PacedLabel::show()
{
    m_waiting = false;
    const QString text = latest();
    if (m_label->text() != text) {
        m_label->setText(text);
        AccessibleNames::valueShown(*m_label);
    }
    m_frame.start();
}
