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

void PacedLabel::setText(const QString &text)
{
    m_latest = text;
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
    if (m_label->text() != m_latest) {
        m_label->setText(m_latest);
        AccessibleNames::valueShown(*m_label);
    }
    m_frame.start();
}
