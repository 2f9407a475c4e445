// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"
#include "framescopeprobe.h"
#include "hangguard.h"
#include "testenv.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSplitter>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolBar>

using namespace Korvex;

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsEmpty();
    void missingCommandLineFileIsIgnored();
    void formObjects_data();
    void formObjects();
    void actionsAndMenus();
    void comboBoxesAndInitialSettings();
    void viewSettingSlots_data();
    void viewSettingSlots();
    void logLinesKeepTheirColours();
    void clearEmptiesTheLog();
    void exitClosesTheWindow();
    void windowStateRoundTrip();
    void unusableStoredStateIsIgnored_data();
    void unusableStoredStateIsIgnored();

private:
    QStringList actionTexts(const QList<QAction *> &actions) const;
    QList<QColor> logColours() const;

    TestEnv m_env;
    Framescope *m_window = nullptr;
};

void TestMainWindow::init()
{
    QSettings(QStringLiteral("Kestrant"), QStringLiteral("Framescope")).clear();
    m_window = new Framescope(QString());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window, HangGuardMs));
}

void TestMainWindow::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

QStringList TestMainWindow::actionTexts(const QList<QAction *> &actions) const
{
    QStringList texts;
    for (QAction *action : actions)
        texts << (action->isSeparator() ? QStringLiteral("|")
                  : action->menu()      ? action->menu()->objectName()
                                        : action->objectName());
    return texts;
}

QList<QColor> TestMainWindow::logColours() const
{
    const LogModel &log = FramescopeProbe::logModel(*m_window);
    QList<QColor> colours;
    for (qint64 row = 0; row < log.rowCount(); ++row)
        colours << log.background(row);
    return colours;
}

