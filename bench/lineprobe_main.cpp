// SPDX-License-Identifier: GPL-3.0-or-later
// tavoli-bench-line: one "Configurar" dialogue of a modem session as the window has it (its own
// line thread, the transcript recording), against the simulated modem on a pseudo-terminal,
// with a face that paints nothing. It prints the heap allocations of the window's thread and of
// the line thread during the dialogue, and the line thread's id; bench/lineprobe.sh runs it with
// a long list and with one entry, under callgrind and strace too, and divides the difference by
// the extra exchanges.
#include "dialogueengine.h"
#include "dialoguesettings.h"
#include "dialogueview.h"
#include "hayesmodem.h"
#include "modemsession.h"
#include "transcript.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <atomic>

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

// Heap allocations of the engine's thread, counted by standing in front of glibc's allocator.
extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_calloc(std::size_t count, std::size_t size);
void *__libc_realloc(void *pointer, std::size_t size);
}
namespace {
thread_local bool t_counting = false;
std::atomic<unsigned long> g_windowAllocations = 0;
std::atomic<unsigned long> g_lineAllocations = 0;
std::atomic<int> g_lineThreadId = 0;

void countAllocation()
{
    if (t_counting)
        (g_lineThreadId == ::gettid() ? g_lineAllocations : g_windowAllocations)++;
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

// What the window does with the dialogue, minus the painting: the status line keeps its latest
// caption, the boxes end the run.
class ProbeFace final : public DialogueView, public DialogueSettings
{
public:
    // The list is made before anything is counted: making it is the probe's work, not the
    // program's (which reads its list from the INI file once per configuration).
    explicit ProbeFace(int entries)
    {
        for (int i = 0; i < entries; ++i)
            m_list << QStringLiteral("S%1=%2").arg(i % 3 == 0 ? 0 : 7).arg(i % 50);
    }

    void setLineSettingsEnabled(bool) override {}
    void setInfo(const QString &caption) override { m_info = caption; }
    // As the window's status line does between two frames: keeps the body, formats nothing.
    void entrySent(const QString &body) override { m_info = body; }
    void setAnsw1(const QString &) override {}
    void setAnsw2(const QString &) override {}
    void showError(const QString &text) override { end(text); }
    void showInformation(const QString &text) override { end(text); }
    void showIdentification(const Identification &) override { end(QStringLiteral("?")); }

    Parity parityMode() const override { return Parity::Even; }
    CommandListResult BuildCommandList() override { return CommandListResult::checked(m_list); }

    QString box;

private:
    void end(const QString &text)
    {
        box = text;
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
    QStringList m_list;
    QString m_info;
};

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
    ProbeFace face(entries);
    ModemSession session(face, face, ModemSession::Recording::On,
                         ModemSession::Threading::LineThread);
    session.port().setDevice(QString::fromStdString(modem.devicePath()));
    // Counted on each thread from the dialogue's start: the window's from here, the line
    // thread's from the first state it enters.
    QObject::connect(
        &session.engine(), &DialogueEngine::stateChanged, &session,
        [] {
            if (!t_counting && QThread::currentThread() != qApp->thread()) {
                t_counting = true;
                g_lineThreadId = ::gettid();
            }
        },
        Qt::DirectConnection);
    t_counting = true;
    session.run(Dialogue::ConfigWake);
    app.exec();
    t_counting = false;
    modem.stop();
    std::printf("entries %d, allocations on the window thread %lu, on the line thread %lu, "
                "line thread %d, transcript lines %lld, box: %s\n",
                entries, g_windowAllocations.load(), g_lineAllocations.load(),
                g_lineThreadId.load(), static_cast<long long>(session.transcript()->size()),
                qPrintable(face.box));
    return 0;
}
