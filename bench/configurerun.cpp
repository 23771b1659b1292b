// SPDX-License-Identifier: GPL-3.0-or-later
#include "configurerun.h"

#include "dialoguetexts.h"
#include "eventwait.h"
#include "form1.h"
#include "hayesmodem.h"
#include "modemprotocol.h"

#include <QAbstractButton>
#include <QChildEvent>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <ctime>

namespace {

using Clock = std::chrono::steady_clock;

double microseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

double milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// CPU time of the calling thread (the window's: the box shows on it).
double threadCpuMs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double processCpuMs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

} // namespace

ConfigureRun::ConfigureRun(Form1 &form, HayesModem &modem) : m_form(form), m_modem(modem)
{
    // The boxes are children of the window: watching its ChildAdded events (and then the box
    // itself) sees them appear without a filter on every event of the application.
    m_form.installEventFilter(this);
}

bool ConfigureRun::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_form && event->type() == QEvent::ChildAdded) {
        // Still under construction here: look at it once it is shown.
        static_cast<QChildEvent *>(event)->child()->installEventFilter(this);
    } else if (event->type() == QEvent::Show) {
        if (auto *box = qobject_cast<QMessageBox *>(watched)) {
            const Clock::time_point now = Clock::now();
            const double cpuNow = threadCpuMs();
            box->removeEventFilter(this);
            if (box->icon() == QMessageBox::Information && !m_boxSeen) {
                m_boxSeen = true;
                m_boxShown = now;
                m_cpuAtBoxMs = cpuNow;
                m_processCpuAtBoxMs = processCpuMs();
                m_boxText = box->text();
                m_boxIcon = box->icon();
            } else {
                ++m_otherBoxes;
                m_otherBoxText = box->text();
            }
            // Answered from inside its own loop, as an operator would.
            QPointer<QMessageBox> guard(box);
            QTimer::singleShot(0, box, [guard] {
                if (guard)
                    guard->button(QMessageBox::Ok)->click();
            });
        }
    }
    return QObject::eventFilter(watched, event);
}

ConfigureResult ConfigureRun::run(int timeoutMs)
{
    ConfigureResult result;
    m_boxSeen = false;
    m_otherBoxes = 0;
    m_otherBoxText.clear();

    auto *button = m_form.findChild<QAbstractButton *>(QStringLiteral("Configuro"));
    if (!button) {
        result.failure = QStringLiteral("no button \"Configuro\" in the window");
        return result;
    }
    if (!m_form.isIdle()) {
        result.failure = QStringLiteral("a dialogue is already running");
        return result;
    }

    m_modem.clearLog();
    QEventLoop loop;
    const QMetaObject::Connection ended =
        connect(&m_form, &Form1::stateChanged, &loop, [&loop](qint16 state) {
            if (state == 0)
                loop.quit();
        });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);

    EventWait waits;
    waits.start();
    const double cpuAtClick = threadCpuMs();
    const double processCpuAtClick = processCpuMs();
    const Clock::time_point clicked = Clock::now();
    QTest::mouseClick(button, Qt::LeftButton);
    if (!m_form.isIdle())
        loop.exec();
    disconnect(ended);
    waits.stop();
    result.eventWaitMs = waits.waitsMs();

    if (!m_form.isIdle()) {
        result.failure = QStringLiteral("no end within %1 ms (state %2)")
                             .arg(timeoutMs)
                             .arg(m_form.dialogueState());
        // Closing the window ends its dialogue; shown again for the next run.
        m_form.close();
        m_form.show();
        return result;
    }
    if (m_otherBoxes > 0) {
        result.failure = QStringLiteral("the window showed: ") + m_otherBoxText;
        return result;
    }
    if (!m_boxSeen || m_boxText != DialogueTexts::ConfiguredOk) {
        result.failure = QStringLiteral("no success box");
        return result;
    }

    // The modem's log, checked line by line against what a configuration sends.
    const QStringList list = m_form.BuildCommandList().entries;
    const std::vector<HayesModem::Received> rx = m_modem.received();
    const std::vector<HayesModem::Sent> tx = m_modem.sent();
    QStringList expected;
    expected << ModemProtocol::CmdConfigWake << ModemProtocol::CmdConfigWake;
    for (const QString &entry : list)
        expected << ModemProtocol::CmdPrefix + entry;
    expected << ModemProtocol::CmdQuiet << ModemProtocol::CmdStoreProfile;
    if (rx.size() != std::size_t(expected.size())) {
        result.failure = QStringLiteral("the modem received %1 lines, expected %2")
                             .arg(rx.size())
                             .arg(expected.size());
        return result;
    }
    for (qsizetype i = 0; i < expected.size(); ++i) {
        if (QString::fromStdString(rx[std::size_t(i)].line) != expected.at(i)) {
            result.failure =
                QStringLiteral("line %1 was \"%2\", expected \"%3\"")
                    .arg(i)
                    .arg(QString::fromStdString(rx[std::size_t(i)].line), expected.at(i));
            return result;
        }
    }
    // Every command before "ATQ1" answered "0"; under Q1 the modem answers nothing.
    const std::size_t replies = rx.size() - 2;
    if (tx.size() != replies) {
        result.failure =
            QStringLiteral("the modem sent %1 replies, expected %2").arg(tx.size()).arg(replies);
        return result;
    }
    for (const HayesModem::Sent &reply : tx) {
        if (reply.text != "0\r") {
            result.failure =
                QStringLiteral("the modem replied \"%1\"").arg(QString::fromStdString(reply.text));
            return result;
        }
    }

    // rx[0] first "AT&F0E0Q0V0" (its reply tx[0] is not looked at), rx[1] the repetition,
    // rx[2 ..] the list, then "ATQ1" and "AT&W0". Step k: tx[k] (reply to rx[k]) to rx[k+1].
    const std::size_t quiet = rx.size() - 2;
    for (std::size_t k = 1; k < quiet; ++k)
        result.stepUs.push_back(microseconds(rx[k + 1].firstByte - tx[k].lastByte));
    result.exchanges = int(quiet - 1);
    result.clickToFirstCommandUs = microseconds(rx[0].firstByte - clicked);
    result.totalMs = milliseconds(m_boxShown - clicked);
    result.pacedMs[0] = milliseconds(rx[1].firstByte - rx[0].firstByte);
    result.pacedMs[1] = milliseconds(rx[quiet + 1].firstByte - rx[quiet].firstByte);
    result.pacedMs[2] = milliseconds(m_boxShown - rx[quiet + 1].firstByte);
    result.listMs = milliseconds(rx[quiet].firstByte - rx[1].firstByte);
    result.windowCpuMs = m_cpuAtBoxMs - cpuAtClick;
    result.processCpuMs = m_processCpuAtBoxMs - processCpuAtClick;
    return result;
}
