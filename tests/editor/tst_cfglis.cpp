// The "Comandos" window as the operator meets it: its layout, and editing the list with the
// mouse and the keyboard.
#include "editorharness.h"
#include "systemtexts.h"

#include <QClipboard>
#include <QStyle>

using namespace EditorHarness;

class TestCfglis : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void layout_data();
    void layout();
    void window();
    void tabOrder();

    void reshape_data();
    void reshape();
    void typingWritesBack();
    void typingLimit();
    void longStoredEntry();
    void upDownLeaveTheTextBox();
    void enterAndEscape_data();
    void enterAndEscape();
    void accessKeys_data();
    void accessKeys();
    void mouseFocusSelectsAll();
    void oneEntryStaysSelected();
    void chipsetLists();
};

void TestCfglis::init()
{
    RemoveIni();
}

void TestCfglis::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry"); // twips / 15
    QTest::addColumn<QString>("caption");

    QTest::newRow("Lista") << "Lista" << "QListWidget" << QRect(16, 16, 85, 171) << "";
    QTest::newRow("txt") << "txt" << "QLineEdit" << QRect(16, 208, 85, 19) << "";
    QTest::newRow("acepto") << "acepto" << "QPushButton" << QRect(152, 16, 56, 40) << "";
    QTest::newRow("cancelo") << "cancelo" << "QPushButton" << QRect(152, 56, 56, 40) << "";
    QTest::newRow("ins") << "ins" << "QPushButton" << QRect(152, 104, 57, 25) << "&Insertar";
    QTest::newRow("del") << "del" << "QPushButton" << QRect(152, 128, 57, 25) << "&Borrar";
    QTest::newRow("apn") << "apn" << "QPushButton" << QRect(152, 152, 57, 25) << "&Añadir";
    QTest::newRow("dflRkw") << "dflRkw" << "QPushButton" << QRect(152, 176, 57, 25) << "&Rockwell";
    QTest::newRow("dflMot") << "dflMot" << "QPushButton" << QRect(152, 200, 57, 25) << "&Motorola";
    QTest::newRow("dflZoo") << "dflZoo" << "QPushButton" << QRect(152, 224, 57, 25) << "&Zoom";
}

void TestCfglis::layout()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);

    Editor editor;
    auto *control = editor.window->findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->metaObject()->className(), className.toLatin1());
    QCOMPARE(control->parentWidget(), editor.window.get());
    QCOMPARE(control->geometry(), geometry);
    QVERIFY(control->isEnabled());
    if (auto *button = qobject_cast<QPushButton *>(control)) {
        QCOMPARE(button->text(), caption);
        const bool iconButton = caption.isEmpty();
        QCOMPARE(!button->icon().isNull(), iconButton);
        QCOMPARE(button->isDefault(), name == QLatin1String("acepto"));
    }
    if (auto *list = qobject_cast<QListWidget *>(control)) {
        QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(!list->isSortingEnabled());
    }
}