void TestMainWindow::startsEmpty()
{
    auto &ui = FramescopeProbe::ui(*m_window);
    // The form's size, or a good share of a larger screen, within the screen.
    const QSize available = m_window->screen()->availableGeometry().size();
    QCOMPARE(m_window->size(),
             QSize(840, 601)
                 .expandedTo(QSize(available.width() * 3 / 4, available.height() * 5 / 6))
                 .boundedTo(available));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Kestrant Framescope"));
    QCOMPARE(m_window->objectName(), QStringLiteral("Framescope"));
    QCOMPARE(m_window->windowIcon().availableSizes(), QList<QSize>({QSize(16, 16), QSize(32, 32), QSize(48, 48)}));
    QCOMPARE(ui.tabs->currentIndex(), 0);
    QCOMPARE(ui.tabs->tabText(0), QStringLiteral("Frames"));
    QCOMPARE(ui.tabs->tabText(1), QStringLiteral("Log"));
    QCOMPARE(ui.tblFrames->model()->rowCount(), 0);
    QCOMPARE(ui.tblFrames->model()->columnCount(), 5);
    QCOMPARE(FramescopeProbe::statusLabel(*m_window)->text(), QStringLiteral("No frame selected"));
    QCOMPARE(ui.txtLog->model()->rowCount(), 0);
    QVERIFY(!FramescopeProbe::capture(*m_window));
    QCOMPARE(FramescopeProbe::protocolVersion(*m_window), 0);
    QVERIFY(ui.tblFrames->horizontalHeader()->stretchLastSection());
    QVERIFY(!ui.tblFrames->wordWrap());
    QCOMPARE(ui.tblFrames->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    QCOMPARE(ui.txtPayload->font().family(), QStringLiteral("Courier"));
    QCOMPARE(ui.txtPayload->font().pointSize(), 10);
    QCOMPARE(ui.gvFrames->scene(), &FramescopeProbe::scene(*m_window));
    QCOMPARE(ui.gvFrames->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(ui.gvFrames->width(), 23);
    m_window->resize(1200, 700);
    QCOMPARE(ui.gvFrames->width(), 23);
}

void TestMainWindow::missingCommandLineFileIsIgnored()
{
    Framescope window(m_env.path(QStringLiteral("no-such-capture.drf3")));
    auto &ui = FramescopeProbe::ui(window);
    QCOMPARE(window.windowTitle(), QStringLiteral("Kestrant Framescope"));
    QCOMPARE(ui.txtLog->model()->rowCount(), 0);
    QCOMPARE(ui.tabs->currentIndex(), 0);
}

void TestMainWindow::formObjects_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");

    const QList<QPair<const char *, const char *>> objects = {
        {"centralwidget", "QWidget"},  {"tabs", "QTabWidget"},       {"tab", "QWidget"},
        {"tab_4", "QWidget"},          {"tblFrames", "Korvex::FrameTableView"},  {"gvFrames", "QGraphicsView"},
        {"groupBox", "QGroupBox"},     {"groupBox_2", "QGroupBox"},  {"cbBase", "QComboBox"},
        {"pnHeader", "QFrame"},        {"gbPlSize", "QGroupBox"},    {"gbLct", "QGroupBox"},
        {"gbCts", "QGroupBox"},        {"edPlSize", "QLineEdit"},    {"lblPlSize", "QLabel"},
        {"edLct", "QLineEdit"},        {"lblLct", "QLabel"},         {"edCts", "QLineEdit"},
        {"cbBytesPerColumn", "QComboBox"}, {"edColumns", "QSpinBox"}, {"cbByteOrder", "QComboBox"},
        {"txtPayload", "QPlainTextEdit"}, {"pushButton", "QPushButton"},
        {"txtLog", "Korvex::LogView"},  {"menubar", "QMenuBar"},      {"menuFile", "QMenu"},
        {"menuRecentFiles", "QMenu"},  {"menuEdit", "QMenu"},        {"menuHelp", "QMenu"},
        {"statusbar", "QStatusBar"},   {"toolBar", "QToolBar"},
    };
    for (const auto &object : objects)
        QTest::newRow(object.first) << QString::fromLatin1(object.first)
                                    << QString::fromLatin1(object.second);
}

void TestMainWindow::formObjects()
{
    QFETCH(QString, name);
    QFETCH(QString, className);

    QObject *object = m_window->findChild<QObject *>(name);
    QVERIFY2(object, qPrintable(name));
    QCOMPARE(QString::fromLatin1(object->metaObject()->className()), className);
    if (auto *widget = qobject_cast<QWidget *>(object))
        QVERIFY(widget->isEnabled());
}

void TestMainWindow::actionsAndMenus()
{
    auto &ui = FramescopeProbe::ui(*m_window);
    QCOMPARE(actionTexts(ui.menubar->actions()),
             QStringList({"menuFile", "menuEdit", "menuView", "menuFields", "menuStatistics",
                          "menuHelp"}));
    QCOMPARE(actionTexts(ui.menuFile->actions()),
             QStringList({"actionOpen_File", "actionReload", "menuRecentFiles", "actionFileSave",
                          "actionExport", "|", "actionPrint", "|", "actionExit"}));
    QCOMPARE(actionTexts(ui.menuEdit->actions()),
             QStringList({"actionFind", "actionSearch", "actionFindNext", "actionFindPrevious",
                          "|", "actionCopy", "actionCopyDump", "|", "actionMark",
                          "actionMarkNote", "actionNextMark", "actionPrevMark", "actionUnmarkAll",
                          "actionMarks", "|", "actionZoomIn", "actionZoomOut", "|", "actionColors",
                          "actionDisable_Colors"}));
    QCOMPARE(actionTexts(ui.menuView->actions()),
             QStringList({"menuTimeDisplay", "actionTimeReference", "|",
                          "actionFollowCapture", "actionShowLogOnEveryLine"}));
    QCOMPARE(ui.actionTimeReference->shortcut(), QKeySequence(QStringLiteral("Ctrl+T")));
    QCOMPARE(actionTexts(ui.menuFields->actions()),
             QStringList({"actionLoadDefinitions", "actionUnloadDefinitions", "|",
                          "actionFieldColumns"}));
    QCOMPARE(actionTexts(ui.menuStatistics->actions()),
             QStringList({"actionStatistics", "actionCharts"}));
    QCOMPARE(actionTexts(ui.menuHelp->actions()), QStringList({"actionShortcuts", "actionAbout"}));
    QCOMPARE(actionTexts(ui.toolBar->actions()),
             QStringList({"actionOpen_File", "actionFileSave", "actionPrint", "|",
                          "actionZoomIn", "actionZoomOut", "|", "actionGoFirst", "actionGoPrev",
                          "actionFind", "actionGoNext", "actionGoLast", "|", "actionColors",
                          "actionDisable_Colors", "|"}));
    QCOMPARE(ui.menuRecentFiles->title(), QStringLiteral("&RecentFiles"));
    QCOMPARE(ui.menuRecentFiles->parent(), ui.menuFile);

    QVERIFY(!ui.actionZoomIn->isVisible());
    QVERIFY(!ui.actionZoomOut->isVisible());
    QVERIFY(ui.actionDisable_Colors->isCheckable());
    QVERIFY(!ui.actionDisable_Colors->isChecked());
    QCOMPARE(ui.actionFileSave->text(), QStringLiteral("&Generate DigRF file"));
    QCOMPARE(ui.actionGoPrev->text(), QStringLiteral("GoTo The Previous Frame"));
    // The actions of reloading, finding, marking, copying and exporting frames have no icons.
    const QStringList menuOnly = {"actionReload", "actionSearch", "actionFindNext",
                                  "actionFindPrevious", "actionCopy", "actionCopyDump",
                                  "actionMark", "actionMarkNote", "actionNextMark",
                                  "actionPrevMark", "actionUnmarkAll", "actionMarks",
                                  "actionExport"};
    for (QAction *action : m_window->findChildren<QAction *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (action->isSeparator() || action->menu())
            continue;
        // Every action of the form has its icon; the list of shortcuts, the View, Fields and
        // Statistics menus and the finding and marking actions, which came later, have none.
        if (!menuOnly.contains(action->objectName()) && action != ui.actionShortcuts
            && !ui.menuView->actions().contains(action)
            && !ui.menuFields->actions().contains(action)
            && !ui.menuStatistics->actions().contains(action))
            QVERIFY2(!action->icon().isNull(), qPrintable(action->objectName()));
        // Qt reports a hidden action as disabled; only the zoom actions are hidden. Unloading
        // and choosing field columns wait for field definitions.
        QVERIFY2(action->isEnabled() || !action->isVisible()
                     || action == ui.actionUnloadDefinitions || action == ui.actionFieldColumns,
                 qPrintable(action->objectName()));
        // What the user sees of an action says what it does.
        if (action->isVisible()) {
            QVERIFY2(!action->statusTip().isEmpty(), qPrintable(action->objectName()));
            QVERIFY2(!action->toolTip().isEmpty(), qPrintable(action->objectName()));
        }
        QVERIFY(!action->statusTip().contains(QLatin1String("no implementation")));
    }
}

void TestMainWindow::comboBoxesAndInitialSettings()
{
    auto &ui = FramescopeProbe::ui(*m_window);
    auto items = [](QComboBox *box) {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i)
            texts << box->itemText(i);
        return texts;
    };
    QCOMPARE(items(ui.cbBase), QStringList({"Binary", "Hex", "Octal", "Decimal"}));
    QCOMPARE(items(ui.cbBytesPerColumn), QStringList({"1", "2", "4"}));
    QCOMPARE(items(ui.cbByteOrder), QStringList({"Big Endian", "Little Endian"}));
    QCOMPARE(ui.cbBase->currentIndex(), 0);
    QCOMPARE(ui.cbBytesPerColumn->currentIndex(), 0);
    QCOMPARE(ui.cbByteOrder->currentIndex(), 0);
    QCOMPARE(ui.edColumns->value(), 4);
    QCOMPARE(ui.edColumns->minimum(), 1);
    QCOMPARE(ui.edColumns->maximum(), 99);
    QCOMPARE(ui.label_2->buddy(), ui.cbBase);
    QCOMPARE(ui.Bytes->buddy(), ui.cbBytesPerColumn);
    QCOMPARE(ui.label_3->buddy(), ui.edColumns);
    QCOMPARE(ui.label_4->buddy(), ui.cbByteOrder);

    QCOMPARE(FramescopeProbe::headerBase(*m_window), 2);
    QCOMPARE(FramescopeProbe::payloadBytesPerColumn(*m_window), 1);
    QCOMPARE(FramescopeProbe::payloadCols(*m_window), 4);
    QCOMPARE(FramescopeProbe::payloadByteOrder(*m_window), 0);
}

