// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as designed: every control where the layout table puts it, with its caption,
// container, focus place, font, selection and enabled state; the window's own frame and icon.
#include "form1.h"
#include "form1controls.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

namespace {

struct Layout
{
    const char *key;
    const char *parent;
    const char *caption;
    int left, top, width, height; // twips, as designed
    int tab;
};

// The design table, in twips; the window works at 15 twips per pixel.
const Layout Table[] = {
    {"CanMrc", "Form1", "Canal", 480, 120, 615, 1455, 0},
    {"OpCan#0", "CanMrc", "1", 120, 360, 375, 255, 1},
    {"OpCan#1", "CanMrc", "2", 120, 600, 375, 255, 4},
    {"OpCan#2", "CanMrc", "3", 120, 840, 375, 255, 5},
    {"OpCan#3", "CanMrc", "4", 120, 1080, 375, 255, 6},
    {"BauMrc", "Form1", "Velocidad", 1320, 120, 975, 1455, 2},
    {"OpBau#0", "BauMrc", "9600", 120, 360, 735, 195, 3},
    {"OpBau#1", "BauMrc", "4800", 120, 600, 735, 195, 7},
    {"OpBau#2", "BauMrc", "2400", 120, 840, 735, 195, 8},
    {"OpBau#3", "BauMrc", "1200", 120, 1080, 735, 195, 9},
    {"ParMrc", "Form1", "Otros parámetros", 2400, 120, 2895, 1455, 10},
    {"Frame5", "ParMrc", "Paridad", 240, 360, 975, 975, 11},
    {"OpNon", "Frame5", "None", 120, 240, 735, 195, 14},
    {"OpOdd", "Frame5", "Odd", 120, 480, 735, 195, 15},
    {"OpEvn", "Frame5", "Even", 120, 720, 735, 195, 16},
    {"frmdb", "ParMrc", "B.Dat.", 1320, 360, 615, 975, 12},
    {"OpDb#0", "frmdb", "7", 120, 360, 375, 255, 17},
    {"OpDb#1", "frmdb", "8", 120, 600, 375, 255, 18},
    {"Frame7", "ParMrc", "B.Stop", 2040, 360, 615, 975, 13},
    {"OpSb#0", "Frame7", "1", 120, 360, 375, 255, 19},
    {"OpSb#1", "Frame7", "2", 120, 600, 375, 255, 20},
    {"Frame1", "Form1", "", 240, 1680, 5055, 975, 21},
    {"Pregunto", "Frame1", "Preguntar al modem...", 240, 360, 2055, 375, 22},
    {"Label2", "Frame1", "Número de rings", 2640, 300, 1155, 195, 24},
    {"answ1", "Frame1", "", 3960, 240, 375, 255, 26},
    {"Label3", "Frame1", "Fijado a Bauds", 2640, 660, 1050, 195, 23},
    {"answ2", "Frame1", "", 3960, 600, 735, 255, 25},
    {"Frame2", "Form1", "", 240, 2760, 5055, 735, 27},
    {"LaLista", "Frame2", "AT...", 240, 240, 495, 375, 33},
    {"Configuro", "Frame2", "Configurar", 840, 240, 1455, 375, 28},
    {"Label4", "Frame2", "Número de rings", 3000, 300, 1155, 195, 30},
    {"llam", "Frame2", "1", 4320, 240, 375, 285, 29},
    {"SSFrame1", "Form1", "", 240, 3600, 5055, 735, 34},
    {"Desconf", "SSFrame1", "Desconfigurar", 240, 240, 1455, 375, 35},
    {"SSPanel1", "Form1", "", 0, 4470, 5400, 360, 31},
    {"info", "SSPanel1", "", 480, 60, 2055, 195, 32},
};

constexpr int TwipsPerPixel = 15;

bool takesFocus(const QWidget *widget)
{
    return (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
}

} // namespace

class TestForm1Layout : public QObject
{
    Q_OBJECT
private slots:
    void controls_data();
    void controls();
    void everyControlIsInTheTable();
    void focusOrder();
    void window();
};

void TestForm1Layout::controls_data()
{
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    for (const Layout &row : Table)
        QTest::newRow(row.key) << QString::fromUtf8(row.parent) << QString::fromUtf8(row.caption)
                               << QRect(row.left / TwipsPerPixel, row.top / TwipsPerPixel,
                                        row.width / TwipsPerPixel, row.height / TwipsPerPixel);
}

void TestForm1Layout::controls()
{
    QFETCH(QString, parent);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    Form1 form;
    const QString key = QString::fromUtf8(QTest::currentDataTag());
    QWidget *widget = control(form, key);
    QVERIFY2(widget, "control not found (or two entries of an array share an index)");
    QCOMPARE(widget->parentWidget()->objectName(), parent);
    QCOMPARE(::caption(widget), caption);
    QCOMPARE(widget->geometry(), geometry);
    QVERIFY(widget->isVisibleTo(&form));
    // MS Sans Serif 8.25 throughout, but the two display boxes in 9.75 bold.
    const bool display = key == "answ1" || key == "answ2";
    QCOMPARE(widget->font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(widget->font().pointSizeF(), display ? 9.75 : 8.25);
    QCOMPARE(widget->font().bold(), display);
    // Port 1, 9600, odd parity, 7 data bits, 1 stop bit; all enabled but the data-bits frame.
    if (auto *option = qobject_cast<QRadioButton *>(widget))
        QCOMPARE(option->isChecked(),
                 QStringList({"OpCan#0", "OpBau#0", "OpOdd", "OpDb#0", "OpSb#0"}).contains(key));
    QCOMPARE(widget->testAttribute(Qt::WA_ForceDisabled), key == "frmdb");
}

void TestForm1Layout::everyControlIsInTheTable()
{
    // No stray widget the operator could see or tab to; Qt's own boxes keep their font.
    const QFont application = QApplication::font();
    Form1 form;
    QCOMPARE(QApplication::font(), application);
    QSet<QString> designed;
    for (const Layout &row : Table)
        designed.insert(QString::fromUtf8(row.key));
    for (QWidget *widget : form.findChildren<QWidget *>()) {
        QWidget *parent = widget->parentWidget();
        const bool container = parent == &form || qobject_cast<QGroupBox *>(parent)
                               || parent->metaObject() == &QFrame::staticMetaObject;
        if (container && !designed.contains(controlKey(widget)))
            QFAIL(qPrintable("unexpected control " + controlKey(widget)));
    }
    // Every array's group knows its entries by index.
    for (const char *array : {"OpCan", "OpBau", "OpDb", "OpSb"}) {
        auto *group = form.findChild<QButtonGroup *>(array);
        QVERIFY(group);
        for (QAbstractButton *button : group->buttons())
            QCOMPARE(group->id(button), button->property(Form1::IndexProperty).toInt());
    }
}

void TestForm1Layout::focusOrder()
{
    // The focusable controls in the order of their Tab places; frames and labels hold a place
    // but never take the focus.
    Form1 form;
    QList<Layout> rows(std::begin(Table), std::end(Table));
    std::sort(rows.begin(), rows.end(),
              [](const Layout &a, const Layout &b) { return a.tab < b.tab; });
    QStringList expected;
    for (const Layout &row : rows) {
        QWidget *widget = control(form, QString::fromUtf8(row.key));
        const bool holder = qobject_cast<QGroupBox *>(widget) || qobject_cast<QLabel *>(widget)
                            || widget->metaObject() == &QFrame::staticMetaObject;
        QVERIFY2(takesFocus(widget) != holder, row.key);
        if (!holder)
            expected << QString::fromUtf8(row.key);
    }
    QStringList chain;
    QWidget *first = control(form, expected.first());
    QWidget *widget = first;
    do {
        if (takesFocus(widget) && widget != &form)
            chain << controlKey(widget);
        widget = widget->nextInFocusChain();
    } while (widget && widget != first && chain.size() <= expected.size());
    QCOMPARE(chain, expected);
}

void TestForm1Layout::window()
{
    Form1 form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Configuración de Modems"));
    QCOMPARE(form.size(), QSize(360, 322));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(form.windowFlags() & Qt::WindowCloseButtonHint);
    QCOMPARE(control<QLineEdit>(form, "llam")->maxLength(), 2);
    // Its own 32 x 32 picture in at most 16 colours.
    const QImage icon(QStringLiteral(":/icons/tavoli.xpm"));
    QCOMPARE(icon.size(), QSize(32, 32));
    QSet<QRgb> colours;
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x)
            colours.insert(icon.pixel(x, y));
    QVERIFY(colours.size() <= 16);
    QCOMPARE(form.windowIcon().pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32),
             icon.convertToFormat(QImage::Format_ARGB32));
    // Boxed, centred display boxes; a raised light-grey status panel docked at the bottom.
    for (const char *name : {"answ1", "answ2"}) {
        auto *box = control<QLabel>(form, name);
        QCOMPARE(box->frameShape(), QFrame::Box);
        QCOMPARE(box->lineWidth(), 1);
        QCOMPARE(box->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    }
    auto *panel = control<QFrame>(form, "SSPanel1");
    QVERIFY(panel->frameShape() != QFrame::NoFrame && panel->autoFillBackground());
    QCOMPARE(panel->palette().color(QPalette::Window), QColor(192, 192, 192));
    QCOMPARE(panel->geometry().bottom(), form.rect().bottom());
    QCOMPARE(panel->width(), form.width());
    QVERIFY(control<QFrame>(form, "SSFrame1")->frameShape() != QFrame::NoFrame);

    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QRect screen = form.screen()->availableGeometry();
    const QPoint offset = form.frameGeometry().center() - screen.center();
    QVERIFY2(offset.manhattanLength() <= 2, "not centred on its screen");
}

QTEST_MAIN(TestForm1Layout)
#include "tst_form1layout.moc"
