// SPDX-License-Identifier: GPL-3.0-or-later
// A device the user may not open: the advice to join its group only where that group may read
// and write it and the user is not in it. The real program runs as nobody against a
// pseudo-terminal whose owner, group and mode the test sets, so it needs root.
#include "serialtexts.h"

#include "pseudoterminal.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

class TestPortPermission : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (::geteuid() != 0)
            QSKIP("Needs root, to run the program as another user.");
    }
    void refusal_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("userInGroup");
        QTest::addColumn<bool>("joinGroup"); // the advice to join it, not the mode's words
        QTest::newRow("group may use it, user not in it") << 0660 << false << true;
        // The group's bits count for its members, even where other users may use it.
        QTest::newRow("user in a group that may not use it") << 0606 << true << false;
        QTest::newRow("group may only read it, user not in it") << 0640 << false << false;
    }
    void refusal()
    {
        QFETCH(int, mode);
        QFETCH(bool, userInGroup);
        QFETCH(bool, joinGroup);
        // A group that is not dialout, to see that the device's own is the one named.
        const struct group *uucp = ::getgrnam("uucp");
        if (!uucp)
            QSKIP("No group uucp on this system.");
        const gid_t group = uucp->gr_gid;
        PseudoTerminal pty;
        QVERIFY(pty.isValid());
        const QByteArray path = pty.slavePath().toLocal8Bit();
        QVERIFY(::chown(path.constData(), 0, group) == 0 && ::chmod(path.constData(), mode) == 0);

        QProcess tavoli;
        tavoli.setChildProcessModifier([group, userInGroup] {
            const gid_t nobody = 65534;
            const gid_t groups[] = {nobody, group};
            if (::setgroups(userInGroup ? 2 : 1, groups) != 0 || ::setgid(nobody) != 0
                || ::setuid(nobody) != 0)
                ::_exit(99);
        });
        tavoli.setWorkingDirectory(QStringLiteral("/"));
        tavoli.start(QStringLiteral(TAVOLI_PROGRAM),
                     {"query", "--json", "--device", pty.slavePath()});
        QVERIFY(tavoli.waitForFinished(20000));
        QCOMPARE(tavoli.exitCode(), 3);
        const QString error = QJsonDocument::fromJson(tavoli.readAllStandardOutput())
                                  .object()
                                  .value("error")
                                  .toString();
        const QString expected =
            joinGroup
                ? SerialTexts::PortNoPermission.arg(pty.slavePath(), "uucp")
                : SerialTexts::PortNoPermissionNotGroup.arg(
                    pty.slavePath(), QString::number(mode, 8).rightJustified(4, u'0'), "uucp");
        QCOMPARE(error, expected);
    }
};

QTEST_GUILESS_MAIN(TestPortPermission)
#include "tst_portpermission.moc"
