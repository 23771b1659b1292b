// SPDX-License-Identifier: GPL-3.0-or-later
// The guard every test carries: a message box nobody expects fails the running test at once,
// naming the box, and is closed, so the run goes on to the next test instead of hanging. This
// program is meant to fail that way; CTest passes it only on that output (see CMakeLists).
#include <QMessageBox>
#include <QTest>

class TestBoxGuard : public QObject
{
    Q_OBJECT
private slots:
    void unexpectedBox() { QMessageBox::warning(nullptr, "Tavoli", "Caja que nadie espera"); }
    void runGoesOn() {}
};

QTEST_MAIN(TestBoxGuard)
#include "tst_boxguard.moc"
