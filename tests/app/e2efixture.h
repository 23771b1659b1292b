// The whole program against the Hayes modem simulator: the real window, the real serial port
// on a pseudo-terminal, the real one-second timer. A test builds a Bench with the modem it
// wants, presses the window's buttons as the operator would and then reads, from the modem's
// side, what went down the line and when.
//
//     E2e::Bench bench(E2e::poweredOn());
//     QVERIFY2(bench.start(), qPrintable(bench.error()));
//     bench.press("Pregunto");
//     QVERIFY(bench.waitIdle());
//     QCOMPARE(bench.commands(), (QStringList{"ATE0Q0V0", ...}));
//
// Times come from the modem's own clock (steady_clock, taken right after the read() that
// delivered a command), so the gaps measured are what a modem on the line would see.
#pragma once

#include "form1.h"
#include "form1controls.h"
#include "hayesmodem.h"
#include "messageboxwatcher.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <functional>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace E2e {

using Clock = HayesModem::Clock;

// A paced step must never come early. The modem stamps a command when its thread gets round
// to reading it, and on a loaded machine that wake-up varies by a few milliseconds from one
// command to the next (a gap of 998.9 ms has been seen between two sendings a full second
// apart), so that much slack is allowed below the second; above it the margin is wide, since
// the machine is shared and busy. How punctual the steps are is for the benchmark to measure.
constexpr int ClockSlackMs = 10;
constexpr int LateMarginMs = 600;
constexpr int PacedMinMs = DialogueEngine::StepIntervalMs - ClockSlackMs;
constexpr int PacedMaxMs = DialogueEngine::StepIntervalMs + LateMarginMs;
// Longest a whole dialogue may take here (each takes one to three seconds when all is well).
constexpr int DialogueTimeoutMs = 10000;

enum Parity { None = 0, Odd = 1, Even = 2 };

inline const char *parityButton(int parity)
{
    return parity == Odd ? "OpOdd" : parity == Even ? "OpEvn" : "OpNon";
}

// The bytes a line carries for `text` with the parity bit in bit 7, worked out here on its own
// so that the program's codec is not its own judge.
inline QByteArray withParity(const QByteArray &text, int parity)
{
    QByteArray out = text;
    for (char &c : out) {
        const unsigned char seven = static_cast<unsigned char>(c) & 0x7F;
        int ones = 0;
        for (int bit = 0; bit < 7; ++bit)
            ones += (seven >> bit) & 1;
        bool high = false;
        if (parity == Odd)
            high = ones % 2 == 0; // make the count odd
        else if (parity == Even)
            high = ones % 2 == 1; // make the count even
        c = static_cast<char>(high ? (seven | 0x80) : seven);
    }
    return out;
}

// A modem as it comes out of the box: echo on, verbose result words.
inline HayesOptions poweredOn(std::map<int, int> registers = {})
{
    HayesOptions options;
    options.echo = true;
    options.verbose = true;
    options.registers = std::move(registers);
    return options;
}

inline double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The INI file the program reads its command list from: in the working directory, named after
// the executable (each test binary runs in a scratch directory of its own).
inline QString iniPath()
{
    return QDir::currentPath() + QLatin1Char('/') + QCoreApplication::applicationName()
        + QStringLiteral(".INI");
}

