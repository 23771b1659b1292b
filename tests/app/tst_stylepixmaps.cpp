// SPDX-License-Identifier: GPL-3.0-or-later
// The group box frame read ahead is the one Qt then paints with: found under Qt's own key, not
// read a second time (which would load every image plugin again before the first frame).
#include "stylepixmaps.h"

#include <QApplication>
#include <QPixmap>
#include <QPixmapCache>
#include <QTest>

class TestStylePixmaps : public QObject
{
    Q_OBJECT
private slots:
    void foundWhereQtLooks();
    void missingFileLeavesNothing();
};

void TestStylePixmaps::foundWhereQtLooks()
{
    const QString frame =
        QStringLiteral(":/qt-project.org/styles/commonstyle/images/fusion_groupbox.png");
    QPixmapCache::clear();
    QVERIFY(StylePixmaps::preloadPng(frame));
    QPixmap cached;
    QVERIFY(QPixmapCache::find(StylePixmaps::cacheKeyFor(frame), &cached));
    const QPixmap loaded(frame);
    QVERIFY(!loaded.isNull());
    QCOMPARE(loaded.cacheKey(), cached.cacheKey());
}

void TestStylePixmaps::missingFileLeavesNothing()
{
    const QString missing = QStringLiteral(":/no/such/frame.png");
    QVERIFY(!StylePixmaps::preloadPng(missing));
    QPixmap cached;
    QVERIFY(!QPixmapCache::find(StylePixmaps::cacheKeyFor(missing), &cached));
}

QTEST_MAIN(TestStylePixmaps)
#include "tst_stylepixmaps.moc"
