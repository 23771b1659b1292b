#include "inistore.h"
#include "systemtexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>

namespace {

const QString Key = QStringLiteral("CmdAT");

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

} // namespace

class TstIniStore : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void readsWindowsFiles_data();
    void readsWindowsFiles();
    void fallbackWhenAbsent();
    void readCreatesNothing();
    void hugeFileCountsAsAbsentAndIsLeftAlone();

    void writeChangesOnlyTheKeyLine_data();
    void writeChangesOnlyTheKeyLine();
    void writeCreatesTheFile();
    void emptyValueIsNotTheFallback();
    void valuesSurviveARoundTrip_data();
    void valuesSurviveARoundTrip();

    void failedWritesAreReported();
    void failedWriteKeepsTheOldFile();

    void settingsFilePathFollowsTheWorkingDirectory();

private:
    IniStore storeAt(const QString &path, const QString &section = QStringLiteral("tavoli"))
    {
        IniStore store(Key);
        store.setFileName(path);
        store.setSection(section);
        store.setFallback(QStringLiteral("FALLBACK"));
        return store;
    }

    std::unique_ptr<QTemporaryDir> m_temp;
    QString m_path;
};

void TstIniStore::init()
{
    m_temp = std::make_unique<QTemporaryDir>(); // a fresh, empty folder for every test
    QVERIFY(m_temp->isValid());
    m_path = m_temp->filePath(QStringLiteral("TAVOLI.INI"));
}

void TstIniStore::readsWindowsFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("expected");

    QTest::newRow("CRLF, upper-case section, separators inside")
        << QByteArray("[TAVOLI]\r\nCmdAT=V0;S0=#;B0;+MS=V#,0\r\n") << "V0;S0=#;B0;+MS=V#,0";
    QTest::newRow("key letter case")
        << QByteArray("[Tavoli]\r\ncmdat=E0\r\n") << "E0";
    QTest::newRow("blanks around key and value")
        << QByteArray("[TAVOLI]\r\n  CmdAT \t=   V0;E0  \r\n") << "V0;E0";
    QTest::newRow("double quotes removed")
        << QByteArray("[TAVOLI]\r\nCmdAT=\"  V0 ; E0  \"\r\n") << "  V0 ; E0  ";
    QTest::newRow("single quotes removed") << QByteArray("[TAVOLI]\nCmdAT='V0'\n") << "V0";
    QTest::newRow("unmatched quote kept") << QByteArray("[TAVOLI]\nCmdAT=\"V0\n") << "\"V0";
    QTest::newRow("';' is no comment inside a value")
        << QByteArray("[TAVOLI]\r\nCmdAT=V0 ; not a comment\r\n") << "V0 ; not a comment";
    QTest::newRow("BOM and LF") << QByteArray("\xEF\xBB\xBF[TAVOLI]\nCmdAT=V0\n") << "V0";
    QTest::newRow("whole-line comments skipped")
        << QByteArray("[TAVOLI]\r\n;CmdAT=bad\r\n  # CmdAT=bad\r\nCmdAT=good\r\n") << "good";
    QTest::newRow("other sections first")
        << QByteArray("; top\r\n[Other]\r\nCmdAT=other\r\n\r\n[TAVOLI]\r\nX=1\r\nCmdAT=ours\r\n")
        << "ours";
    QTest::newRow("first of two keys") << QByteArray("[TAVOLI]\nCmdAT=one\nCMDAT=two\n") << "one";
    QTest::newRow("section repeated") << QByteArray("[TAVOLI]\nX=1\n[O]\nCmdAT=o\n[tavoli]\nCmdAT=2\n")
                                      << "2";
    QTest::newRow("header with blanks") << QByteArray("[ TAVOLI ]\nCmdAT=V0\n") << "V0";
    QTest::newRow("no final line ending") << QByteArray("[TAVOLI]\r\nCmdAT=V0") << "V0";
    QTest::newRow("empty value") << QByteArray("[TAVOLI]\r\nCmdAT=\r\n") << "";
    QTest::newRow("blank value") << QByteArray("[TAVOLI]\r\nCmdAT=   \r\n") << "";
    QTest::newRow("'=' inside the value") << QByteArray("[TAVOLI]\nCmdAT=S0=2;S37=9\n")
                                          << "S0=2;S37=9";
    QTest::newRow("UTF-8") << QByteArray("[TAVOLI]\nCmdAT=caf\xC3\xA9\n") << "café";
    QTest::newRow("invalid UTF-8 read as Latin-1")
        << QByteArray("[TAVOLI]\nCmdAT=caf\xE9\n") << "café";
    QTest::newRow("NUL bytes elsewhere") << QByteArray("\0\0\n[TAVOLI]\nCmdAT=V0\n", 21) << "V0";

    QTest::newRow("key only in another section")
        << QByteArray("[TAVOLI]\r\nX=1\r\n[Other]\r\nCmdAT=other\r\n") << "FALLBACK";
    QTest::newRow("key before any section") << QByteArray("CmdAT=loose\r\n[TAVOLI]\r\n")
                                            << "FALLBACK";
    QTest::newRow("key commented out") << QByteArray("[TAVOLI]\r\n;CmdAT=V0\r\n") << "FALLBACK";
    QTest::newRow("key without '='") << QByteArray("[TAVOLI]\r\nCmdAT\r\n") << "FALLBACK";
    QTest::newRow("prefix of the key") << QByteArray("[TAVOLI]\r\nCmdATX=1\r\n") << "FALLBACK";
    QTest::newRow("section absent") << QByteArray("[Other]\r\nCmdAT=V0\r\n") << "FALLBACK";
    QTest::newRow("empty file") << QByteArray() << "FALLBACK";
}