inline bool writeStoredList(const QString &list)
{
    QFile file(iniPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray text = "[" + QCoreApplication::applicationName().toUtf8() + "]\r\nCmdAT="
        + list.toUtf8() + "\r\n";
    return file.write(text) == text.size();
}

inline void removeStoredList()
{
    QFile::remove(iniPath());
}

class Bench
{
public:
    explicit Bench(HayesOptions options = poweredOn()) : m_options(std::move(options)) {}
    ~Bench()
    {
        // The window (and its port) first, then the line.
        m_form.reset();
        if (m_modem)
            m_modem->stop();
    }
    Bench(const Bench &) = delete;
    Bench &operator=(const Bench &) = delete;

    // Starts the modem, points port 1 at it and builds the window. False with error() set.
    bool start()
    {
        m_modem = std::make_unique<HayesModem>(m_options);
        std::string why;
        if (!m_modem->start(&why)) {
            m_error = QString::fromStdString(why);
            return false;
        }
        m_device = QString::fromStdString(m_modem->devicePath());
        qputenv("TAVOLI_COM1", m_device.toLocal8Bit());

        m_boxes = std::make_unique<MessageBoxWatcher>(5);
        m_boxes->setInspector([this](QMessageBox *box) {
            m_boxTimes.append(Clock::now());
            if (m_onBox)
                m_onBox(box);
        });

        m_form = std::make_unique<Form1>();
        m_form->show();
        if (!QTest::qWaitForWindowExposed(m_form.get())) {
            m_error = QStringLiteral("the main window was not shown");
            return false;
        }
        QObject::connect(&m_form->engine(), &DialogueEngine::stateChanged, m_form.get(),
                         [this](qint16 state) {
                             m_states.append(state);
                             m_stateTimes.append(Clock::now());
                             m_infoAt.append(label("info"));
                         });
        return true;
    }

    QString error() const { return m_error; }
    QString device() const { return m_device; }
    HayesModem &modem() { return *m_modem; }
    Form1 &form() { return *m_form; }
    MessageBoxWatcher &boxes() { return *m_boxes; }
    // Called with every box as it is seen, before it is answered.
    void onBox(std::function<void(QMessageBox *)> hook) { m_onBox = std::move(hook); }
    // When each box was seen (at most the watcher's poll interval after it appeared).
    Clock::time_point boxSeenAt(qsizetype i) const { return m_boxTimes.at(i); }

    // The operator's clicks and typing.
    void press(const QString &key)
    {
        QWidget *widget = control(*m_form, key);
        QVERIFY2(widget, qPrintable(key));
        QVERIFY2(widget->isEnabled(), qPrintable(key));
        QTest::mouseClick(widget, Qt::LeftButton);
    }
    void setParity(int parity)
    {
        press(QString::fromLatin1(parityButton(parity)));
    }
    void setSpeed(int index) { press(QStringLiteral("OpBau#%1").arg(index)); }
    void typeRings(const QString &rings)
    {
        auto *llam = control<QLineEdit>(*m_form, QStringLiteral("llam"));
        QVERIFY(llam);
        llam->setFocus();
        llam->selectAll();
        QTest::keyClick(llam, Qt::Key_Backspace);
        QTest::keyClicks(llam, rings);
        QCOMPARE(llam->text(), rings);
    }

    QString label(const char *name) const { return caption(control(*m_form, QLatin1String(name))); }

    // Every state the dialogue went through, and `info` as it read on entering each.
    QList<int> states() const { return m_states; }
    QStringList infoAtStates() const { return m_infoAt; }
    // When the last entry into `state` happened.
    Clock::time_point enteredAt(int state) const
    {
        return m_stateTimes.at(m_states.lastIndexOf(state));
    }

    // Waits until a dialogue that was started has ended (state 0, port closed).
    bool waitIdle(int timeoutMs = DialogueTimeoutMs)
    {
        return QTest::qWaitFor(
            [this] {
                return !m_states.isEmpty() && m_form->engine().DialogueState == Dialogue::Idle
                    && !m_form->comm().isOpen();
            },
            timeoutMs);
    }

    // The end of every dialogue: port closed, state 0, timer off, the three frames usable.
    bool closedAndIdle() const
    {
        return m_form->engine().DialogueState == Dialogue::Idle && !m_form->comm().isOpen()
            && !m_form->timm().isActive() && lineSettingFramesEnabled(*m_form);
    }

    // What the modem received, line by line: bit 7 cleared and without the CR...
    QStringList commands() const
    {
        QStringList lines;
        for (const HayesModem::Received &r : m_modem->received())
            lines << QString::fromLatin1(r.line.data(), qsizetype(r.line.size()));
        return lines;
    }
    // ...and byte for byte as it came down the line, parity bit and CR included.
    QList<QByteArray> rawCommands() const
    {
        QList<QByteArray> raw;
        for (const HayesModem::Received &r : m_modem->received())
            raw << QByteArray(r.raw.data(), qsizetype(r.raw.size()));
        return raw;
    }
    Clock::time_point receivedAt(qsizetype i) const
    {
        return m_modem->received().at(size_t(i)).lastByte;
    }
    double msBetweenCommands(qsizetype a, qsizetype b) const
    {
        return msBetween(receivedAt(a), receivedAt(b));
    }

    // Proves what the modem keeps in its stored profile: spoils the active settings, then
    // has the modem reload the stored ones with ATZ. Only while the program has the port
    // closed.
    bool recallStoredProfile()
    {
        const int fd = ::open(m_device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return false;
        const std::size_t before = m_modem->received().size();
        const char spoil[] = "ATE1Q0V1S0=0\r";
        const char recall[] = "ATZ\r";
        bool ok = ::write(fd, spoil, sizeof spoil - 1) == ssize_t(sizeof spoil - 1);
        // ATZ must not overtake the spoiling line's effect: the modem answers that one first.
        ok = ok && QTest::qWaitFor([&] { return !m_modem->quiet() && m_modem->registerValue(0) == 0; }, 3000);
        ok = ok && ::write(fd, recall, sizeof recall - 1) == ssize_t(sizeof recall - 1);
        ok = ok && m_modem->waitForReceived(before + 2, 3000);
        ::close(fd);
        return ok;
    }

private:
    HayesOptions m_options;
    std::unique_ptr<HayesModem> m_modem;
    std::unique_ptr<MessageBoxWatcher> m_boxes;
    std::unique_ptr<Form1> m_form;
    std::function<void(QMessageBox *)> m_onBox;
    QList<Clock::time_point> m_boxTimes;
    QList<int> m_states;
    QList<Clock::time_point> m_stateTimes;
    QStringList m_infoAt;
    QString m_device;
    QString m_error;
};

// Runs `act` inside the modal loop of the next dialog that is not a message box (the editor),
// once it is up. A dialog `act` leaves open is cancelled when it returns, so that a failing test
// ends instead of hanging in the modal loop; no dialog within `giveUpMs` and nothing is done.
inline void inNextModalDialog(QObject *context, std::function<void(QDialog *)> act,
                              int giveUpMs = 20000)
{
    auto *poll = new QTimer(context);
    QElapsedTimer since;
    since.start();
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, context, [poll, since, act, giveUpMs] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (dialog && !qobject_cast<QMessageBox *>(dialog)) {
            poll->deleteLater();
            poll->stop();
            QPointer<QDialog> guard(dialog);
            act(dialog);
            if (guard && guard->isVisible())
                guard->reject();
            return;
        }
        if (since.hasExpired(giveUpMs)) {
            poll->deleteLater();
            poll->stop();
        }
    });
    poll->start();
}

// "A within [PacedMinMs, PacedMaxMs)" with the figure in the failure message.
#define E2E_VERIFY_PACED(ms)                                                                  \
    do {                                                                                      \
        const double e2eGap = (ms);                                                           \
        QVERIFY2(e2eGap >= E2e::PacedMinMs && e2eGap < E2e::PacedMaxMs,                       \
                 qPrintable(QStringLiteral("paced step after %1 ms").arg(e2eGap, 0, 'f', 1))); \
    } while (false)

} // namespace E2e
