// SPDX-License-Identifier: GPL-3.0-or-later
// tavoli-kill-saves: a child process saves two large values in turn through the program's INI
// store, over and over, and is killed with SIGKILL at a random moment; again and again. After
// every kill the file must be exactly one of the two complete versions (never cut short, never a
// mix) and at most one temporary file may lie beside it; one is also looked for just before
// each kill. A last save by this process must leave no temporary file at all. The values differ
// in length (the second is about a third of the first): a save that wrote into a longer leftover
// would leave its tail in the file, which then matches neither version.
//
//   tavoli-kill-saves [--kills N] [--size BYTES] [--seed S]
#include "inistore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void print(const QString &text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll()).section(u' ', 0, 2);
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

IniStore storeAt(const QString &path)
{
    IniStore store(QStringLiteral("CmdAT"));
    store.setFileName(path);
    store.setSection(QStringLiteral("tavoli"));
    store.setFallback(QStringLiteral("(absent)"));
    return store;
}

// The child: tells the parent it runs, then saves the two values in turn until it is killed,
// one byte down the pipe per save done. Every other child starts with the short value, which
// then lands on the long one's leftover.
[[noreturn]] void saveForever(const QString &path, const QString &a, const QString &b, int pipe,
                              quint64 first)
{
    IniStore store = storeAt(path);
    const char ready = 'r';
    [[maybe_unused]] ssize_t w = ::write(pipe, &ready, 1);
    for (quint64 i = first;; ++i) {
        if (!store.setValue(i % 2 ? b : a).ok())
            ::_exit(3);
        const char saved = 's';
        w = ::write(pipe, &saved, 1);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("SIGKILL during INI saves: the file stays whole, temporary files do not "
                       "pile up."));
    parser.addHelpOption();
    const QCommandLineOption killsOption(QStringLiteral("kills"),
                                         QStringLiteral("How many kills (default 1000)."),
                                         QStringLiteral("N"), QStringLiteral("1000"));
    const QCommandLineOption sizeOption(QStringLiteral("size"),
                                        QStringLiteral("Bytes of the longer value, from 2 "
                                                       "(default 262144)."),
                                        QStringLiteral("BYTES"), QStringLiteral("262144"));
    const QCommandLineOption seedOption(
        QStringLiteral("seed"), QStringLiteral("Seed of the kill moments."), QStringLiteral("S"));
    parser.addOption(killsOption);
    parser.addOption(sizeOption);
    parser.addOption(seedOption);
    parser.process(app);
    bool killsOk = false;
    bool sizeOk = false;
    const int kills = parser.value(killsOption).toInt(&killsOk);
    const int size = parser.value(sizeOption).toInt(&sizeOk);
    // The store refuses files over a megabyte.
    if (!killsOk || kills < 1 || !sizeOk || size < 2 || size > 512 * 1024) {
        print(QStringLiteral("--kills at least 1, --size from 2 to 524288"));
        return 2;
    }
    quint32 seed = quint32(QDateTime::currentMSecsSinceEpoch());
    if (parser.isSet(seedOption))
        seed = parser.value(seedOption).toUInt();

    QTemporaryDir dir;
    if (!dir.isValid()) {
        print(QStringLiteral("no temporary directory: ") + dir.errorString());
        return 1;
    }
    const QString path = dir.filePath(QStringLiteral("TAVOLI.INI"));
    const QString a(size, QLatin1Char('A'));
    const QString b(size / 3 + 1, QLatin1Char('B')); // shorter for any size from 2
    IniStore store = storeAt(path);

    // The two complete versions, as the store writes them; and how long a save takes.
    QByteArray versions[2];
    for (int v : {1, 0}) {
        if (!store.setValue(v ? b : a).ok()) {
            print(QStringLiteral("cannot save in ") + dir.path());
            return 1;
        }
        versions[v] = readBytes(path);
    }
    QElapsedTimer timing;
    timing.start();
    constexpr int TimedSaves = 20;
    for (int i = 0; i < TimedSaves; ++i) {
        if (!store.setValue(i % 2 ? b : a).ok())
            return 1;
    }
    const qint64 saveUs = std::max<qint64>(1, timing.nsecsElapsed() / 1000 / TimedSaves);

    const auto others = [&dir] {
        return QDir(dir.path())
                   .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden)
                   .size()
               - 1;
    };

    print(QStringLiteral("tavoli-kill-saves  %1")
              .arg(QDateTime::currentDateTime().toString(Qt::ISODate)));
    print(QStringLiteral("kills: %1, seed: %2, values of %3 and %4 bytes, one save takes %5 us "
                         "here; kill moments drawn from 0 to %6 us after the child starts saving")
              .arg(kills)
              .arg(seed)
              .arg(size)
              .arg(b.size())
              .arg(saveUs)
              .arg(4 * saveUs));
    print(QStringLiteral("machine: %1 cores, load average at start: %2")
              .arg(QThread::idealThreadCount())
              .arg(loadAverage()));

    std::mt19937 random(seed);
    std::uniform_int_distribution<qint64> moment(0, 4 * saveUs);
    int held[2] = {0, 0};
    int violations = 0;
    int tempAfterKill = 0;
    int maxTemp = 0;
    quint64 saves = 0;
    QElapsedTimer total;
    total.start();
    for (int k = 1; k <= kills; ++k) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            print(QStringLiteral("pipe failed"));
            return 1;
        }
        const pid_t child = ::fork();
        if (child < 0) {
            print(QStringLiteral("fork failed"));
            return 1;
        }
        if (child == 0) {
            ::close(fds[0]);
            saveForever(path, a, b, fds[1], quint64(k));
        }
        ::close(fds[1]);
        char ready = 0;
        if (::read(fds[0], &ready, 1) != 1) {
            print(QStringLiteral("kill %1: the child did not start").arg(k));
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        const int before = others(); // while it saves
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
        char drained[4096];
        for (ssize_t n; (n = ::read(fds[0], drained, sizeof drained)) > 0;)
            saves += quint64(std::count(drained, drained + n, 's'));
        ::close(fds[0]);

        const int after = others();
        maxTemp = std::max({maxTemp, before, after});
        tempAfterKill += after > 0;
        const QByteArray bytes = readBytes(path);
        const int version = bytes == versions[0] ? 0 : bytes == versions[1] ? 1 : -1;
        const QString value = store.value();
        QStringList wrong;
        if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL)
            wrong << QStringLiteral("the child ended by itself (status %1)").arg(status);
        if (version < 0)
            wrong << QStringLiteral("the file is neither version (%1 bytes)").arg(bytes.size());
        else if (value != (version ? b : a))
            wrong << QStringLiteral("the value reads back wrong");
        if (before > 1 || after > 1)
            wrong << QStringLiteral("%1 temporary files while saving, %2 after the kill")
                         .arg(before)
                         .arg(after);
        if (version >= 0)
            ++held[version];
        if (!wrong.isEmpty()) {
            ++violations;
            print(QStringLiteral("kill %1 (seed %2): %3").arg(k).arg(seed).arg(wrong.join("; ")));
        }
        if (k % 100 == 0)
            print(QStringLiteral("  %1 kills, %2 s, %3 violations")
                      .arg(k)
                      .arg(total.elapsed() / 1000)
                      .arg(violations));
    }
    const double seconds = total.elapsed() / 1000.0;

    // A save after all that takes over what the last kill left.
    const bool lastSaved = store.setValue(b).ok() && readBytes(path) == versions[1];
    const int left = others();
    if (!lastSaved || left != 0) {
        ++violations;
        print(QStringLiteral("the last save: %1, %2 temporary files left")
                  .arg(lastSaved ? "done" : "FAILED")
                  .arg(left));
    }

    print(QString());
    print(QStringLiteral("%1 kills in %2 s; %3 saves completed by the children")
              .arg(kills)
              .arg(seconds, 0, 'f', 1)
              .arg(saves));
    print(QStringLiteral("file after the kill: version A %1 times, version B %2 times, neither %3")
              .arg(held[0])
              .arg(held[1])
              .arg(kills - held[0] - held[1]));
    print(QStringLiteral("a temporary file was left by %1 kills (killed mid-save); most seen at "
                         "once: %2; after the last save: %3")
              .arg(tempAfterKill)
              .arg(maxTemp)
              .arg(left));
    print(QStringLiteral("violations: %1").arg(violations));
    print(QStringLiteral("load average at end: %1").arg(loadAverage()));
    return violations == 0 ? 0 : 1;
}