void TstIniStore::readsWindowsFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, expected);
    QVERIFY(writeBytes(m_path, file));
    QCOMPARE(storeAt(m_path).value(), expected);
}

void TstIniStore::fallbackWhenAbsent()
{
    IniStore store(Key);
    QCOMPARE(store.key(), Key);
    QCOMPARE(store.fallback(), QString());
    store.setFileName(m_path);
    store.setSection(QStringLiteral("tavoli"));
    QCOMPARE(store.value(), QString());
    store.setFallback(SystemTexts::BuiltInCommandList);
    QCOMPARE(store.value(), SystemTexts::BuiltInCommandList);

    // A directory where the file should be cannot be read: the fallback applies.
    QVERIFY(QDir(m_temp->path()).mkdir(QStringLiteral("DIR.INI")));
    store.setFileName(m_temp->filePath(QStringLiteral("DIR.INI")));
    QCOMPARE(store.value(), SystemTexts::BuiltInCommandList);
}

void TstIniStore::readCreatesNothing()
{
    IniStore store = storeAt(m_path);
    QCOMPARE(store.value(), QStringLiteral("FALLBACK"));
    QVERIFY(!QFileInfo::exists(m_path));
    QCOMPARE(QDir(m_temp->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

void TstIniStore::hugeFileCountsAsAbsentAndIsLeftAlone()
{
    QByteArray huge("[TAVOLI]\r\nCmdAT=V0\r\n");
    huge.append(QByteArray(2 * 1024 * 1024, '\x01'));
    QVERIFY(writeBytes(m_path, huge));

    IniStore store = storeAt(m_path);
    QCOMPARE(store.value(), QStringLiteral("FALLBACK"));
    const QString reason = store.setValue(QStringLiteral("E0"));
    QVERIFY(!reason.isEmpty());
    QVERIFY2(reason.contains(QStringLiteral("1048576")), qPrintable(reason));
    QCOMPARE(readBytes(m_path), huge);
}

void TstIniStore::writeChangesOnlyTheKeyLine_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");

    // Value written in every row: NEW;V#,0
    QTest::newRow("key replaced, the rest byte for byte")
        << QByteArray("; Tavoli\r\n[Other]\r\nCmdAT=other\r\n\r\n[TAVOLI]\r\nA=1\r\n"
                      "CmdAT=V0;E0\r\n# note\r\nZ = 2\r\n\r\n[Last]\r\nK=v")
        << QByteArray("; Tavoli\r\n[Other]\r\nCmdAT=other\r\n\r\n[TAVOLI]\r\nA=1\r\n"
                      "CmdAT=NEW;V#,0\r\n# note\r\nZ = 2\r\n\r\n[Last]\r\nK=v");
    QTest::newRow("key spelling and blanks kept")
        << QByteArray("[TAVOLI]\r\n  cmdat =  old  \r\n")
        << QByteArray("[TAVOLI]\r\n  cmdat =  NEW;V#,0\r\n");
    QTest::newRow("only the first of two keys")
        << QByteArray("[TAVOLI]\nCmdAT=one\nCmdAT=two\n")
        << QByteArray("[TAVOLI]\nCmdAT=NEW;V#,0\nCmdAT=two\n");
    QTest::newRow("key appended after the last key line")
        << QByteArray("[TAVOLI]\r\nA=1\r\n; c\r\nB=2\r\n\r\n; about Other\r\n[Other]\r\nC=3\r\n")
        << QByteArray("[TAVOLI]\r\nA=1\r\n; c\r\nB=2\r\nCmdAT=NEW;V#,0\r\n\r\n; about Other\r\n"
                      "[Other]\r\nC=3\r\n");
    QTest::newRow("key appended in a section without keys")
        << QByteArray("[TAVOLI]\r\n[Other]\r\nC=3\r\n")
        << QByteArray("[TAVOLI]\r\nCmdAT=NEW;V#,0\r\n[Other]\r\nC=3\r\n");
    QTest::newRow("key appended at the end without a final line ending")
        << QByteArray("[TAVOLI]\r\nA=1")
        << QByteArray("[TAVOLI]\r\nA=1\r\nCmdAT=NEW;V#,0");
    QTest::newRow("key appended to the first of two sections")
        << QByteArray("[TAVOLI]\nA=1\n[O]\n[tavoli]\nB=2\n")
        << QByteArray("[TAVOLI]\nA=1\nCmdAT=NEW;V#,0\n[O]\n[tavoli]\nB=2\n");
    QTest::newRow("section created at the end, CRLF")
        << QByteArray("[Other]\r\nC=3\r\n")
        << QByteArray("[Other]\r\nC=3\r\n[tavoli]\r\nCmdAT=NEW;V#,0\r\n");
    QTest::newRow("section created at the end, LF, no final line ending")
        << QByteArray("[Other]\nC=3")
        << QByteArray("[Other]\nC=3\n[tavoli]\nCmdAT=NEW;V#,0\n");
    QTest::newRow("BOM kept")
        << QByteArray("\xEF\xBB\xBF[TAVOLI]\r\nCmdAT=x\r\n")
        << QByteArray("\xEF\xBB\xBF[TAVOLI]\r\nCmdAT=NEW;V#,0\r\n");
    QTest::newRow("empty file")
        << QByteArray() << QByteArray("[tavoli]\r\nCmdAT=NEW;V#,0\r\n");
    QTest::newRow("Latin-1 bytes elsewhere kept")
        << QByteArray("[Otro]\nNombre=Mar\xEDn\n[TAVOLI]\nCmdAT=x\n")
        << QByteArray("[Otro]\nNombre=Mar\xEDn\n[TAVOLI]\nCmdAT=NEW;V#,0\n");
}

void TstIniStore::writeChangesOnlyTheKeyLine()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QVERIFY(writeBytes(m_path, before));

    IniStore store = storeAt(m_path);
    QCOMPARE(store.setValue(QStringLiteral("NEW;V#,0")), QString());
    QCOMPARE(readBytes(m_path), after);
    QCOMPARE(store.value(), QStringLiteral("NEW;V#,0"));
}

void TstIniStore::writeCreatesTheFile()
{
    IniStore writer = storeAt(m_path);
    QCOMPARE(writer.setValue(SystemTexts::BuiltInCommandList), QString());
    QCOMPARE(readBytes(m_path),
             QByteArray("[tavoli]\r\nCmdAT=V0;S0=#;B0;L2;M1;E0;Y1;N1;&D0;&S0\r\n"));

    // Seen at once through another object, as the main window reads what the editor saved.
    IniStore reader = storeAt(m_path, QStringLiteral("TAVOLI"));
    QCOMPARE(reader.value(), SystemTexts::BuiltInCommandList);
    // No temporary file left behind.
    QCOMPARE(QDir(m_temp->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList{QStringLiteral("TAVOLI.INI")});
}

void TstIniStore::emptyValueIsNotTheFallback()
{
    IniStore store = storeAt(m_path);
    QCOMPARE(store.setValue(QString()), QString());
    QCOMPARE(readBytes(m_path), QByteArray("[tavoli]\r\nCmdAT=\r\n"));
    QCOMPARE(store.value(), QString());
    QCOMPARE(store.fallback(), QStringLiteral("FALLBACK")); // never written, never changed
}

void TstIniStore::valuesSurviveARoundTrip_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("read");

    QTest::newRow("zoom list") << SystemTexts::ZoomCommandList << SystemTexts::ZoomCommandList;
    QTest::newRow("outer blanks") << "  V0;E0 " << "  V0;E0 ";
    QTest::newRow("quoted text") << "\"V0\"" << "\"V0\"";
    QTest::newRow("single-quoted text") << "'V0'" << "'V0'";
    QTest::newRow("one quote") << "\"V0" << "\"V0";
    QTest::newRow("comment-like") << "; # [x] a=b" << "; # [x] a=b";
    QTest::newRow("non-ASCII") << "Añadir €" << "Añadir €";
    QTest::newRow("line breaks become blanks") << "V0\r\nE0\nQ0\rX" << "V0 E0 Q0 X";
}

void TstIniStore::valuesSurviveARoundTrip()
{
    QFETCH(QString, written);
    QFETCH(QString, read);
    QVERIFY(writeBytes(m_path, "[TAVOLI]\r\nCmdAT=old\r\n[Next]\r\nK=v\r\n"));

    QCOMPARE(storeAt(m_path).setValue(written), QString());
    QCOMPARE(storeAt(m_path).value(), read);
    // Nothing spilled into other lines.
    const QList<QByteArray> lines = readBytes(m_path).split('\n');
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines.at(3), QByteArray("K=v\r"));
}

