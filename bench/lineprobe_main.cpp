// SPDX-License-Identifier: GPL-3.0-or-later
// tavoli-bench-line: one "Configurar" dialogue, the real engine and serial port with the
// transcript between them as the window has it, against the simulated modem on a
// pseudo-terminal, without a window. It prints how many heap allocations the engine's thread
// made during the dialogue; bench/lineprobe.sh runs it with a long list and with one entry,
// under callgrind and strace too, and divides the difference by the extra exchanges.
#include "deviceline.h"
#include "dialogueengine.h"
#include "dialoguesettings.h"
#include "dialogueview.h"
#include "hayesmodem.h"
#include "precisetimer.h"
#include "serialport.h"
#include "tracing.h"
#include "transcript.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

// Heap allocations of the engine's thread, counted by standing in front of glibc's allocator.
extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_calloc(std::size_t count, std::size_t size);
void *__libc_realloc(void *pointer, std::size_t size);
}
namespace {
thread_local bool t_counting = false;
thread_local unsigned long t_allocations = 0;
} // namespace
extern "C" void *malloc(std::size_t size)
{
    t_allocations += t_counting;
    return __libc_malloc(size);
}
extern "C" void *calloc(std::size_t count, std::size_t size)
{
    t_allocations += t_counting;
    return __libc_calloc(count, size);
}
extern "C" void *realloc(void *pointer, std::size_t size)
{
    t_allocations += t_counting;
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
    SerialPort port;
    port.setDevice(QString::fromStdString(modem.devicePath()));
    DeviceLine line(port);
    Transcript transcript;
    ProbeFace face(entries);
    TracingLine tracedLine(line, transcript, [&port] {
        return TracingLine::Description{port.device(), port.settings(), Parity::Even};
    });
    TracingView tracedView(face, transcript);
    PreciseTimer timer;
    DialogueEngine engine(tracedLine, timer, tracedView, face);
    QObject::connect(&timer, &PreciseTimer::Timer, &transcript, &Transcript::timerStep);
    QObject::connect(&engine, &DialogueEngine::stateChanged, &transcript,
                     &Transcript::stateChanged);
    QObject::connect(&line, &DeviceLine::received, &engine, &DialogueEngine::bytesAvailable);
    QObject::connect(&line, &DeviceLine::lost, &engine, &DialogueEngine::portLost);
    QObject::connect(&timer, &PreciseTimer::Timer, &engine, &DialogueEngine::Timm_Timer);

    t_counting = true;
    engine.startDialogue(Dialogue::ConfigWake);
    app.exec();
    t_counting = false;
    const unsigned long allocations = t_allocations;
    modem.stop();
    std::printf("entries %d, allocations %lu, transcript lines %lld, box: %s\n", entries,
                allocations, static_cast<long long>(transcript.size()), qPrintable(face.box));
    return 0;
}
