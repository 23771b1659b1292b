// SPDX-License-Identifier: GPL-3.0-or-later
// tavoli-soak: many dialogues in a row through the real main window (offscreen), its serial port
// and one simulated modem on a pseudo-terminal, each with a fault drawn at random: every one must
// end idle, port closed, with the message its fault calls for, and memory must stay flat.
//
//   tavoli-soak [--dialogues N] [--seed S]
#include "applicationsetup.h"
#include "dialoguetexts.h"
#include "form1.h"
#include "hayesmodem.h"
#include "modemprotocol.h"
#include "portlock.h"
#include "quietoffscreen.h"
#include "serialtexts.h"
#include "soakplan.h"
#include "textutils.h"

#include <QAbstractButton>
#include <QApplication>
#include <QChildEvent>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <map>

using namespace Soak;

namespace {

void print(const QString &text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

// VmRSS of this process in kB, -1 when unknown.
qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll()).section(u' ', 0, 2);
}

struct Box
{
    bool error = false;
    QString text;
};

// Answers every message box of the window as soon as it shows, and keeps what it said.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(QWidget &form) : m_form(form) { m_form.installEventFilter(this); }
    QList<Box> boxes;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == &m_form && event->type() == QEvent::ChildAdded) {
            static_cast<QChildEvent *>(event)->child()->installEventFilter(this);
        } else if (event->type() == QEvent::Show) {
            if (auto *box = qobject_cast<QMessageBox *>(watched)) {
                box->removeEventFilter(this);
                boxes.append({box->icon() == QMessageBox::Critical, box->text()});
                QPointer<QMessageBox> guard(box);
                QTimer::singleShot(0, box, [guard] {
                    if (guard)
                        guard->done(QMessageBox::Ok);
                });
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget &m_form;
};

const char *buttonOf(Action d)
{
    switch (d) {
    case Action::Configurar:
        return "Configuro";
    case Action::Desconfigurar:
        return "Desconf";
    case Action::Preguntar:
        return "Pregunto";
    }
    return "";
}

// The box the outcome calls for; none for the query's two quiet ends.
std::optional<Box> expectedBox(const Plan &plan, const QString &device)
{
    using namespace DialogueTexts;
    switch (plan.expected) {
    case End::Configured:
        return Box{false, ConfiguredOk};
    case End::Unconfigured:
        return Box{false, UnconfiguredOk};
    case End::Read:
    case End::SpeedUnknown:
        return std::nullopt;
    case End::CommandError:
        return Box{true, CommandErrorLead + plan.target + u'\n' + CommandErrorTail};
    case End::NoReply:
        return Box{true, NoReplyMessage};
    case End::PortLost:
        return Box{true, SerialTexts::PortLost.arg(SerialTexts::portName(1, device))};
    }
    return std::nullopt;
}

QString shown(const QList<Box> &boxes)
{
    QStringList all;
    for (const Box &box : boxes)
        all << (box.error ? "E:" : "I:") + QString(box.text).replace(u'\n', QLatin1String("\\n"));
    return all.isEmpty() ? QStringLiteral("(no box)") : all.join(QStringLiteral(" | "));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QuietOffscreen::install();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavoli"));
    ApplicationSetup::InstallQtTranslations(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Dialogues in a row through the real window against a simulated modem with faults."));
    parser.addHelpOption();
    const QCommandLineOption dialoguesOption(QStringLiteral("dialogues"),
                                             QStringLiteral("How many (default 1000)."),
                                             QStringLiteral("N"), QStringLiteral("1000"));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
                                        QStringLiteral("Seed of the draw (default: the clock)."),
                                        QStringLiteral("S"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                           QStringLiteral("One line per dialogue."));
    parser.addOption(dialoguesOption);
    parser.addOption(seedOption);
    // The window's line log ("Registro de la línea") keeps its last Transcript::Capacity lines
    // by design; emptying it after each dialogue tells that ring filling up from a leak.
    const QCommandLineOption clearLogOption(
        QStringLiteral("clear-line-log"),
        QStringLiteral("Empty the window's line log after every dialogue."));
    parser.addOption(verboseOption);
    parser.addOption(clearLogOption);
    parser.process(app);
    bool ok = false;
    const int dialogues = parser.value(dialoguesOption).toInt(&ok);
    if (!ok || dialogues < 1) {
        print(QStringLiteral("--dialogues: a whole number of at least 1"));
        return 2;
    }
    quint32 seed = quint32(QDateTime::currentMSecsSinceEpoch());
    if (parser.isSet(seedOption)) {
        seed = parser.value(seedOption).toUInt(&ok);
        if (!ok) {
            print(QStringLiteral("--seed: a whole number from 0 to 4294967295"));
            return 2;
        }
    }

    // The window reads its list from the working directory: a short one of its own.
    QTemporaryDir workDir;
    if (!workDir.isValid()) {
        print(QStringLiteral("no temporary directory: ") + workDir.errorString());
        return 1;
    }
    QDir::setCurrent(workDir.path());
    {
        QFile ini(SettingsFilePath());
        const QByteArray text = "[" + ExecutableBaseName().toUtf8() + "]\r\nCmdAT=S0=#;B0;L2\r\n";
        if (!ini.open(QIODevice::WriteOnly) || ini.write(text) != text.size()) {
            print(QStringLiteral("cannot write ") + ini.fileName());
            return 1;
        }
    }

    // A modem out of its box (echo, result words), ring count 2 and speed 9600 stored; it keeps
    // no log, so that its memory does not grow with the run.
    HayesOptions options;
    options.echo = true;
    options.verbose = true;
    options.registers = {{0, 2}, {37, 9}};
    options.keepLog = false;
    HayesModem modem(options);
    QString device;
    const auto startModem = [&]() {
        std::string why;
        if (!modem.start(&why)) {
            print(QStringLiteral("cannot start the simulated modem: ")
                  + QString::fromStdString(why));
            return false;
        }
        device = QString::fromStdString(modem.devicePath());
        qputenv("TAVOLI_COM1", device.toLocal8Bit());
        return true;
    };
    if (!startModem())
        return 1;

    std::mt19937 random(seed);
    int failures = 0;
    std::map<QString, int> counts; // "fault -> outcome"
    qint64 rssAfterHundred = -1;
    qsizetype logAfterHundred = 0;
    qsizetype logLast = 0;
    qint64 rssLast = -1;
    qint64 rssPeak = 0;
    QElapsedTimer total;
    {
        Form1 form;
        form.show();
        if (!QTest::qWaitForWindowExposed(&form))
            print(QStringLiteral("warning: the window was not exposed"));
        BoxAnswerer answerer(form);
        QList<qint16> numbers; // what a query read, in order
        QObject::connect(&form, &Form1::ended, &form, [&numbers](const DialogueResult &result) {
            for (const std::optional<qint16> &read : {result.rings, result.s37})
                if (read)
                    numbers << *read;
        });

        print(QStringLiteral("tavoli-soak  %1")
                  .arg(QDateTime::currentDateTime().toString(Qt::ISODate)));
        print(QStringLiteral("dialogues: %1, seed: %2 (--seed %2 repeats the draw)")
                  .arg(dialogues)
                  .arg(seed));
        print(QStringLiteral("machine: %1 cores, load average at start: %2")
                  .arg(QThread::idealThreadCount())
                  .arg(loadAverage()));
        total.start();

        for (int i = 1; i <= dialogues; ++i) {
            const ModemBefore before{modem.quiet(), modem.echo()};
            const int rings = modem.registerValue(0);
            const int speed = modem.registerValue(37);
            QStringList list;
            for (const QString &entry : form.BuildCommandList().entries)
                list << ModemProtocol::CmdPrefix + entry;
            const Plan plan = draw(random, list, before);
            modem.setFaults(plan.faults);
            modem.setReplyShape(plan.shape);
            answerer.boxes.clear();
            numbers.clear();

            auto *button =
                form.findChild<QAbstractButton *>(QLatin1String(buttonOf(plan.dialogue)));
            QEventLoop loop;
            const auto ended =
                QObject::connect(&form, &Form1::stateChanged, &loop, [&loop](qint16 state) {
                    if (state == 0)
                        loop.quit();
                });
            QTimer::singleShot(15000, &loop, &QEventLoop::quit);
            QElapsedTimer dialogueTime;
            dialogueTime.start();
            QTest::mouseClick(button, Qt::LeftButton);
            if (!form.isIdle())
                loop.exec();
            QObject::disconnect(ended);

            QString wrong;
            const std::optional<Box> box = expectedBox(plan, device);
            const bool portOpen = QFile::exists(PortLock::qtLockFilePath(device));
            if (!form.isIdle() || portOpen) {
                wrong = QStringLiteral("not back to idle within 15 s (state %1, port %2)")
                            .arg(form.dialogueState())
                            .arg(portOpen ? "open" : "closed");
            } else if (box ? answerer.boxes.size() != 1 || answerer.boxes[0].error != box->error
                                 || answerer.boxes[0].text != box->text
                           : !answerer.boxes.isEmpty()) {
                wrong = QStringLiteral("shown %1, expected %2")
                            .arg(shown(answerer.boxes), box ? shown({*box}) : shown({}));
            } else if (plan.expected == End::Read
                       && numbers != QList<qint16>{qint16(rings), qint16(speed)}) {
                wrong = QStringLiteral("read %1 numbers, expected S0=%2 S37=%3")
                            .arg(numbers.size())
                            .arg(rings)
                            .arg(speed);
            } else if (plan.expected == End::SpeedUnknown
                       && numbers != QList<qint16>{qint16(rings)}) {
                wrong = QStringLiteral("read %1 numbers, expected S0=%2 only")
                            .arg(numbers.size())
                            .arg(rings);
            }
            const QString outcome = wrong.isEmpty() ? name(plan.expected) : QStringLiteral("WRONG");
            ++counts[name(plan.fault) + QStringLiteral(" -> ") + outcome];
            if (parser.isSet(verboseOption))
                print(QStringLiteral("  %1: %2 with %3%4 -> %5 (%6 ms)")
                          .arg(i)
                          .arg(name(plan.dialogue), name(plan.fault),
                               plan.target.isEmpty() ? QString() : " on " + plan.target, outcome)
                          .arg(dialogueTime.elapsed()));
            if (!wrong.isEmpty()) {
                ++failures;
                print(QStringLiteral("dialogue %1 (seed %2): %3 with %4%5: %6")
                          .arg(i)
                          .arg(seed)
                          .arg(name(plan.dialogue), name(plan.fault),
                               plan.target.isEmpty() ? QString() : " on " + plan.target, wrong));
                if (!form.isIdle()) {
                    form.close(); // ends a dialogue that is stuck; shown again for the next
                    form.show();
                }
            }

            // The line is quiet before the next dialogue: a flood has run out, a dropped line
            // is plugged in again.
            // A flood takes 16 pieces 10 ms apart; the one after a repeated command may have
            // started just before the dialogue ended.
            if (plan.fault == Fault::Flood)
                QTest::qWait(200);
            if (!modem.lineOpen()) {
                modem.stop();
                if (!startModem())
                    return 1;
            }
            if (parser.isSet(clearLogOption))
                form.transcript().clear();
            const qint64 rss = residentKb();
            rssPeak = std::max(rssPeak, rss);
            if (i == std::min(100, dialogues))
                rssAfterHundred = rss, logAfterHundred = form.transcript().size();
            rssLast = rss;
            logLast = form.transcript().size();
            if (i % 100 == 0)
                print(
                    QStringLiteral("  %1 dialogues, %2 s, VmRSS %3 kB, line log %4 lines, %5 wrong")
                        .arg(i)
                        .arg(total.elapsed() / 1000)
                        .arg(rss)
                        .arg(form.transcript().size())
                        .arg(failures));
        }
        form.close();
    }
    modem.stop();

    const double seconds = total.elapsed() / 1000.0;
    print(QString());
    print(QStringLiteral("fault -> outcome: count"));
    for (const auto &[key, count] : counts)
        print(QStringLiteral("  %1: %2").arg(key).arg(count));
    const qint64 growth = rssLast - rssAfterHundred;
    const bool rssOk = rssAfterHundred >= 0 && growth <= 1024;
    print(QStringLiteral("VmRSS after dialogue %1: %2 kB; after the last: %3 kB; difference %4 kB "
                         "(goal: at most 1024 kB) %5; peak %6 kB")
              .arg(std::min(100, dialogues))
              .arg(rssAfterHundred)
              .arg(rssLast)
              .arg(growth)
              .arg(rssOk ? "met" : "MISSED")
              .arg(rssPeak));
    print(QStringLiteral("line log: %1 lines kept after dialogue %2, %3 after the last (it keeps "
                         "at most %4%5)")
              .arg(logAfterHundred)
              .arg(std::min(100, dialogues))
              .arg(logLast)
              .arg(Transcript::Capacity)
              .arg(parser.isSet(clearLogOption) ? QStringLiteral("; emptied after every dialogue")
                                                : QString()));
    print(QStringLiteral("%1 dialogues in %2 s (%3 s each on average), %4 ended wrong")
              .arg(dialogues)
              .arg(seconds, 0, 'f', 1)
              .arg(seconds / dialogues, 0, 'f', 2)
              .arg(failures));
    print(QStringLiteral("load average at end: %1").arg(loadAverage()));
    return failures == 0 && rssOk ? 0 : 1;
}