void TestMainWindow::viewSettingSlots_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("base");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("order");

    QTest::newRow("Hex") << "cbBase" << 1 << 16 << 1 << 4 << 0;
    QTest::newRow("Octal") << "cbBase" << 2 << 8 << 1 << 4 << 0;
    QTest::newRow("Decimal") << "cbBase" << 3 << 10 << 1 << 4 << 0;
    QTest::newRow("2 bytes") << "cbBytesPerColumn" << 1 << 2 << 2 << 4 << 0;
    QTest::newRow("4 bytes") << "cbBytesPerColumn" << 2 << 2 << 4 << 4 << 0;
    QTest::newRow("7 columns") << "edColumns" << 7 << 2 << 1 << 7 << 0;
    QTest::newRow("Little Endian") << "cbByteOrder" << 1 << 2 << 1 << 4 << 1;
}

void TestMainWindow::viewSettingSlots()
{
    QFETCH(QString, control);
    QFETCH(int, index);
    QFETCH(int, base);
    QFETCH(int, bytes);
    QFETCH(int, columns);
    QFETCH(int, order);

    if (auto *box = m_window->findChild<QComboBox *>(control))
        box->setCurrentIndex(index);
    else
        m_window->findChild<QSpinBox *>(control)->setValue(index);
    QCOMPARE(FramescopeProbe::headerBase(*m_window), base);
    QCOMPARE(FramescopeProbe::payloadBytesPerColumn(*m_window), bytes);
    QCOMPARE(FramescopeProbe::payloadCols(*m_window), columns);
    QCOMPARE(FramescopeProbe::payloadByteOrder(*m_window), order);
    // With no current row a redisplay only states that nothing is selected.
    QCOMPARE(FramescopeProbe::statusLabel(*m_window)->text(), QStringLiteral("No frame selected"));

    // Indexes the boxes never report fall back to the first entry's value.
    m_window->setHeaderBase(-1);
    QCOMPARE(FramescopeProbe::headerBase(*m_window), 2);
    m_window->setPayloadBytesPerColumn(5);
    QCOMPARE(FramescopeProbe::payloadBytesPerColumn(*m_window), 1);
}

