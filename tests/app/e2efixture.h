// SPDX-License-Identifier: GPL-3.0-or-later
// The whole program against the Hayes modem simulator: the real window, the real serial port on a
// pseudo-terminal, the real one-second timer. A test builds a Bench with the modem it wants,
// presses the window's buttons as the operator would and reads, from the modem's side, what went
// down the line and when (the modem's clock, taken right after the read() of each command).
#pragma once

#include "dialogueengine.h"
#include "form1.h"
#include "form1controls.h"
#include "hayesmodem.h"
#include "messageboxwatcher.h"
#include "ourlock.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <unistd.h>

namespace E2e {

using Clock = HayesModem::Clock;

// A paced step must never come early: measured on the program's own clock (the modem's thread
// stamps a command when it wakes, on a loaded machine tens of ms after the write), in whole
// milliseconds with each end cut down. Never late as the modem saw it, with a wide margin above
// the second (shared machine).
constexpr int PacedMinMs = DialogueEngine::StepIntervalMs - 1;
constexpr int LateMarginMs = 600;
constexpr int PacedMaxMs = DialogueEngine::StepIntervalMs + LateMarginMs;
constexpr int DialogueTimeoutMs = 10000; // each takes one to three seconds when all is well

enum Parity { None = 0, Odd = 1, Even = 2 };

// `text` with the parity bit in bit 7, worked out here so that the program's codec is not its
// own judge.
inline QByteArray withParity(QByteArray text, int parity)
{
    for (char &c : text) {
        const int seven = c & 0x7F;
        int ones = 0;
        for (int bit = 0; bit < 7; ++bit)
            ones += (seven >> bit) & 1;
        const bool high = (parity == Odd && ones % 2 == 0) || (parity == Even && ones % 2 == 1);
        c = char(high ? (seven | 0x80) : seven);
    }
    return text;
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

// The program's INI file: in the working directory (one of its own per test binary), named
// after the executable.
inline QString iniPath()
{
    return QDir::currentPath() + u'/' + QCoreApplication::applicationName() + ".INI";
}

inline bool writeStoredList(const QString &list)
{
    QFile file(iniPath());
    const QByteArray text =
        "[" + QCoreApplication::applicationName().toUtf8() + "]\r\nCmdAT=" + list.toUtf8() + "\r\n";
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

class Bench
{
public:
    explicit Bench(HayesOptions options = poweredOn()) : m_options(std::move(options)) {}
    ~Bench()
    {
        m_form.reset(); // the window and its port first, then the line
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
        m_form = std::make_unique<Form1>();
        m_form->show();
        if (!QTest::qWaitForWindowExposed(m_form.get())) {
            m_error = QStringLiteral("the main window was not shown");
            return false;
        }
        QObject::connect(m_form.get(), &Form1::stateChanged, m_form.get(), [this](qint16 state) {
            m_states.append(state);
            m_stateTimes.append(Clock::now());
            m_infoAt.append(m_form->infoText());
        });
        return true;
    }

    QString error() const { return m_error; }
    QString device() const { return m_device; }
    HayesModem &modem() { return *m_modem; }
    Form1 &form() { return *m_form; }
    MessageBoxWatcher &boxes() { return *m_boxes; }

    // The operator's clicks and typing.
    void press(const QString &key)
    {
        QWidget *widget = control(*m_form, key);
        QVERIFY2(widget && widget->isEnabled(), qPrintable(key));
        QTest::mouseClick(widget, Qt::LeftButton);
    }
    void setParity(int parity)
    {
        press(parity == Odd ? "OpOdd" : parity == Even ? "OpEvn" : "OpNon");
    }
    void setSpeed(int index) { press(QStringLiteral("OpBau#%1").arg(index)); }
    void typeRings(const QString &rings)
    {
        auto *llam = control<QLineEdit>(*m_form, QStringLiteral("llam"));
        llam->setFocus();
        llam->selectAll();
        QTest::keyClick(llam, Qt::Key_Backspace);
        QTest::keyClicks(llam, rings);
        QCOMPARE(llam->text(), rings);
    }

    QString label(const char *name) const { return caption(control(*m_form, QLatin1String(name))); }

    // Every state the dialogue went through, `info` as it read on entering each, and when the
    // last entry into a state happened.
    QList<int> states() const { return m_states; }
    QStringList infoAtStates() const { return m_infoAt; }
    Clock::time_point enteredAt(int state) const
    {
        return m_stateTimes.at(m_states.lastIndexOf(state));
    }

    // Waits until a dialogue that was started has ended (state 0, port closed).
    bool waitIdle()
    {
        return QTest::qWaitFor(
            [this] {
                return !m_states.isEmpty() && m_states.last() == Dialogue::Idle && m_form->isIdle()
                       && portClosed();
            },
            DialogueTimeoutMs);
    }

    // The end of every dialogue: port closed, state 0, the three frames usable. The session's
    // timer is off before the window hears of the end.
    bool closedAndIdle() const
    {
        return m_form->dialogueState() == Dialogue::Idle && m_form->isIdle() && portClosed()
               && enabledFrames(*m_form) == 3;
    }
    // What closedAndIdle() looked at, for a failure's message.
    QString idleness() const
    {
        return QStringLiteral("state %1, idle %2, port %3, frames %4")
            .arg(m_form->dialogueState())
            .arg(m_form->isIdle())
            .arg(portClosed() ? "closed" : "open")
            .arg(enabledFrames(*m_form));
    }
    // The port's lock file goes with its closing.
    bool portClosed() const { return !lockedByUs(m_device); }

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
    // Command `b` may be one past the last: the dialogue's end, as the window heard of it.
    double msBetweenCommands(qsizetype a, qsizetype b) const
    {
        const bool end = size_t(b) == m_modem->received().size();
        return msBetween(receivedAt(a), end ? enteredAt(Dialogue::Idle) : receivedAt(b));
    }
    // The same on the dialogue clock that the line thread stamps the transcript with as each
    // command goes out; one past the last is the last line within the latest dialogue. -1 when
    // the transcript's commands are not the modem's log (cleared since): indices would not match.
    qint64 ownMsBetweenCommands(qsizetype a, qsizetype b) const
    {
        const Transcript &transcript = m_form->transcript();
        QList<qint64> sent;
        qint64 end = -1;
        for (quint64 s = transcript.firstSerial(); s < transcript.endSerial(); ++s) {
            const Transcript::Line line = transcript.line(s);
            if (line.direction == Transcript::Direction::Sent)
                sent << line.sinceMs;
            if (line.sinceMs >= 0)
                end = line.sinceMs;
        }
        if (sent.size() != qsizetype(m_modem->received().size()) || a >= sent.size()
            || b > sent.size())
            return -1;
        return (b < sent.size() ? sent.at(b) : end) - sent.at(a);
    }

    // Every box shown, as "I:text" (information icon) or "E:text" (error icon); a title other
    // than the program's would show in front.
    QStringList shownBoxes() const
    {
        QStringList shown;
        for (const SeenMessageBox &box : m_boxes->boxes()) {
            const char *icon = box.icon == QMessageBox::Information ? "I:"
                               : box.icon == QMessageBox::Critical  ? "E:"
                                                                    : "?:";
            shown << (box.title == QLatin1String("Tavoli") ? QString() : box.title + u'|') + icon
                         + box.text;
        }
        return shown;
    }

    // What the modem keeps in its stored profile, "S0=3 S37=0 E0 V0 Q1 +MS=V34,1": each of these
    // is spoilt to another value, then ATZ reloads the stored ones. Only while the port is closed.
    QString storedProfile()
    {
        HayesModem &m = *m_modem;
        const QByteArray spoil = QStringLiteral("ATE%1V%2Q%3S0=%4S37=%5+MS=X\r")
                                     .arg(int(!m.echo()))
                                     .arg(int(!m.verbose()))
                                     .arg(int(!m.quiet()))
                                     .arg(m.registerValue(0) + 1)
                                     .arg(m.registerValue(37) + 1)
                                     .toLatin1();
        const auto spoilt = [&m] { return m.modulation() == "X"; };
        const int fd = ::open(m_device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        // ATZ must not overtake the spoiling line's effect.
        const bool recalled =
            fd >= 0 && ::write(fd, spoil.constData(), size_t(spoil.size())) == spoil.size()
            && QTest::qWaitFor(spoilt, 3000) && ::write(fd, "ATZ\r", 4) == 4
            && QTest::qWaitFor([&] { return !spoilt(); }, 3000);
        if (fd >= 0)
            ::close(fd);
        if (!recalled)
            return QStringLiteral("(not recalled)");
        return QStringLiteral("S0=%1 S37=%2 E%3 V%4 Q%5 +MS=%6")
            .arg(m.registerValue(0))
            .arg(m.registerValue(37))
            .arg(int(m.echo()))
            .arg(int(m.verbose()))
            .arg(int(m.quiet()))
            .arg(QString::fromStdString(m.modulation()));
    }

private:
    HayesOptions m_options;
    std::unique_ptr<HayesModem> m_modem;
    std::unique_ptr<MessageBoxWatcher> m_boxes;
    std::unique_ptr<Form1> m_form;
    QList<int> m_states;
    QList<Clock::time_point> m_stateTimes;
    QStringList m_infoAt;
    QString m_device;
    QString m_error;
};

// Runs `act` inside the modal loop of the next dialog that is not a message box (the editor),
// once it is up. A dialog `act` leaves open is cancelled when it returns, so that a failing test
// ends instead of hanging in the modal loop.
inline void inNextModalDialog(QObject *context, std::function<void(QDialog *)> act)
{
    auto *poll = new QTimer(context);
    QElapsedTimer since;
    since.start();
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, context, [poll, since, act] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        const bool found = dialog && !qobject_cast<QMessageBox *>(dialog);
        if (found || since.hasExpired(20000)) {
            poll->stop();
            poll->deleteLater();
        }
        if (!found)
            return;
        QPointer<QDialog> guard(dialog);
        act(dialog);
        if (guard && guard->isVisible())
            guard->reject();
    });
    poll->start();
}

// Commands `a` and `b` of `bench` (or `a` and the dialogue's end) a paced step apart, with the
// figures in the failure message.
#define E2E_VERIFY_PACED(bench, a, b)                                                              \
    do {                                                                                           \
        const qint64 e2eOwn = (bench).ownMsBetweenCommands(a, b);                                  \
        const double e2eSeen = (bench).msBetweenCommands(a, b);                                    \
        QVERIFY2(e2eOwn >= E2e::PacedMinMs && e2eSeen < E2e::PacedMaxMs,                           \
                 qPrintable(QStringLiteral("paced step after %1 ms (%2 ms as the modem saw it)")   \
                                .arg(e2eOwn)                                                       \
                                .arg(e2eSeen, 0, 'f', 1)));                                        \
    } while (false)

} // namespace E2e
