// SPDX-License-Identifier: GPL-3.0-or-later
// The fonts as a fresh Debian 12 with only the Liberation fonts gives them: there fontconfig
// answers "Sans Serif" with Liberation Mono, and Qt's boxes and menus came out monospaced.
// fontconfig is pointed at the Liberation folder alone before the application starts.
#include "applicationsetup.h"
#include "form1.h"

#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString LiberationFolder = QStringLiteral("/usr/share/fonts/truetype/liberation2");

} // namespace

class TestApplicationFonts : public QObject
{
    Q_OBJECT

private slots:
    void boxesMenusAndTheFormAreProportional()
    {
        if (!QDir(LiberationFolder).exists())
            QSKIP("fonts-liberation2 is not installed");
        ApplicationSetup::InstallFontSubstitutes();
        QMessageBox box(QMessageBox::Information, QStringLiteral("Tavoli"), QStringLiteral("x"));
        QMenu menu;
        for (QWidget *widget : {static_cast<QWidget *>(&box), static_cast<QWidget *>(&menu)}) {
            const QFontInfo info(widget->font());
            QVERIFY2(!info.fixedPitch(), qPrintable(info.family()));
        }
        Form1 form; // its own font, which must stay what it was
        QCOMPARE(QFontInfo(form.font()).family(), QStringLiteral("Liberation Sans"));
    }
};

int main(int argc, char *argv[])
{
    QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("fonts.conf")));
    if (!config.open(QIODevice::WriteOnly))
        return 1;
    config.write(QStringLiteral("<?xml version=\"1.0\"?><fontconfig><dir>%1</dir>"
                                "<include ignore_missing=\"yes\">/etc/fonts/conf.d</include>"
                                "<cachedir>%2</cachedir></fontconfig>")
                     .arg(LiberationFolder, dir.filePath(QStringLiteral("cache")))
                     .toUtf8());
    config.close();
    qputenv("FONTCONFIG_FILE", config.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    TestApplicationFonts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_applicationfonts.moc"