void TstIniStore::failedWritesAreReported()
{
    // Tests may run as root, which ignores permission bits: use places that fail for anyone.
    QVERIFY(writeBytes(m_temp->filePath(QStringLiteral("plain")), "x"));
    const QString underAFile = m_temp->filePath(QStringLiteral("plain/TAVOLI.INI"));
    const QString reason = storeAt(underAFile).setValue(QStringLiteral("V0"));
    QVERIFY2(reason.startsWith(QStringLiteral("No se puede crear el archivo en la carpeta ")),
             qPrintable(reason));
    QVERIFY2(reason.contains(m_temp->filePath(QStringLiteral("plain"))), qPrintable(reason));
    QCOMPARE(readBytes(m_temp->filePath(QStringLiteral("plain"))), QByteArray("x"));

    const QString inProc = storeAt(QStringLiteral("/proc/tavoli-test.INI")).setValue("V0");
    QVERIFY2(inProc.startsWith(QStringLiteral("No se puede crear")), qPrintable(inProc));

    QVERIFY(QDir(m_temp->path()).mkdir(QStringLiteral("DIR.INI")));
    QCOMPARE(storeAt(m_temp->filePath(QStringLiteral("DIR.INI"))).setValue("V0"),
             SystemTexts::IniNotRegularFile);

    QCOMPARE(storeAt(QString()).setValue("V0"), SystemTexts::IniNoFileName);
}

