// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as a screen reader hears it, read through QAccessible as AT-SPI reads it:
// the ring-count field named by its label, the read-back values and the status line announced
// with what they are and what they show, each inner group by its own caption.
#include "accessibletexts.h"
#include "form1.h"
#include "form1controls.h"

#include <QAccessible>
#include <QTest>

namespace {

QString text(QWidget *widget, QAccessible::Text kind)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(kind) : QStringLiteral("<no interface>");
}

} // namespace

class TestForm1Accessible : public QObject
{
    Q_OBJECT

private slots:
    void controlsAreNamedByTheirCaptions()
    {
        Form1 form;
        QCOMPARE(text(control(form, "llam"), QAccessible::Name),
                 control<QLabel>(form, "Label4")->text());
        // Qt names a group inside another by the outer caption unless told otherwise.
        for (const char *inner : {"Frame5", "frmdb", "Frame7"})
            QCOMPARE(text(control(form, inner), QAccessible::Name),
                     control<QGroupBox>(form, inner)->title());
        QCOMPARE(text(control(form, "ParMrc"), QAccessible::Name),
                 QStringLiteral("Otros parámetros"));
    }

    void valuesAreAnnouncedWithWhatTheyAre()
    {
        Form1 form;
        form.setAnsw1(QStringLiteral("2"));
        form.setAnsw2(QStringLiteral("XXXX"));
        form.setInfo(QStringLiteral("Enviando ATS0?"));
        form.setAnsw1(QString()); // a value cleared must not linger in the description
        form.setInfo(QStringLiteral("Preguntando"));
        QTRY_COMPARE(text(control(form, "info"), QAccessible::Description),
                     QStringLiteral("Preguntando")); // the status line changes once a frame
        const struct
        {
            const char *key;
            QString name, value;
        } expected[] = {
            {"answ1", AccessibleTexts::RingsRead, QString()},
            {"answ2", AccessibleTexts::SpeedRead, QStringLiteral("XXXX")},
            {"info", AccessibleTexts::StatusLine, QStringLiteral("Preguntando")},
        };
        for (const auto &e : expected) {
            QCOMPARE(text(control(form, e.key), QAccessible::Name), e.name);
            QCOMPARE(text(control(form, e.key), QAccessible::Description), e.value);
            QCOMPARE(control<QLabel>(form, e.key)->text(), e.value); // captions unchanged
        }
    }
};

QTEST_MAIN(TestForm1Accessible)
#include "tst_form1accessible.moc"