void TestCfglis::window()
{
    Editor editor;
    QVERIFY(editor.open());
    QCOMPARE(editor.window->windowTitle(), SystemTexts::EditorCaption);
    QCOMPARE(editor.window->size(), QSize(233, 265));
    QCOMPARE(editor.window->minimumSize(), QSize(233, 265));
    QCOMPARE(editor.window->maximumSize(), QSize(233, 265));
    QVERIFY(!(editor.window->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(editor.window->font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(editor.window->font().pointSizeF(), 8.25);
    QCOMPARE(editor.button("ins")->font().pointSizeF(), 8.25);

    // Centred on the screen, as it has no owner.
    const QRect screen = editor.window->screen()->availableGeometry();
    const QPoint offset = editor.window->frameGeometry().center() - screen.center();
    QVERIFY2(offset.manhattanLength() <= 2, qPrintable(QStringLiteral("off centre by %1,%2")
                                                           .arg(offset.x()).arg(offset.y())));
}

void TestCfglis::tabOrder()
{
    Editor editor;
    QVERIFY(editor.open());
    const QStringList expected = {"Lista", "txt",    "acepto", "cancelo", "ins",
                                  "del",   "apn",    "dflRkw", "dflMot",  "dflZoo"};
    editor.Lista->setFocus();
    QStringList visited;
    for (int i = 0; i <= expected.size(); ++i) {
        visited.append(QApplication::focusWidget()->objectName());
        Editor::key(Qt::Key_Tab);
    }
    QCOMPARE(visited, expected + QStringList{"Lista"});
}

// What each button leaves behind: entries, the selected one and where the focus is.
void TestCfglis::reshape_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("clickRow"); // entry clicked first, -1 for none
    QTest::addColumn<QString>("buttonName");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("focus"); // control with the focus afterwards

    QTest::newRow("insert before first") << "A;B;C" << 0 << "ins" << QStringList{"", "A", "B", "C"} << 0 << "txt";
    QTest::newRow("insert before last") << "A;B;C" << 2 << "ins" << QStringList{"A", "B", "", "C"} << 2 << "txt";
    QTest::newRow("insert into empty") << "" << -1 << "ins" << QStringList{""} << 0 << "txt";
    QTest::newRow("append") << "A;B;C" << 1 << "apn" << QStringList{"A", "B", "C", ""} << 3 << "txt";
    QTest::newRow("append into empty") << "" << -1 << "apn" << QStringList{""} << 0 << "txt";
    QTest::newRow("delete middle") << "A;B;C" << 1 << "del" << QStringList{"A", "C"} << 1 << "del";
    QTest::newRow("delete first") << "A;B;C" << 0 << "del" << QStringList{"B", "C"} << 0 << "del";
    QTest::newRow("delete last") << "A;B;C" << 2 << "del" << QStringList{"A", "B"} << 1 << "del";
    QTest::newRow("delete only") << "A" << 0 << "del" << QStringList{} << -1 << "del";
    QTest::newRow("delete in empty") << "" << -1 << "del" << QStringList{} << -1 << "del";
    QTest::newRow("delete duplicate") << "A;A;A" << 1 << "del" << QStringList{"A", "A"} << 1 << "del";
}

void TestCfglis::reshape()
{
    QFETCH(QString, stored);
    QFETCH(int, clickRow);
    QFETCH(QString, buttonName);
    QFETCH(QStringList, entries);
    QFETCH(int, selected);
    QFETCH(QString, focus);

    EDITOR_CHECK(WriteStored(stored));
    Editor editor;
    QVERIFY(editor.open());
    EDITOR_CHECK(VerifyInvariants(editor));
    if (clickRow >= 0) {
        editor.clickEntry(clickRow);
        QCOMPARE(editor.selected(), clickRow);
    }
    editor.click(buttonName.toLatin1().constData());
    QCOMPARE(editor.entries(), entries);
    QCOMPARE(editor.selected(), selected);
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    EDITOR_CHECK(VerifyInvariants(editor));
}

void TestCfglis::typingWritesBack()
{
    EDITOR_CHECK(WriteStored(QStringLiteral("V0;E0;&D0")));
    Editor editor;
    QVERIFY(editor.open());
    editor.clickEntry(1);
    Editor::key(Qt::Key_Tab); // into txt: the whole text is selected, typing replaces it
    QCOMPARE(QApplication::focusWidget(), editor.txt);
    Editor::type(QStringLiteral("Q"));
    QCOMPARE(editor.entries(), QStringList({"V0", "Q", "&D0"}));
    Editor::type(QStringLiteral("0;X"));
    QCOMPARE(editor.entries(), QStringList({"V0", "Q0;X", "&D0"}));
    Editor::key(Qt::Key_Backspace);
    QCOMPARE(editor.entries(), QStringList({"V0", "Q0;", "&D0"}));

    // Away and back: the list kept the edit.
    editor.clickEntry(2);
    QCOMPARE(editor.txt->text(), QStringLiteral("&D0"));
    editor.clickEntry(1);
    QCOMPARE(editor.txt->text(), QStringLiteral("Q0;"));
    EDITOR_CHECK(VerifyInvariants(editor));

    // A new entry takes what is typed at once, without leaving the box.
    editor.click("apn");
    Editor::type(QStringLiteral("M1"));
    QCOMPARE(editor.entries(), QStringList({"V0", "Q0;", "&D0", "M1"}));
}

void TestCfglis::typingLimit()
{
    EDITOR_CHECK(WriteStored(QStringLiteral("V0")));
    Editor editor;
    QVERIFY(editor.open());
    editor.click("apn");
    Editor::type(QStringLiteral("ABCDEFGHIJKLMNO"));
    QCOMPARE(editor.txt->text(), QStringLiteral("ABCDEFGHIJKL"));
    QCOMPARE(editor.entries().last(), QStringLiteral("ABCDEFGHIJKL"));

    // Replacing within the limit still works.
    Editor::key(Qt::Key_Home);
    Editor::key(Qt::Key_Delete);
    Editor::type(QStringLiteral("Z"));
    QCOMPARE(editor.entries().last(), QStringLiteral("ZBCDEFGHIJKL"));

    // A paste that would pass the limit is refused whole.
    Editor::key(Qt::Key_End);
    Editor::key(Qt::Key_Backspace);
    Editor::key(Qt::Key_Backspace);
    QApplication::clipboard()->setText(QStringLiteral("123"));
    Editor::key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(editor.txt->text(), QStringLiteral("ZBCDEFGHIJ"));
    QApplication::clipboard()->setText(QStringLiteral("12"));
    Editor::key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(editor.entries().last(), QStringLiteral("ZBCDEFGHIJ12"));
}

void TestCfglis::longStoredEntry()
{
    const QString longEntry = QStringLiteral("+MS=V34,1,300,33600");
    EDITOR_CHECK(WriteStored(QStringLiteral("V0;") + longEntry));
    Editor editor;
    QVERIFY(editor.open());
    editor.clickEntry(1);
    QCOMPARE(editor.txt->text(), longEntry); // shown whole, not cut at 12

    // Saving untouched keeps it whole.
    editor.Lista->setFocus();
    Editor::key(Qt::Key_Return);
    QVERIFY(!editor.window->isVisible());
    QVERIFY(ReadIni().contains(("V0;" + longEntry).toUtf8()));

    Editor again;
    QVERIFY(again.open());
    again.clickEntry(1);
    QCOMPARE(again.txt->text(), longEntry);
    Editor::key(Qt::Key_Tab);
    Editor::key(Qt::Key_End);
    Editor::type(QStringLiteral("9")); // typing more is refused
    QCOMPARE(again.entries().at(1), longEntry);
    Editor::key(Qt::Key_Backspace); // deleting works
    QCOMPARE(again.entries().at(1), longEntry.chopped(1));
    Editor::key(Qt::Key_Home);
    Editor::key(Qt::Key_Delete);
    QCOMPARE(again.entries().at(1), longEntry.mid(1).chopped(1));
    Editor::key(Qt::Key_A, Qt::ControlModifier); // and replacing all of it by a short text
    Editor::type(QStringLiteral("N1"));
    QCOMPARE(again.entries().at(1), QStringLiteral("N1"));
}

void TestCfglis::upDownLeaveTheTextBox()
{
    EDITOR_CHECK(WriteStored(QStringLiteral("V0;E0;&D0")));
    Editor editor;
    QVERIFY(editor.open());
    editor.clickEntry(1);

    const QList<QPair<Qt::Key, Qt::KeyboardModifiers>> keys = {
        {Qt::Key_Up, Qt::NoModifier},          {Qt::Key_Down, Qt::NoModifier},
        {Qt::Key_Up, Qt::ShiftModifier},       {Qt::Key_Down, Qt::ControlModifier},
        {Qt::Key_Up, Qt::AltModifier},         {Qt::Key_Down, Qt::ShiftModifier | Qt::ControlModifier}};
    for (const auto &[key, modifiers] : keys) {
        editor.txt->setFocus();
        QCOMPARE(QApplication::focusWidget(), editor.txt);
        Editor::key(key, modifiers);
        QCOMPARE(QApplication::focusWidget(), editor.Lista);
        QCOMPARE(editor.selected(), 1);
        QCOMPARE(editor.txt->text(), QStringLiteral("E0"));
        QCOMPARE(editor.entries(), QStringList({"V0", "E0", "&D0"}));
    }
    // The next arrow, now in the list, moves the selection and the text follows.
    Editor::key(Qt::Key_Down);
    QCOMPARE(editor.selected(), 2);
    QCOMPARE(editor.txt->text(), QStringLiteral("&D0"));
    EDITOR_CHECK(VerifyInvariants(editor));
}

void TestCfglis::enterAndEscape_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<bool>("saved");

    QTest::newRow("Enter in list") << "Lista" << Qt::Key_Return << true;
    QTest::newRow("keypad Enter in list") << "Lista" << Qt::Key_Enter << true;
    QTest::newRow("Enter in text box") << "txt" << Qt::Key_Return << true;
    QTest::newRow("Escape in list") << "Lista" << Qt::Key_Escape << false;
    QTest::newRow("Escape in text box") << "txt" << Qt::Key_Escape << false;
    QTest::newRow("Enter after Insertar") << "ins" << Qt::Key_Return << true;
}

void TestCfglis::enterAndEscape()
{
    QFETCH(QString, focus);
    QFETCH(Qt::Key, key);
    QFETCH(bool, saved);

    EDITOR_CHECK(WriteStored(QStringLiteral("V0;E0")));
    const QByteArray before = ReadIni();
    Editor editor;
    QVERIFY(editor.open());
    if (focus == QLatin1String("ins")) {
        editor.click("ins"); // the button takes the focus, then hands it to txt
        Editor::type(QStringLiteral("X1"));
    } else {
        editor.window->findChild<QWidget *>(focus)->setFocus();
        editor.click("apn");
        Editor::type(QStringLiteral("X1"));
        editor.window->findChild<QWidget *>(focus)->setFocus();
    }
    Editor::key(key);
    QVERIFY(!editor.window->isVisible());
    QCOMPARE(editor.window->result(), saved ? int(QDialog::Accepted) : int(QDialog::Rejected));
    if (saved) {
        const QByteArray expected = focus == QLatin1String("ins") ? "CmdAT=X1;V0;E0" : "CmdAT=V0;E0;X1";
        QVERIFY2(ReadIni().contains(expected), ReadIni().constData());
    } else {
        QCOMPARE(ReadIni(), before);
    }
}

void TestCfglis::accessKeys_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("focus");

    QTest::newRow("Alt+I inserts") << Qt::Key_I << QStringList{"V0", "", "E0"} << 1 << "txt";
    QTest::newRow("Alt+A appends") << Qt::Key_A << QStringList{"V0", "E0", ""} << 2 << "txt";
    QTest::newRow("Alt+B deletes") << Qt::Key_B << QStringList{"V0"} << 0 << "Lista";
    QTest::newRow("Alt+R Rockwell") << Qt::Key_R
                                    << SystemTexts::RockwellCommandList.split(';') << 0 << "Lista";
    QTest::newRow("Alt+M Motorola") << Qt::Key_M
                                    << SystemTexts::BuiltInCommandList.split(';') << 0 << "Lista";
    QTest::newRow("Alt+Z Zoom") << Qt::Key_Z
                                << SystemTexts::ZoomCommandList.split(';') << 0 << "Lista";
}