void TestMainWindow::logLinesKeepTheirColours()
{
    auto &ui = FramescopeProbe::ui(*m_window);
    QCOMPARE(ui.tabs->currentIndex(), 0);
    m_window->appendLog(QStringLiteral("first"), Qt::white);
    QCOMPARE(ui.tabs->currentIndex(), 1);
    ui.tabs->setCurrentIndex(0);
    m_window->appendLog(QStringLiteral("second"), Qt::red);
    QCOMPARE(ui.tabs->currentIndex(), 1);
    // A click into the first line does not move the colour of the next line there.
    QTRY_VERIFY(ui.txtLog->visualRect(0).isValid());
    QTest::mouseClick(ui.txtLog->viewport(), Qt::LeftButton, {}, ui.txtLog->visualRect(0).center());
    m_window->appendLog(QStringLiteral("third"), Qt::darkYellow);
    m_window->appendLog(QStringLiteral("fourth"), Qt::darkYellow);
    m_window->appendLog(QStringLiteral("fifth"), Qt::white);
    // Any other colour is kept as it is.
    m_window->appendLog(QStringLiteral("sixth"), Qt::cyan);

    QCOMPARE(FramescopeProbe::logLines(*m_window),
             QStringList({"info\tfirst", "error\tsecond", "warning\tthird", "warning\tfourth",
                          "info\tfifth", "unknown\tsixth"}));
    QCOMPARE(logColours(), QList<QColor>({Qt::white, Qt::red, Qt::darkYellow, Qt::darkYellow,
                                          Qt::white, Qt::cyan}));
}

