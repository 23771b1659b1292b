// SPDX-License-Identifier: GPL-3.0-or-later
// A session with a line thread of its own, against the simulated modem on a pseudo-terminal:
// the dialogue runs off the face's thread and comes back, the face hears a long list at display
// rate and in order, and a stop from inside a box the line thread waits for ends it at once.
#include "dialoguesettings.h"
#include "dialogueview.h"
#include "hayesmodem.h"
#include "modemsession.h"
#include "operatoractions.h"
#include "transcript.h"

#include <QtTest>

#include <atomic>

namespace {

constexpr int Entries = 300;

qsizetype lastEntryCall(const QStringList &calls)
{
    for (qsizetype i = calls.size() - 1; i >= 0; --i)
        if (calls.at(i).startsWith(QLatin1String("entry ")))
            return i;
    return -1;
}

QString entry(int i)
{
    return QStringLiteral("S7=%1").arg(10 + i % 200);
}

// Records what reaches the face and on which thread.
struct Face : DialogueView, DialogueSettings
{
    void setLineSettingsEnabled(bool) override { note(QStringLiteral("frames")); }
    void setInfo(const QString &caption) override { note(QStringLiteral("info ") + caption); }
    void entrySent(const QString &body) override
    {
        ++entriesShown;
        note(QStringLiteral("entry ") + body);
    }
    void setAnsw1(const QString &) override { note(QStringLiteral("answ1")); }
    void setAnsw2(const QString &) override { note(QStringLiteral("answ2")); }
    void showError(const QString &) override
    {
        note(QStringLiteral("error"));
        if (onError)
            onError();
    }
    void showInformation(const QString &) override { note(QStringLiteral("information")); }
    void showIdentification(const Identification &) override {}
    Parity parityMode() const override { return Parity::None; }
    CommandListResult BuildCommandList() override
    {
        note(QStringLiteral("list"));
        QStringList list;
        for (int i = 0; i < Entries; ++i)
            list << entry(i);
        return CommandListResult::checked(list);
    }

    void note(const QString &what) const
    {
        if (QThread::currentThread() != qApp->thread())
            offThread = true;
        calls << what;
    }

    mutable QStringList calls;
    mutable bool offThread = false;
    int entriesShown = 0;
    std::function<void()> onError;
};

} // namespace

class TestModemSession : public QObject
{
    Q_OBJECT
private slots:
    void servedOffTheFacesThread();
    void stopFromInsideABox();
};

void TestModemSession::servedOffTheFacesThread()
{
    HayesModem modem;
    QVERIFY(modem.start());
    Face face;
    ModemSession session(face, face, ModemSession::Recording::On,
                         ModemSession::Threading::LineThread);
    session.port().setDevice(QString::fromStdString(modem.devicePath()));
    std::atomic<int> onFacesThread = 0, elsewhere = 0;
    QObject::connect(
        &session.engine(), &DialogueEngine::stateChanged, &session,
        [&] { (QThread::currentThread() == qApp->thread() ? onFacesThread : elsewhere)++; },
        Qt::DirectConnection);
    QList<DialogueResult> results;
    connect(&session, &ModemSession::ended, this, [&](const DialogueResult &r) { results << r; });

    session.run(OperatorActions::Configurar);
    QVERIFY(!session.isIdle());
    QTRY_COMPARE_WITH_TIMEOUT(results.size(), 1, 20000);
    QCOMPARE(results.at(0).kind, DialogueResult::Kind::Success);
    QVERIFY(session.isIdle());

    // Begun on the face's thread, served on another; every part back home at the end.
    QCOMPARE(onFacesThread.load(), 1);
    QVERIFY(elsewhere.load() > 1);
    for (QObject *part :
         {static_cast<QObject *>(&session.engine()), static_cast<QObject *>(&session.port()),
          static_cast<QObject *>(&session.timer())})
        QCOMPARE(part->thread(), qApp->thread());
    QVERIFY(!face.offThread);

    // The list at display rate, its last entry shown before what followed it.
    QVERIFY2(face.entriesShown > 0 && face.entriesShown < Entries / 2,
             qPrintable(QString::number(face.entriesShown)));
    const qsizetype lastEntry = lastEntryCall(face.calls);
    QCOMPARE(face.calls.at(lastEntry), QStringLiteral("entry ") + entry(Entries - 1));
    // Recorded on the line thread, every entry once.
    QCOMPARE(session.transcript()->text().count(QStringLiteral("-->  ATS7=")), Entries);
    QTest::qWait(50); // no entry comes after the end
    QCOMPARE(lastEntryCall(face.calls), lastEntry);
}

void TestModemSession::stopFromInsideABox()
{
    HayesOptions options;
    options.errorOn = {entry(150).toStdString()};
    HayesModem modem(options);
    QVERIFY(modem.start());
    Face face;
    ModemSession session(face, face, ModemSession::Recording::Off,
                         ModemSession::Threading::LineThread);
    session.port().setDevice(QString::fromStdString(modem.devicePath()));
    int ended = 0;
    connect(&session, &ModemSession::ended, this, [&] { ++ended; });
    // The face stops the session while the line thread waits for this very box.
    face.onError = [&] {
        session.stop();
        QVERIFY(!session.port().isOpen());
        QVERIFY(session.isIdle());
    };

    session.run(OperatorActions::Configurar);
    QTRY_VERIFY_WITH_TIMEOUT(face.calls.contains(QStringLiteral("error")), 20000);
    QTRY_COMPARE(ended, 1);
    QVERIFY(session.isIdle() && !session.port().isOpen() && !session.timer().isActive());
    QCOMPARE(session.engine().thread(), qApp->thread());
    // Nothing goes out after the refused entry.
    QCOMPARE(QString::fromStdString(modem.received().back().line),
             QStringLiteral("AT") + entry(150));

    // The session serves the next dialogue as the first.
    modem.setFaults(HayesFaults());
    session.run(OperatorActions::Configurar);
    QTRY_COMPARE_WITH_TIMEOUT(ended, 2, 20000);
}

QTEST_GUILESS_MAIN(TestModemSession)
#include "tst_modemsession.moc"
