// SPDX-License-Identifier: GPL-3.0-or-later
#include "inilock.h"
#include "inistore.h"
#include "modemprotocol.h"
#include "storetexts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <linux/capability.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <memory>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using B = QByteArray;

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(bytes) == bytes.size();
}

// Root creates files in any folder unless its effective set (this thread's) lacks the
// capabilities that override a folder's mode.
bool setFolderOverride(bool on)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2]{};
    if (syscall(SYS_capget, &header, caps) != 0)
        return false;
    const quint32 bits = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
    caps[0].effective =
        on ? caps[0].effective | (bits & caps[0].permitted) : caps[0].effective & ~bits;
    return syscall(SYS_capset, &header, caps) == 0;
}

// From now on this process dies the moment it makes one of these system calls, as if killed
// there.
bool dieAt(std::initializer_list<int> calls)
{
    std::vector<sock_filter> filter{BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr))};
    for (const int call : calls)
        filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __u32(call), 0, 1)),
            filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS));
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0
           && syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) == 0;
}

// A save cut off at its last step, with everything written and nothing in place yet.
bool dieAtRename()
{
    return dieAt({SYS_rename, SYS_renameat, SYS_renameat2});
}

IniStore storeAt(const QString &path, const QString &key = QStringLiteral("CmdAT"))
{
    IniStore store(key);
    store.setFileName(path);
    store.setSection(QStringLiteral("tavoli"));
    store.setFallback(QStringLiteral("FALLBACK"));
    return store;
}

// What the faces say of a failed save; empty for one that succeeded.
QString refusal(const StoreResult &saved)
{
    return saved ? QString() : StoreTexts::whyNotSaved(saved);
}

} // namespace

