// SPDX-License-Identifier: GPL-3.0-or-later
#include "unexpectedboxguard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTest>

namespace {

int expecting = 0;

// Qt Core only, so that every test can carry it: the box is known by its class name, its
// text read through its property, and it is closed through its slot.
class Guard : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && expecting == 0 && watched->inherits("QMessageBox")) {
            const QByteArray text =
                "unexpected message box: " + watched->property("text").toString().toUtf8();
            QMetaObject::invokeMethod(watched, "reject", Qt::QueuedConnection);
            QTest::qFail(text.constData(), __FILE__, __LINE__);
        }
        return false;
    }
};

void installGuard()
{
    auto *guard = new Guard;
    guard->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(guard);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installGuard)

ExpectedBoxes::ExpectedBoxes()
{
    ++expecting;
}

ExpectedBoxes::~ExpectedBoxes()
{
    --expecting;
}

bool ExpectedBoxes::any()
{
    return expecting > 0;
}
