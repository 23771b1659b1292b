// SPDX-License-Identifier: GPL-3.0-or-later
// A window asked for again comes back: minimized or closed, the line's record shows again as
// the same window.
#include "transcript.h"
#include "transcriptwindow.h"

#include <QTest>

class TestBringToFront : public QObject
{
    Q_OBJECT

private slots:
    void windowAskedForAgainComesBack()
    {
        QWidget owner;
        Transcript transcript;
        TranscriptWindow *window = TranscriptWindow::showFor(transcript, &owner);
        QVERIFY(window->isVisible());
        window->showMinimized();
        QCOMPARE(TranscriptWindow::showFor(transcript, &owner), window);
        QVERIFY(!window->isMinimized());
        QVERIFY(window->isVisible());
        window->close();
        QCOMPARE(TranscriptWindow::showFor(transcript, &owner), window);
        QVERIFY(window->isVisible());
    }
};

QTEST_MAIN(TestBringToFront)
#include "tst_bringtofront.moc"