// A write that fails half-way (disk full, quota) must leave the old file as it was. A file
// size limit makes write(2) fail with EFBIG even for root.
void TstIniStore::failedWriteKeepsTheOldFile()
{
    const QByteArray before("[TAVOLI]\r\nCmdAT=V0;E0\r\n");
    QVERIFY(writeBytes(m_path, before));

    rlimit old{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString reason = storeAt(m_path).setValue(QString(64 * 1024, QLatin1Char('A')));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY2(reason.startsWith(QStringLiteral("No se puede escribir el archivo")), qPrintable(reason));
    QVERIFY2(reason.size() > SystemTexts::IniWriteFailed.size(), qPrintable(reason)); // system text
    QCOMPARE(readBytes(m_path), before);
    QCOMPARE(QDir(m_temp->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList{QStringLiteral("TAVOLI.INI")});
}

void TstIniStore::settingsFilePathFollowsTheWorkingDirectory()
{
    QCOMPARE(ExecutableBaseName(), QStringLiteral("tst_inistore"));

    const QString start = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_temp->path()));
    const QString here = SettingsFilePath();
    QVERIFY(QDir::setCurrent(QDir::rootPath()));
    const QString atRoot = SettingsFilePath();
    QVERIFY(QDir::setCurrent(start));

    QCOMPARE(here, QDir(m_temp->path()).canonicalPath() + QStringLiteral("/tst_inistore.INI"));
    QCOMPARE(atRoot, QStringLiteral("//tst_inistore.INI"));
}

QTEST_GUILESS_MAIN(TstIniStore)
#include "tst_inistore.moc"