void TestMainWindow::clearEmptiesTheLog()
{
    auto &ui = FramescopeProbe::ui(*m_window);
    m_window->appendLog(QStringLiteral("old"), Qt::red);
    m_window->appendLog(QStringLiteral("other"), Qt::blue);
    QTest::mouseClick(ui.pushButton, Qt::LeftButton);
    QCOMPARE(ui.txtLog->model()->rowCount(), 0);

    m_window->appendLog(QStringLiteral("new"), Qt::darkYellow);
    QCOMPARE(FramescopeProbe::logLines(*m_window), QStringList{"warning\tnew"});
    QCOMPARE(logColours(), QList<QColor>({Qt::darkYellow}));
}

void TestMainWindow::exitClosesTheWindow()
{
    QVERIFY(m_window->isVisible());
    FramescopeProbe::ui(*m_window).actionExit->trigger();
    QVERIFY(!m_window->isVisible());
}

void TestMainWindow::windowStateRoundTrip()
{
    auto &ui = FramescopeProbe::ui(*m_window);
    m_window->resize(900, 700);
    QTRY_COMPARE(m_window->size(), QSize(900, 700));
    ui.splFrames->setSizes({350, 220});
    const QList<int> sizes = ui.splFrames->sizes();
    QCOMPARE(sizes.at(1), 220);
    ui.tabs->setCurrentIndex(1);
    m_window->close();

    // Closed before its Frames page was ever shown, a window leaves the stored split alone.
    auto reopen = [](std::function<void(Framescope &, Ui::Framescope &)> check) {
        Framescope window{QString()};
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        check(window, FramescopeProbe::ui(window));
        window.close();
    };
    reopen([](Framescope &window, Ui::Framescope &ui) {
        QCOMPARE(window.size(), QSize(900, 700));
        QCOMPARE(ui.tabs->currentIndex(), 1);
    });
    reopen([&sizes](Framescope &window, Ui::Framescope &ui) {
        QCOMPARE(window.size(), QSize(900, 700));
        QCOMPARE(ui.tabs->currentIndex(), 1);
        ui.tabs->setCurrentIndex(0);
        QTRY_COMPARE(ui.splFrames->sizes(), sizes);
    });
}

void TestMainWindow::unusableStoredStateIsIgnored_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("geometry of no window") << "WindowGeometry" << QVariant(QByteArray("840x601"));
    QTest::newRow("split as text") << "SplitterSizes" << QVariant(QStringLiteral("300"));
    QTest::newRow("split of three") << "SplitterSizes" << QVariant(QVariantList({200, 100, 50}));
    QTest::newRow("split of nothing") << "SplitterSizes" << QVariant(QVariantList({0, 0}));
    QTest::newRow("tab past the last") << "CurrentTab" << QVariant(2);
}

void TestMainWindow::unusableStoredStateIsIgnored()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);

    QSettings(QStringLiteral("Kestrant"), QStringLiteral("Framescope")).setValue(key, value);
    Framescope window{QString()};
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.size(), m_window->size());
    QCOMPARE(FramescopeProbe::ui(window).tabs->currentIndex(), 0);
    QCOMPARE(FramescopeProbe::ui(window).splFrames->sizes(),
             FramescopeProbe::ui(*m_window).splFrames->sizes());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