void TestCfglis::accessKeys()
{
    QFETCH(Qt::Key, key);
    QFETCH(QStringList, entries);
    QFETCH(int, selected);
    QFETCH(QString, focus);

    EDITOR_CHECK(WriteStored(QStringLiteral("V0;E0")));
    Editor editor;
    QVERIFY(editor.open());
    editor.clickEntry(1);
    QCOMPARE(QApplication::focusWidget(), editor.Lista);
    Editor::key(key, Qt::AltModifier);
    QTRY_COMPARE(editor.entries(), entries); // the button clicks once its press is shown
    QCOMPARE(editor.selected(), selected);
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    EDITOR_CHECK(VerifyInvariants(editor));
}

void TestCfglis::mouseFocusSelectsAll()
{
    EDITOR_CHECK(WriteStored(QStringLiteral("S0=#;E0")));
    Editor editor;
    QVERIFY(editor.open());
    editor.clickEntry(0);
    QCOMPARE(QApplication::focusWidget(), editor.Lista);

    // The click that brings the focus selects the whole text, so typing replaces it.
    QTest::mouseClick(editor.txt, Qt::LeftButton, Qt::NoModifier, QPoint(3, 5));
    QCOMPARE(QApplication::focusWidget(), editor.txt);
    QCOMPARE(editor.txt->selectedText(), QStringLiteral("S0=#"));

    // A further click in the box places the cursor as usual.
    QTest::mouseClick(editor.txt, Qt::LeftButton, Qt::NoModifier, QPoint(3, 5));
    QVERIFY(!editor.txt->hasSelectedText());
    QCOMPARE(editor.txt->cursorPosition(), 0);
    Editor::type(QStringLiteral("X"));
    QCOMPARE(editor.entries().first(), QStringLiteral("XS0=#"));

    // Tab in from the list: all selected as well.
    editor.Lista->setFocus();
    Editor::key(Qt::Key_Tab);
    QCOMPARE(editor.txt->selectedText(), QStringLiteral("XS0=#"));
}

