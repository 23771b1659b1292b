// SPDX-License-Identifier: GPL-3.0-or-later
// The "Comandos" window as the operator meets it: its layout, and editing the list with the
// mouse and the keyboard.
#include "editorharness.h"
#include "editortexts.h"
#include "modemprotocol.h"

#include <QClipboard>

using namespace EditorHarness;
using L = QStringList;

class TestCfglis : public QObject
{
    Q_OBJECT
private slots:
    void init() { QFile::remove(IniPath()); }

    // Where the design table puts each control (twips / 15), what the buttons say, the window's
    // own size, font and place, and the Tab order.
    void window()
    {
        Editor editor;
        const QList<std::tuple<const char *, QRect, QString>> controls = {
            {"Lista", {16, 16, 85, 171}, ""},
            {"txt", {16, 208, 85, 19}, ""},
            {"acepto", {152, 16, 56, 40}, ""},
            {"cancelo", {152, 56, 56, 40}, ""},
            {"ins", {152, 104, 57, 25}, "&Insertar"},
            {"del", {152, 128, 57, 25}, "&Borrar"},
            {"apn", {152, 152, 57, 25}, "&Añadir"},
            {"dflRkw", {152, 176, 57, 25}, "&Rockwell"},
            {"dflMot", {152, 200, 57, 25}, "&Motorola"},
            {"dflZoo", {152, 224, 57, 25}, "&Zoom"}};
        for (const auto &[name, geometry, caption] : controls) {
            auto *control = editor.window->findChild<QWidget *>(QLatin1String(name));
            QVERIFY2(control && control->parentWidget() == editor.window.get(), name);
            QVERIFY2(control->geometry() == geometry, name);
            if (auto *button = qobject_cast<QPushButton *>(control)) {
                QCOMPARE(button->text(), caption);
                QCOMPARE(!button->icon().isNull(), caption.isEmpty()); // OK and Cancel show icons
            }
        }
        QVERIFY(editor.button("acepto")->isDefault());

        QVERIFY(editor.open());
        QCOMPARE(editor.window->windowTitle(), EditorTexts::EditorCaption);
        QCOMPARE(editor.window->minimumSize(), QSize(233, 265));
        QCOMPARE(editor.window->maximumSize(), QSize(233, 265));
        QVERIFY(!(editor.window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(editor.window->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(editor.window->font().pointSizeF(), 8.25);
        const QPoint offset = editor.window->frameGeometry().center()
                              - editor.window->screen()->availableGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 2,
                 "not centred on the screen, though it has no owner");
        editor.Lista->setFocus();
        L visited;
        for (int i = 0; i <= controls.size(); ++i) {
            visited.append(Editor::focus());
            Editor::key(Qt::Key_Tab);
        }
        QCOMPARE(visited, (L{"Lista", "txt", "acepto", "cancelo", "ins", "del", "apn", "dflRkw",
                             "dflMot", "dflZoo", "Lista"}));
    }

    // What each button leaves behind, clicked or pressed by its access key (Alt + the letter
    // after "&" in its caption): entries, the selected one and where the focus is.
    void reshape_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("clickRow");       // entry clicked first, -1 for none
        QTest::addColumn<QString>("buttonName"); // "&name": pressed by its access key
        QTest::addColumn<L>("entries");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("focus"); // control with the focus afterwards
        const L rockwell = ModemProtocol::RockwellCommandList.split(';');
        const L motorola = ModemProtocol::BuiltInCommandList.split(';');
        const L zoom = ModemProtocol::ZoomCommandList.split(';');
        QTest::newRow("insert before first")
            << "A;B;C" << 0 << "ins" << L{"", "A", "B", "C"} << 0 << "txt";
        QTest::newRow("insert before last")
            << "A;B;C" << 2 << "ins" << L{"A", "B", "", "C"} << 2 << "txt";
        QTest::newRow("insert into empty") << "" << -1 << "ins" << L{""} << 0 << "txt";
        QTest::newRow("append") << "A;B;C" << 1 << "apn" << L{"A", "B", "C", ""} << 3 << "txt";
        QTest::newRow("append into empty") << "" << -1 << "apn" << L{""} << 0 << "txt";
        QTest::newRow("delete middle") << "A;B;C" << 1 << "del" << L{"A", "C"} << 1 << "del";
        QTest::newRow("delete first") << "A;B;C" << 0 << "del" << L{"B", "C"} << 0 << "del";
        QTest::newRow("delete last") << "A;B;C" << 2 << "del" << L{"A", "B"} << 1 << "del";
        QTest::newRow("delete only") << "A" << 0 << "del" << L{} << -1 << "del";
        QTest::newRow("delete in empty") << "" << -1 << "del" << L{} << -1 << "del";
        QTest::newRow("delete duplicate") << "A;A;A" << 1 << "del" << L{"A", "A"} << 1 << "del";
        QTest::newRow("chipset list into empty") << "" << -1 << "dflZoo" << zoom << 0 << "dflZoo";
        QTest::newRow("Alt+I inserts") << "V0;E0" << 1 << "&ins" << L{"V0", "", "E0"} << 1 << "txt";
        QTest::newRow("Alt+A appends") << "V0;E0" << 1 << "&apn" << L{"V0", "E0", ""} << 2 << "txt";
        QTest::newRow("Alt+B deletes") << "V0;E0" << 1 << "&del" << L{"V0"} << 0 << "Lista";
        QTest::newRow("Alt+R Rockwell") << "V0;E0" << 1 << "&dflRkw" << rockwell << 0 << "Lista";
        QTest::newRow("Alt+M Motorola") << "V0;E0" << 1 << "&dflMot" << motorola << 0 << "Lista";
        QTest::newRow("Alt+Z Zoom") << "V0;E0" << 1 << "&dflZoo" << zoom << 0 << "Lista";
    }
    void reshape()
    {
        QFETCH(QString, stored);
        QFETCH(int, clickRow);
        QFETCH(QString, buttonName);
        QFETCH(L, entries);
        QFETCH(int, selected);
        QFETCH(QString, focus);
        Editor editor(stored);
        QVERIFY(editor.open());
        QCOMPARE(editor.brokenRule(), QString());
        if (clickRow >= 0) {
            editor.clickEntry(clickRow);
            QCOMPARE(editor.selected(), clickRow);
        }
        const bool byKey = buttonName.startsWith('&');
        QPushButton *button = editor.button(buttonName.mid(byKey ? 1 : 0).toLatin1().constData());
        if (byKey) {
            const QString caption = button->text();
            const QChar letter = caption.at(caption.indexOf('&') + 1).toUpper();
            Editor::key(Qt::Key(letter.unicode()), Qt::AltModifier);
        } else {
            QTest::mouseClick(button, Qt::LeftButton);
        }
        QTRY_COMPARE(editor.entries(), entries); // a key clicks its button once the press is shown
        QCOMPARE(editor.selected(), selected);
        QCOMPARE(Editor::focus(), focus);
        QCOMPARE(editor.brokenRule(), QString());
    }

    void typingWritesBack()
    {
        Editor editor(QStringLiteral("V0;E0;&D0"));
        QVERIFY(editor.open());
        editor.clickEntry(1);
        Editor::key(Qt::Key_Tab); // into txt: the whole text is selected, typing replaces it
        Editor::type(QStringLiteral("Q0,X"));
        Editor::key(Qt::Key_Backspace);
        QCOMPARE(editor.entries(), L({"V0", "Q0,", "&D0"}));
        // Away and back: the list kept the edit.
        editor.clickEntry(2);
        editor.clickEntry(1);
        QCOMPARE(editor.brokenRule(), QString());
        // A new entry takes what is typed at once, without leaving the box.
        editor.click("apn");
        Editor::type(QStringLiteral("M1"));
        QCOMPARE(editor.entries(), L({"V0", "Q0,", "&D0", "M1"}));
        // A chipset list replaces the edited entries whole.
        editor.click("dflZoo");
        QCOMPARE(editor.entries(), ModemProtocol::ZoomCommandList.split(';'));
        QCOMPARE(editor.brokenRule(), QString());
    }

    // Typing stops at 12 characters, a paste that would pass them is refused whole; a longer
    // stored entry is shown whole and can be shortened or replaced, not lengthened.
    void typingLimit()
    {
        const QString longEntry = QStringLiteral("+MS=V34,1,300,33600");
        Editor editor(QStringLiteral("V0;") + longEntry);
        QVERIFY(editor.open());
        editor.clickEntry(1);
        Editor::key(Qt::Key_Tab);
        Editor::key(Qt::Key_End);
        Editor::type(QStringLiteral("9"));
        QCOMPARE(editor.entries().at(1), longEntry);
        Editor::key(Qt::Key_Backspace);
        Editor::key(Qt::Key_Home);
        Editor::key(Qt::Key_Delete);
        QCOMPARE(editor.entries().at(1), longEntry.mid(1).chopped(1));

        Editor::key(Qt::Key_A, Qt::ControlModifier);
        Editor::type(QStringLiteral("ABCDEFGHIJKLMNO"));
        QCOMPARE(editor.entries().at(1), QStringLiteral("ABCDEFGHIJKL"));
        Editor::key(Qt::Key_Home);
        Editor::key(Qt::Key_Delete);
        Editor::type(QStringLiteral("Z"));
        QCOMPARE(editor.txt->text(), QStringLiteral("ZBCDEFGHIJKL"));
        Editor::key(Qt::Key_End);
        Editor::key(Qt::Key_Backspace);
        Editor::key(Qt::Key_Backspace);
        QApplication::clipboard()->setText(QStringLiteral("123"));
        Editor::key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(editor.txt->text(), QStringLiteral("ZBCDEFGHIJ"));
        QApplication::clipboard()->setText(QStringLiteral("12"));
        Editor::key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(editor.entries().at(1), QStringLiteral("ZBCDEFGHIJ12"));
    }

    // A ";" would split the entry at the next opening: typing it does nothing, a paste holding
    // it is refused whole.
    void separatorRefused_data()
    {
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("entry");
        QTest::newRow("typed") << false << "A;B"
                               << "V0AB";
        QTest::newRow("pasted") << true << "A;B"
                                << "V0";
        QTest::newRow("comma pasted") << true << "A,B"
                                      << "V0A,B";
    }
    void separatorRefused()
    {
        QFETCH(bool, paste);
        QFETCH(QString, text);
        QFETCH(QString, entry);
        Editor editor(QStringLiteral("E0;V0"));
        QVERIFY(editor.open());
        editor.clickEntry(1);
        Editor::key(Qt::Key_Tab);
        Editor::key(Qt::Key_End);
        if (paste) {
            QApplication::clipboard()->setText(text);
            Editor::key(Qt::Key_V, Qt::ControlModifier);
        } else {
            Editor::type(text);
        }
        QCOMPARE(editor.entries(), L({"E0", entry}));
    }

    // Up and Down, with any modifier, take the focus from the box to the list untouched.
    void upDownLeaveTheTextBox()
    {
        Editor editor(QStringLiteral("V0;E0;&D0"));
        QVERIFY(editor.open());
        editor.clickEntry(1);
        const QList<QPair<Qt::Key, Qt::KeyboardModifiers>> keys = {
            {Qt::Key_Up, Qt::NoModifier},
            {Qt::Key_Down, Qt::NoModifier},
            {Qt::Key_Up, Qt::ShiftModifier},
            {Qt::Key_Down, Qt::ControlModifier},
            {Qt::Key_Up, Qt::AltModifier},
            {Qt::Key_Down, Qt::ShiftModifier | Qt::ControlModifier}};
        for (const auto &[key, modifiers] : keys) {
            editor.txt->setFocus();
            Editor::key(key, modifiers);
            QCOMPARE(Editor::focus(), QStringLiteral("Lista"));
            QCOMPARE(editor.selected(), 1);
            QCOMPARE(editor.entries(), L({"V0", "E0", "&D0"}));
        }
        // The next arrow, now in the list, moves the selection and the text follows.
        Editor::key(Qt::Key_Down);
        QCOMPARE(editor.txt->text(), QStringLiteral("&D0"));
        QCOMPARE(editor.brokenRule(), QString());
    }

    // Ctrl+click, Ctrl+Space and a click below the last entry would deselect in a plain list
    // box: here the entry stays selected. The click that brings the focus to txt selects its
    // whole text, so typing replaces it; a further click places the cursor as usual.
    void mouse()
    {
        Editor editor(QStringLiteral("V0;S0=#;&D0"));
        QVERIFY(editor.open());
        editor.clickEntry(1);
        editor.clickEntry(1, Qt::ControlModifier);
        Editor::key(Qt::Key_Space, Qt::ControlModifier);
        QTest::mouseClick(editor.Lista->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(10, editor.Lista->viewport()->height() - 5));
        QCOMPARE(editor.selected(), 1);
        QCOMPARE(editor.brokenRule(), QString());

        QTest::mouseClick(editor.txt, Qt::LeftButton, Qt::NoModifier, QPoint(3, 5));
        QCOMPARE(Editor::focus(), QStringLiteral("txt"));
        QCOMPARE(editor.txt->selectedText(), QStringLiteral("S0=#"));
        QTest::mouseClick(editor.txt, Qt::LeftButton, Qt::NoModifier, QPoint(3, 5));
        QVERIFY(!editor.txt->hasSelectedText());
        Editor::type(QStringLiteral("X"));
        QCOMPARE(editor.entries(), L({"V0", "XS0=#", "&D0"}));
    }
};

QTEST_MAIN(TestCfglis)
#include "tst_cfglis.moc"