class TstIniStore : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_temp;
    QString m_path;

    // What lies in the folder besides the save lock, which stays there by design.
    QStringList entries() const
    {
        QStringList found = QDir(m_temp->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
        found.removeOne(QStringLiteral("TAVOLI.INI") + IniLock::Suffix);
        return found;
    }

    // Makes the test folder refuse new files; false when this process can still create them.
    bool lockFolder()
    {
        if (chmod(QFile::encodeName(m_temp->path()).constData(), 0555) != 0
            || (geteuid() == 0 && !setFolderOverride(false)))
            return false;
        QFile probe(m_temp->filePath(QStringLiteral("probe")));
        return !probe.open(QIODevice::WriteOnly) || !probe.remove();
    }

private slots:
    void init()
    {
        m_temp = std::make_unique<QTemporaryDir>(); // a fresh, empty folder for every test
        QVERIFY(m_temp->isValid());
        m_path = m_temp->filePath(QStringLiteral("TAVOLI.INI"));
    }
    void cleanup()
    {
        if (geteuid() == 0)
            setFolderOverride(true);
        chmod(QFile::encodeName(m_temp->path()).constData(), 0700);
    }

    void readsWindowsFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected");
        QTest::newRow("CRLF, upper-case section, separators inside")
            << B("[TAVOLI]\r\nCmdAT=V0;S0=#;B0;+MS=V#,0\r\n") << "V0;S0=#;B0;+MS=V#,0";
        QTest::newRow("key letter case") << B("[Tavoli]\r\ncmdat=E0\r\n") << "E0";
        QTest::newRow("blanks around key and value")
            << B("[TAVOLI]\r\n  CmdAT \t=   V0;E0  \r\n") << "V0;E0";
        QTest::newRow("double quotes removed")
            << B("[TAVOLI]\r\nCmdAT=\"  V0 ; E0  \"\r\n") << "  V0 ; E0  ";
        QTest::newRow("single quotes removed") << B("[TAVOLI]\nCmdAT='V0'\n") << "V0";
        QTest::newRow("unmatched quote kept") << B("[TAVOLI]\nCmdAT=\"V0\n") << "\"V0";
        QTest::newRow("';' is no comment inside a value")
            << B("[TAVOLI]\r\nCmdAT=V0 ; not a comment\r\n") << "V0 ; not a comment";
        QTest::newRow("BOM and LF") << B("\xEF\xBB\xBF[TAVOLI]\nCmdAT=V0\n") << "V0";
        QTest::newRow("whole-line comments skipped")
            << B("[TAVOLI]\r\n;CmdAT=bad\r\n  # CmdAT=bad\r\nCmdAT=good\r\n") << "good";
        QTest::newRow("other sections first")
            << B("; top\r\n[Other]\r\nCmdAT=other\r\n\r\n[TAVOLI]\r\nX=1\r\nCmdAT=ours\r\n")
            << "ours";
        QTest::newRow("first of two keys") << B("[TAVOLI]\nCmdAT=one\nCMDAT=two\n") << "one";
        QTest::newRow("section left and repeated")
            << B("[TAVOLI]\nX=1\n[O]\nCmdAT=o\n[tavoli]\nCmdAT=2\n") << "2";
        QTest::newRow("header with blanks") << B("[ TAVOLI ]\nCmdAT=V0\n") << "V0";
        QTest::newRow("no final line ending") << B("[TAVOLI]\r\nCmdAT=V0") << "V0";
        QTest::newRow("CR line ends") << B("[TAVOLI]\rX=1\rCmdAT=V0\r") << "V0";
        QTest::newRow("empty value") << B("[TAVOLI]\r\nCmdAT=\r\n") << "";
        QTest::newRow("blank value") << B("[TAVOLI]\r\nCmdAT=   \r\n") << "";
        QTest::newRow("'=' inside the value") << B("[TAVOLI]\nCmdAT=S0=2;S37=9\n") << "S0=2;S37=9";
        QTest::newRow("UTF-8") << B("[TAVOLI]\nCmdAT=caf\xC3\xA9\n") << "café";
        QTest::newRow("invalid UTF-8 read as Latin-1") << B("[TAVOLI]\nCmdAT=caf\xE9\n") << "café";
        QTest::newRow("BOM starting a later line, Latin-1 file")
            << B("[X]\r\n\xEF\xBB\xBF[TAVOLI]\r\nCmdAT=caf\xE9\r\n") << "café";
        QTest::newRow("NUL bytes elsewhere") << B("\0\0\n[TAVOLI]\nCmdAT=V0\n", 21) << "V0";
        QTest::newRow("key before any section") << B("CmdAT=loose\r\n[TAVOLI]\r\n") << "FALLBACK";
        QTest::newRow("key without '='") << B("[TAVOLI]\r\nCmdAT\r\n") << "FALLBACK";
        QTest::newRow("prefix of the key") << B("[TAVOLI]\r\nCmdATX=1\r\n") << "FALLBACK";
        QTest::newRow("section absent") << B("[Other]\r\nCmdAT=V0\r\n") << "FALLBACK";
        QTest::newRow("empty file") << B() << "FALLBACK";
    }
    void readsWindowsFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        QVERIFY(writeBytes(m_path, file));
        QCOMPARE(storeAt(m_path).value(), expected);
    }

    // Absent, not a file, or too big to read: the fallback, and nothing created or changed;
    // read() tells the last two from an absent file. A place no one can write to: the reason,
    // naming the folder.
    void unusableFiles()
    {
        const auto readFailure = [](const QString &path) {
            QString text;
            const StoreResult read = storeAt(path).read(&text);
            if (text != QStringLiteral("FALLBACK"))
                return QStringLiteral("(text)");
            return read ? QString() : StoreTexts::whyUnreadable(read);
        };
        QCOMPARE(storeAt(m_path).value(), QStringLiteral("FALLBACK"));
        QCOMPARE(readFailure(m_path), QString());
        QCOMPARE(entries(), QStringList());
        QCOMPARE(refusal(storeAt(QString()).setValue("V0")), StoreTexts::IniNoFileName);

        QVERIFY(QDir(m_temp->path()).mkdir(QStringLiteral("DIR.INI")));
        const QString dir = m_temp->filePath(QStringLiteral("DIR.INI"));
        QCOMPARE(storeAt(dir).value(), QStringLiteral("FALLBACK"));
        QCOMPARE(readFailure(dir), StoreTexts::IniReadNotFile);
        QCOMPARE(refusal(storeAt(dir).setValue("V0")), StoreTexts::IniNotRegularFile);

        // A link that leads nowhere (or round in a loop) is there: unreadable, and left a link.
        const QString dangling = m_temp->filePath(QStringLiteral("LINK.INI"));
        const QString loop = m_temp->filePath(QStringLiteral("LOOP.INI"));
        QVERIFY(QFile::link(m_temp->filePath(QStringLiteral("gone")), dangling));
        QVERIFY(QFile::link(loop, loop));
        for (const QString &link : {dangling, loop}) {
            QVERIFY2(readFailure(link).startsWith(StoreTexts::IniReadLinkBroken.section(' ', 0, 3)),
                     qPrintable(readFailure(link)));
            QVERIFY(!storeAt(link).setValue("V0"));
            QVERIFY(QFileInfo(link).isSymLink());
        }

        const B huge = "[TAVOLI]\r\nCmdAT=V0\r\n" + B(2 * 1024 * 1024, '\x01');
        QVERIFY(writeBytes(m_path, huge));
        QCOMPARE(storeAt(m_path).value(), QStringLiteral("FALLBACK"));
        QVERIFY2(readFailure(m_path).contains(QStringLiteral("1048576")),
                 qPrintable(readFailure(m_path)));
        const QString reason = refusal(storeAt(m_path).setValue(QStringLiteral("E0")));
        QVERIFY2(reason.contains(QStringLiteral("1048576")), qPrintable(reason));
        QCOMPARE(readBytes(m_path), huge);

        // Root ignores permission bits: a folder that is a plain file fails for anyone.
        const QString plain = m_temp->filePath(QStringLiteral("plain"));
        QVERIFY(writeBytes(plain, "x"));
        const QString created =
            refusal(storeAt(plain + QStringLiteral("/TAVOLI.INI")).setValue("V0"));
        const QString lead = QStringLiteral("No se puede crear el archivo en la carpeta ");
        QVERIFY2(created.startsWith(lead + plain), qPrintable(created));
        QCOMPARE(readBytes(plain), B("x"));
    }

    // Value written in every row: NEW;V#,0. A null "before" means no file at all.
    void writeChangesOnlyTheKeyLine_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("key replaced, the rest byte for byte")
            << B("; Tavoli\r\n[Other]\r\nCmdAT=other\r\n\r\n[TAVOLI]\r\nA=1\r\n"
                 "CmdAT=V0;E0\r\n# note\r\nZ = 2\r\n\r\n[Last]\r\nK=v")
            << B("; Tavoli\r\n[Other]\r\nCmdAT=other\r\n\r\n[TAVOLI]\r\nA=1\r\n"
                 "CmdAT=NEW;V#,0\r\n# note\r\nZ = 2\r\n\r\n[Last]\r\nK=v");
        QTest::newRow("key spelling and blanks kept")
            << B("[TAVOLI]\r\n  cmdat =  old  \r\n") << B("[TAVOLI]\r\n  cmdat =  NEW;V#,0\r\n");
        QTest::newRow("only the first of two keys")
            << B("[TAVOLI]\nCmdAT=one\nCmdAT=two\n") << B("[TAVOLI]\nCmdAT=NEW;V#,0\nCmdAT=two\n");
        QTest::newRow("key appended after the last key line, not after comments")
            << B("[TAVOLI]\r\nA=1\r\n; c\r\nB=2\r\n# d=4\r\n\r\n; about "
                 "Other\r\n[Other]\r\nC=3\r\n")
            << B("[TAVOLI]\r\nA=1\r\n; c\r\nB=2\r\nCmdAT=NEW;V#,0\r\n# d=4\r\n\r\n; about Other\r\n"
                 "[Other]\r\nC=3\r\n");
        QTest::newRow("key appended in a section without keys")
            << B("[TAVOLI]\r\n[Other]\r\nC=3\r\n")
            << B("[TAVOLI]\r\nCmdAT=NEW;V#,0\r\n[Other]\r\nC=3\r\n");
        QTest::newRow("key appended at the end without a final line ending")
            << B("[TAVOLI]\r\nA=1") << B("[TAVOLI]\r\nA=1\r\nCmdAT=NEW;V#,0");
        QTest::newRow("key appended to the first of two sections")
            << B("[TAVOLI]\nA=1\n[O]\n[tavoli]\nB=2\n")
            << B("[TAVOLI]\nA=1\nCmdAT=NEW;V#,0\n[O]\n[tavoli]\nB=2\n");
        QTest::newRow("section created at the end, CRLF")
            << B("[Other]\r\nC=3\r\n") << B("[Other]\r\nC=3\r\n[tavoli]\r\nCmdAT=NEW;V#,0\r\n");
        QTest::newRow("section created at the end, LF, no final line ending")
            << B("[Other]\nC=3") << B("[Other]\nC=3\n[tavoli]\nCmdAT=NEW;V#,0\n");
        QTest::newRow("BOM kept") << B("\xEF\xBB\xBF[TAVOLI]\r\nCmdAT=x\r\n")
                                  << B("\xEF\xBB\xBF[TAVOLI]\r\nCmdAT=NEW;V#,0\r\n");
        QTest::newRow("CR: key replaced")
            << B("[TAVOLI]\rCmdAT=old\rZ=1\r") << B("[TAVOLI]\rCmdAT=NEW;V#,0\rZ=1\r");
        QTest::newRow("CR: section created")
            << B("[O]\rC=3\r") << B("[O]\rC=3\r[tavoli]\rCmdAT=NEW;V#,0\r");
        QTest::newRow("mixed line ends, each kept") << B("[TAVOLI]\r\nA=1\rCmdAT=old\n[O]\r")
                                                    << B("[TAVOLI]\r\nA=1\rCmdAT=NEW;V#,0\n[O]\r");
        QTest::newRow("empty file") << B("") << B("[tavoli]\r\nCmdAT=NEW;V#,0\r\n");
        QTest::newRow("no file (null)") << B() << B("[tavoli]\r\nCmdAT=NEW;V#,0\r\n");
        QTest::newRow("Latin-1 bytes elsewhere kept")
            << B("[Otro]\nNombre=Mar\xEDn\n[TAVOLI]\nCmdAT=x\n")
            << B("[Otro]\nNombre=Mar\xEDn\n[TAVOLI]\nCmdAT=NEW;V#,0\n");
    }
    void writeChangesOnlyTheKeyLine()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QVERIFY(before.isNull() || writeBytes(m_path, before));
        IniStore store = storeAt(m_path);
        QCOMPARE(refusal(store.setValue(QStringLiteral("NEW;V#,0"))), QString());
        QCOMPARE(readBytes(m_path), after);
        QCOMPARE(store.value(), QStringLiteral("NEW;V#,0"));
        QCOMPARE(entries(), QStringList{QStringLiteral("TAVOLI.INI")}); // no temporary left
    }

    void valuesSurviveARoundTrip_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("read");
        QTest::newRow("zoom list")
            << ModemProtocol::ZoomCommandList << ModemProtocol::ZoomCommandList;
        QTest::newRow("empty is not the fallback") << ""
                                                   << "";
        QTest::newRow("outer blanks") << "  V0;E0 "
                                      << "  V0;E0 ";
        QTest::newRow("quoted text") << "\"V0\""
                                     << "\"V0\"";
        QTest::newRow("single-quoted text") << "'V0'"
                                            << "'V0'";
        QTest::newRow("one quote") << "\"V0"
                                   << "\"V0";
        QTest::newRow("comment-like") << "; # [x] a=b"
                                      << "; # [x] a=b";
        QTest::newRow("non-ASCII") << "Añadir €"
                                   << "Añadir €";
        QTest::newRow("line breaks become blanks") << "V0\r\nE0\nQ0\rX"
                                                   << "V0 E0 Q0 X";
    }
    void valuesSurviveARoundTrip()
    {
        QFETCH(QString, written);
        QFETCH(QString, read);
        QVERIFY(writeBytes(m_path, "[TAVOLI]\r\nCmdAT=old\r\n[Next]\r\nK=v\r\n"));
        QCOMPARE(refusal(storeAt(m_path).setValue(written)), QString());
        QCOMPARE(storeAt(m_path).value(), read);
        QVERIFY(readBytes(m_path).endsWith("\r\n[Next]\r\nK=v\r\n")); // nothing spilled over
        QCOMPARE(readBytes(m_path).count('\n'), 4);
    }

    // The value is stored in the file's own encoding (Latin-1 only when the file is not UTF-8)
    // and reads back as written, or the write is refused and the file left alone.
    // A null "after" means refused; "named" is what the reason must show.
    void encodingKeepsTheValueOrRefuses_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("named");
        const B latin1("[O]\nN=Mar\xEDn\n[TAVOLI]\nCmdAT=x\n");
        QTest::newRow("Latin-1 file keeps Latin-1") << latin1 << "Añadir"
                                                    << B("[O]\nN=Mar\xEDn\n[TAVOLI]\nCmdAT=A\xF1"
                                                         "adir\n")
                                                    << "";
        QTest::newRow("Latin-1 file cannot hold the euro")
            << latin1 << "Añadir € ★" << B() << "«€», «★»";
        QTest::newRow("Latin-1 only on the replaced line: UTF-8 when Latin-1 would misread")
            << B("[TAVOLI]\nCmdAT=caf\xE9\n") << "Ã©" << B("[TAVOLI]\nCmdAT=\xC3\x83\xC2\xA9\n")
            << "";
        QTest::newRow("UTF-8 file, lone surrogate")
            << B("[TAVOLI]\nCmdAT=x\n") << QString(QChar(0xD800)) << B() << "";
    }
    void encodingKeepsTheValueOrRefuses()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, written);
        QFETCH(QByteArray, after);
        QFETCH(QString, named);
        QVERIFY(writeBytes(m_path, before));
        IniStore store = storeAt(m_path);
        const QString old = store.value();
        const QString reason = refusal(store.setValue(written));
        QVERIFY2(reason.isEmpty() == !after.isNull() && reason.contains(named), qPrintable(reason));
        QCOMPARE(readBytes(m_path), after.isNull() ? before : after);
        QCOMPARE(store.value(), after.isNull() ? old : written);
    }

    // A folder that takes no new files but holds a writable INI: written in place.
    void readOnlyFolderWritesInPlace()
    {
        QVERIFY(writeBytes(m_path, "[TAVOLI]\r\nCmdAT=V0\r\n"));
        if (!lockFolder())
            QSKIP("This process creates files even in a folder with mode 0555.");
        QCOMPARE(refusal(storeAt(m_path).setValue(QStringLiteral("E0"))), QString());
        QCOMPARE(readBytes(m_path), B("[TAVOLI]\r\nCmdAT=E0\r\n"));
        QCOMPARE(entries(), QStringList{QStringLiteral("TAVOLI.INI")});
    }

    // ... and one it may not write either: the file is named as the cause, not the folder.
    void unwritableFileSaysSo()
    {
        const B before = "[TAVOLI]\r\nCmdAT=V0\r\n";
        QVERIFY(writeBytes(m_path, before));
        QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ReadGroup));
        if (!lockFolder())
            QSKIP("This process creates files even in a folder with mode 0555.");
        const QString reason = refusal(storeAt(m_path).setValue(QStringLiteral("E0")));
        QVERIFY2(reason.startsWith(StoreTexts::IniNotWritable.section(' ', 0, 4)),
                 qPrintable(reason));
        QCOMPARE(readBytes(m_path), before);
    }

    // A write that fails half-way (disk full, quota) must leave the old file as it was, also
    // when written in place. A file size limit makes write(2) fail with EFBIG even for root.
    void failedWriteKeepsTheOldFile_data()
    {
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("atomic") << false;
        QTest::newRow("in place, read-only folder") << true;
    }
    void failedWriteKeepsTheOldFile()
    {
        QFETCH(bool, inPlace);
        const QByteArray before("[TAVOLI]\r\nCmdAT=V0;E0\r\n");
        QVERIFY(writeBytes(m_path, before));
        if (inPlace && !lockFolder())
            QSKIP("This process creates files even in a folder with mode 0555.");
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const QString reason =
            refusal(storeAt(m_path).setValue(QString(64 * 1024, QLatin1Char('A'))));
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY2(reason.startsWith(QStringLiteral("No se puede escribir el archivo")),
                 qPrintable(reason));
        // The system's own reason, not Qt's "Unknown error" for a write that came back short.
        QVERIFY2(reason.endsWith(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(reason));
        QCOMPARE(readBytes(m_path), before);
        QCOMPARE(entries(), QStringList{QStringLiteral("TAVOLI.INI")});
    }

    // Reading refuses files over 1 MiB, so no save writes one: at the bound it saves and reads
    // back; one byte past it, it refuses and creates nothing.
    void neverWritesWhatItCannotRead()
    {
        const qsizetype at = 1024 * 1024 - B("[tavoli]\r\nCmdAT=\r\n").size();
        const QString reason = refusal(storeAt(m_path).setValue(QString(at + 1, u'A')));
        QVERIFY2(reason.contains(QStringLiteral("1048577")), qPrintable(reason));
        QCOMPARE(entries(), QStringList());
        QCOMPARE(refusal(storeAt(m_path).setValue(QString(at, u'A'))), QString());
        QCOMPARE(storeAt(m_path).value().size(), at);
    }

    // At the temporary name, anything but this user's own plain file is neither written nor
    // followed: the save is refused, naming it, and nothing changes.
    void tempNameTakenIsRefused_data()
    {
        QTest::addColumn<int>("planted");
        QTest::newRow("another user's file") << 0;
        QTest::newRow("link to a file elsewhere") << 1;
        QTest::newRow("own file with a second link") << 2;
    }
    void tempNameTakenIsRefused()
    {
        QFETCH(int, planted);
        if (planted == 0 && geteuid() != 0)
            QSKIP("Only root can plant a file owned by another user.");
        const QString temp = m_path + IniTempSuffix, elsewhere = m_path + QStringLiteral(".x");
        const QByteArray from = QFile::encodeName(elsewhere), to = QFile::encodeName(temp);
        QVERIFY(writeBytes(m_path, "[TAVOLI]\r\nCmdAT=V0\r\n") && writeBytes(elsewhere, "keep"));
        if (planted == 0)
            QVERIFY(writeBytes(temp, "keep") && ::chown(to, 65534, 65534) == 0);
        else
            QCOMPARE(planted == 1 ? ::symlink(from, to) : ::link(from, to), 0);
        const QString reason = refusal(storeAt(m_path).setValue(QStringLiteral("E0")));
        QVERIFY2(reason.contains(temp), qPrintable(reason));
        QCOMPARE(readBytes(m_path), B("[TAVOLI]\r\nCmdAT=V0\r\n"));
        QCOMPARE(readBytes(temp) + readBytes(elsewhere), B("keepkeep"));
    }

    // A save writes a fresh file, never a leftover found there (longer, held open to look), and
    // gives it the old file's mode whatever the umask, and its owner when root saves.
    void saveReplacesLeftoverKeepingModeAndOwner()
    {
        const uint owner = geteuid() == 0 ? 65534 : geteuid();
        const QByteArray name = QFile::encodeName(m_path);
        QVERIFY(writeBytes(m_path, "[TAVOLI]\r\nCmdAT=V0\r\n"));
        QVERIFY(::chown(name, owner, owner) == 0 && ::chmod(name, 0660) == 0);
        QFile leftover(m_path + IniTempSuffix);
        QVERIFY(writeBytes(leftover.fileName(), B(65536, 'X')));
        QVERIFY(leftover.open(QIODevice::ReadOnly));
        const mode_t oldMask = ::umask(022);
        const QString reason = refusal(storeAt(m_path).setValue(QStringLiteral("E0")));
        ::umask(oldMask);
        QCOMPARE(reason, QString());
        QCOMPARE(readBytes(m_path), B("[TAVOLI]\r\nCmdAT=E0\r\n"));
        QCOMPARE(entries(), QStringList{QStringLiteral("TAVOLI.INI")});
        QCOMPARE(leftover.readAll(), B(65536, 'X'));
        struct stat after
        {
        };
        QCOMPARE(::stat(name, &after), 0);
        QCOMPARE(QList<uint>({after.st_mode & 07777, after.st_uid, after.st_gid}),
                 QList<uint>({0660, owner, owner}));
    }

    // The temporary file is never wider than the file it replaces, not even for a moment: a
    // save stopped at its first write or change of mode finds it with the file's own mode,
    // whatever the umask.
    void temporaryFileNeverWider()
    {
        QVERIFY(storeAt(m_path).setValue(QStringLiteral("V0")).ok()); // the lock file is there
        QCOMPARE(::chmod(QFile::encodeName(m_path), 0600), 0);
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            ::umask(0);
            if (!dieAt({SYS_write, SYS_writev, SYS_pwrite64, SYS_fchmod, SYS_fchmodat, SYS_chmod,
                        SYS_fchown}))
                _exit(2);
            (void)storeAt(m_path).setValue(QStringLiteral("E0"));
            _exit(3);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY2(WIFSIGNALED(status), qPrintable(QString::number(status)));
        struct stat temp
        {
        };
        QCOMPARE(::lstat(QFile::encodeName(m_path + IniTempSuffix), &temp), 0);
        QCOMPARE(temp.st_mode & 07777, mode_t(0600));
    }

    // Two programs saving the same file at once, each its own keys: every save is kept, none
    // overwritten by a save that read the file before it.
    void concurrentSavesLoseNothing()
    {
        constexpr int Saves = 300;
        const auto key = [](int who, int i) { return QStringLiteral("K%1_%2").arg(who).arg(i); };
        pid_t children[2] = {};
        for (int who = 0; who < 2; ++who) {
            children[who] = fork();
            QVERIFY(children[who] >= 0);
            if (children[who] == 0) {
                int failed = 0;
                for (int i = 0; i < Saves; ++i)
                    failed += !storeAt(m_path, key(who, i)).setValue(QString::number(i)).ok();
                _exit(failed == 0 ? 0 : 1);
            }
        }
        for (const pid_t child : children) {
            int status = 0;
            QCOMPARE(waitpid(child, &status, 0), child);
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        QStringList lost;
        for (int who = 0; who < 2; ++who)
            for (int i = 0; i < Saves; ++i)
                if (storeAt(m_path, key(who, i)).value() != QString::number(i))
                    lost << key(who, i);
        QVERIFY2(lost.isEmpty(), qPrintable(lost.join(u' ')));
    }

    // Whatever holds the lock file's name: a save that keeps it is waited for a while, then the
    // save says so; a FIFO or a link put there is refused at once and left as it was. The file
    // is not touched either way.
    void lockFileInTheWay_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("another save keeps it") << 0;
        QTest::newRow("FIFO") << 1;
        QTest::newRow("link to a file elsewhere") << 2;
    }
    void lockFileInTheWay()
    {
        QFETCH(int, way);
        const B before("[TAVOLI]\r\nCmdAT=V0\r\n");
        QVERIFY(writeBytes(m_path, before));
        const QString lock = m_path + IniLock::Suffix, elsewhere = m_path + QStringLiteral(".x");
        const QByteArray name = QFile::encodeName(lock);
        int holder = -1;
        if (way == 0)
            QVERIFY((holder = ::open(name, O_RDONLY | O_CREAT | O_CLOEXEC, 0600)) >= 0
                    && ::flock(holder, LOCK_EX) == 0);
        else
            QCOMPARE(
                way == 1 ? ::mkfifo(name, 0600) : ::symlink(QFile::encodeName(elsewhere), name), 0);
        QElapsedTimer clock;
        clock.start();
        const QString reason = refusal(storeAt(m_path).setValue(QStringLiteral("E0")));
        const qint64 took = clock.elapsed();
        QCOMPARE(reason, way == 0 ? StoreTexts::IniLockTimedOut.arg(5).arg(lock)
                                  : StoreTexts::IniLockNotFile.arg(lock));
        QVERIFY2(way == 0 ? took >= IniLock::WaitMs : took < IniLock::WaitMs / 2,
                 qPrintable(QString::number(took)));
        QCOMPARE(readBytes(m_path), before);
        QVERIFY(!QFileInfo::exists(elsewhere));
        if (holder >= 0) {
            ::close(holder);
            QCOMPARE(refusal(storeAt(m_path).setValue(QStringLiteral("E0"))), QString());
        }
    }

    // In a folder that takes no new files the file is written over in place: a reader meanwhile
    // gets the old text or the new one whole, never an empty or cut one.
    void readerNeverSeesAHalfWrittenFile()
    {
        const QString a(256 * 1024, QLatin1Char('A')), b(16 * 1024 + 1, QLatin1Char('B'));
        QVERIFY(storeAt(m_path).setValue(b).ok());
        QFile::remove(m_path + IniLock::Suffix); // as in a folder that never took a new file
        if (!lockFolder())
            QSKIP("This process creates files even in a folder with mode 0555.");
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0)
            for (int i = 0;; ++i)
                (void)storeAt(m_path).setValue(i % 2 ? b : a);
        const auto stopChild = qScopeGuard([child] {
            ::kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        });
        for (int read = 0; read < 300; ++read) {
            const QString text = storeAt(m_path).value();
            QVERIFY2(text == a || text == b, qPrintable(text.left(20)));
        }
    }

    // Saves killed at their rename or at a random moment: the file is always one whole version,
    // and no more than one temporary file ever lies beside it; the next save takes it over.
    void killedSavesLeaveOneTemporaryFile()
    {
        // Unequal lengths: a longer leftover written into would keep its tail in the file. The
        // last kills come at the rename of the long value, so the leftover is the long one when
        // the short value is saved over it at the end.
        const QString a(64 * 1024, QLatin1Char('A')), b(16 * 1024 + 1, QLatin1Char('B'));
        QVERIFY(storeAt(m_path).setValue(b).ok());
        const B versionB = readBytes(m_path);
        QVERIFY(storeAt(m_path).setValue(a).ok());
        const B versionA = readBytes(m_path);
        for (int kill = 0; kill < 6; ++kill) {
            const bool atRename = kill >= 3;
            const pid_t child = fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                if (atRename && !dieAtRename())
                    _exit(2);
                for (int i = 0;; ++i)
                    (void)storeAt(m_path).setValue(i % 2 ? b : a);
            }
            if (!atRename) {
                QTest::qSleep(2 * kill + 2);
                ::kill(child, SIGKILL);
            }
            int status = 0;
            QCOMPARE(waitpid(child, &status, 0), child);
            QVERIFY2(WIFSIGNALED(status), qPrintable(QString::number(status)));
            const B bytes = readBytes(m_path);
            QVERIFY(bytes == versionA || bytes == versionB);
            QVERIFY2(entries().size() <= 2, qPrintable(entries().join(u' ')));
        }
        QVERIFY(storeAt(m_path).setValue(b).ok());
        QCOMPARE(readBytes(m_path), versionB);
        QCOMPARE(entries(), QStringList{QStringLiteral("TAVOLI.INI")});
    }
};

QTEST_GUILESS_MAIN(TstIniStore)
#include "tst_inistore.moc"