void TestCfglis::oneEntryStaysSelected()
{
    EDITOR_CHECK(WriteStored(QStringLiteral("V0;E0;&D0")));
    Editor editor;
    QVERIFY(editor.open());
    editor.clickEntry(1);
    editor.clickEntry(1, Qt::ControlModifier); // would deselect in a plain list box
    QCOMPARE(editor.selected(), 1);
    Editor::key(Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(editor.selected(), 1);
    // A click below the last entry leaves the selection alone as well.
    QTest::mouseClick(editor.Lista->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(10, editor.Lista->viewport()->height() - 5));
    QCOMPARE(editor.selected(), 1);
    EDITOR_CHECK(VerifyInvariants(editor));

    // Typing goes on into the still selected entry.
    editor.txt->setFocus();
    Editor::type(QStringLiteral("Q0"));
    QCOMPARE(editor.entries(), QStringList({"V0", "Q0", "&D0"}));
}

void TestCfglis::chipsetLists()
{
    EDITOR_CHECK(WriteStored(QString()));
    Editor editor;
    QVERIFY(editor.open());
    EDITOR_CHECK(VerifyInvariants(editor)); // empty: txt disabled

    editor.click("dflZoo");
    const QStringList zoom = editor.entries();
    QCOMPARE(zoom.size(), 9);
    QCOMPARE(zoom.last(), QStringLiteral("+MS=V#,0"));
    QCOMPARE(QApplication::focusWidget(), editor.button("dflZoo")); // the focus stays
    EDITOR_CHECK(VerifyInvariants(editor));                        // txt enabled again

    editor.clickEntry(4);
    editor.txt->setFocus();
    Editor::type(QStringLiteral("edited"));
    editor.click("dflZoo"); // the same list again: emptied first, edits gone
    QCOMPARE(editor.entries(), zoom);
    QCOMPARE(editor.selected(), 0);

    editor.click("dflRkw");
    QCOMPARE(editor.entries().size(), 12);
    QCOMPARE(editor.entries().at(9), QStringLiteral("S37=#"));
    editor.click("dflMot");
    QCOMPARE(editor.entries(), SystemTexts::BuiltInCommandList.split(QLatin1Char(';')));
    EDITOR_CHECK(VerifyInvariants(editor));
}

QTEST_MAIN(TestCfglis)
#include "tst_cfglis.moc"
