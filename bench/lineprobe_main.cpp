// SPDX-License-Identifier: GPL-3.0-or-later
// tavoli-bench-line: one "Configurar" dialogue of a modem session as the window has it (its own
// line thread, the transcript recording), against the simulated modem on a pseudo-terminal,
// with a face that paints nothing. It prints the heap allocations of the window's thread and of
// the line thread during the dialogue, and the line thread's id; bench/lineprobe.sh runs it with
// a long list and with one entry, under callgrind and strace too, and divides the difference by
// the extra exchanges.
#include "dialoguestate.h"
#include "hayesmodem.h"
#include "sessionhandle.h"
#include "transcript.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <atomic>

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

// Heap allocations of the window's thread and of the line thread, counted by standing in front
// of glibc's allocator. Each thread learns its id once; the line thread is known once found.
extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_calloc(std::size_t count, std::size_t size);
void *__libc_realloc(void *pointer, std::size_t size);
}
namespace {
std::atomic<bool> g_counting = false;
std::atomic<bool> g_countingLine = false; // from the list on: the session's making is not counted
std::atomic<unsigned long> g_windowAllocations = 0;
std::atomic<unsigned long> g_lineAllocations = 0;
std::atomic<int> g_windowThreadId = 0;
std::atomic<int> g_lineThreadId = 0;

void countAllocation()
{
    if (!g_counting)
        return;
    thread_local const int tid = ::gettid();
    if (tid == g_lineThreadId && g_countingLine)
        ++g_lineAllocations;
    else if (tid == g_windowThreadId)
        ++g_windowAllocations;
}
} // namespace
extern "C" void *malloc(std::size_t size)
{
    countAllocation();
    return __libc_malloc(size);
}
extern "C" void *calloc(std::size_t count, std::size_t size)
{
    countAllocation();
    return __libc_calloc(count, size);
}
extern "C" void *realloc(void *pointer, std::size_t size)
{
    countAllocation();
    return __libc_realloc(pointer, size);
}

namespace {

// The id of this process's thread that serves the line, once it is there.
int lineThreadId()
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "tavoli-line")
            return tid.toInt();
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int at = args.indexOf(QStringLiteral("--entries"));
    const int entries = at > 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : 2000;
    if (entries < 1) {
        std::fprintf(stderr, "Usage: tavoli-bench-line [--entries N]\n");
        return 2;
    }
    HayesModem modem;
    std::string error;
    if (!modem.start(&error)) {
        std::fprintf(stderr, "modem: %s\n", error.c_str());
        return 1;
    }
    // The list is made before anything is counted: making it is the probe's work, not the
    // program's (which reads its list from the INI file once per configuration).
    QStringList list;
    for (int i = 0; i < entries; ++i)
        list << QStringLiteral("S%1=%2").arg(i % 3 == 0 ? 0 : 7).arg(i % 50);
    const CommandListResult given = CommandListResult::checked(list);
    Transcript transcript;
    SessionHandle line(SessionHandle::Threading::LineThread, &transcript);
    // What the window does with the dialogue, minus the painting: it keeps the newest entry and
    // the list, and the end ends the run.
    qsizetype shown = -1;
    QObject::connect(&line, &SessionHandle::entrySent, [&shown](qsizetype i) { shown = i; });
    QObject::connect(&line, &SessionHandle::listNeeded, [&] {
        g_countingLine = true;
        line.giveList(given);
    });
    QString end;
    QObject::connect(&line, &SessionHandle::ended, [&end](const DialogueResult &result) {
        end = result.ok() ? QStringLiteral("configured") : QStringLiteral("failed");
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    });
    QTimer find;
    QObject::connect(&find, &QTimer::timeout, [&find] {
        if (const int tid = lineThreadId()) {
            g_lineThreadId = tid;
            find.stop();
        }
    });
    find.start(1);
    SessionStart start;
    start.first = Dialogue::ConfigWake;
    start.address = DeviceAddress::parse(QString::fromStdString(modem.devicePath()));
    start.parity = Parity::Even;
    g_windowThreadId = ::gettid();
    g_counting = true;
    line.start(start);
    app.exec();
    g_counting = false;
    modem.stop();
    std::printf("entries %d, allocations on the window thread %lu, on the line thread %lu, "
                "line thread %d, transcript lines %lld, end: %s\n",
                entries, g_windowAllocations.load(), g_lineAllocations.load(),
                g_lineThreadId.load(), static_cast<long long>(transcript.size()), qPrintable(end));
    return 0;
}
