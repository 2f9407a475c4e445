#include "app/framescope.h"
#include "framescopeprobe.h"
#include "testenv.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextBlock>
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
    void logColoursTheAppendedLineAfterAClick();
    void clearEmptiesTheLog();
    void batchedLogMatchesDirectLog();
    void exitClosesTheWindow();

private:
    QStringList actionTexts(const QList<QAction *> &actions) const;
    QList<QColor> blockColours(QPlainTextEdit *edit) const;

    TestEnv m_env;
    Framescope *m_window = nullptr;
};

void TestMainWindow::init()
{
    m_window = new Framescope(QString());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
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

QList<QColor> TestMainWindow::blockColours(QPlainTextEdit *edit) const
{
    QList<QColor> colours;
    for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next()) {
        // A line without a background of its own shows as an invalid colour.
        const QBrush brush = block.blockFormat().background();
        colours << (brush.style() == Qt::SolidPattern ? brush.color() : QColor());
    }
    return colours;
}

void TestMainWindow::startsEmpty()
{
    auto &ui = FramescopeProbe::ui(*m_window);
    QCOMPARE(m_window->size(), QSize(840, 601));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Kestrant Framescope"));
    QCOMPARE(m_window->objectName(), QStringLiteral("Framescope"));
    QCOMPARE(m_window->windowIcon().availableSizes(), QList<QSize>({QSize(16, 16), QSize(32, 32), QSize(48, 48)}));
    QCOMPARE(ui.tabs->currentIndex(), 0);
    QCOMPARE(ui.tabs->tabText(0), QStringLiteral("Frames"));
    QCOMPARE(ui.tabs->tabText(1), QStringLiteral("Log"));
    QCOMPARE(ui.tblFrames->model()->rowCount(), 0);
    QCOMPARE(ui.tblFrames->model()->columnCount(), 5);
    QCOMPARE(FramescopeProbe::statusLabel(*m_window)->text(), QStringLiteral("No frame selected"));
    QVERIFY(ui.txtLog->document()->isEmpty());
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
    QVERIFY(ui.txtLog->document()->isEmpty());
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
        {"txtLog", "QPlainTextEdit"},  {"menubar", "QMenuBar"},      {"menuFile", "QMenu"},
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
             QStringList({"menuFile", "menuEdit", "menuHelp"}));
    QCOMPARE(actionTexts(ui.menuFile->actions()),
             QStringList({"actionOpen_File", "menuRecentFiles", "actionFileSave", "actionExport",
                          "|", "actionPrint", "|", "actionExit"}));
    QCOMPARE(actionTexts(ui.menuEdit->actions()),
             QStringList({"actionFind", "actionSearch", "actionFindNext", "actionFindPrevious",
                          "|", "actionCopy", "actionCopyDump", "|", "actionMark",
                          "actionMarkNote", "actionNextMark", "actionPrevMark", "actionUnmarkAll",
                          "|", "actionZoomIn", "actionZoomOut", "|", "actionColors",
                          "actionDisable_Colors"}));
    QCOMPARE(actionTexts(ui.menuHelp->actions()), QStringList({"actionAbout"}));
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
    QCOMPARE(ui.actionFind->statusTip(), QStringLiteral("no implementation"));
    QCOMPARE(ui.actionExit->statusTip(), QString());
    // The actions of finding, marking, copying and exporting frames have shortcuts and no
    // icons; the others are as they always were.
    const QStringList menuOnly = {"actionSearch", "actionFindNext", "actionFindPrevious",
                                  "actionCopy", "actionCopyDump", "actionMark", "actionMarkNote",
                                  "actionNextMark", "actionPrevMark", "actionUnmarkAll",
                                  "actionExport"};
    for (QAction *action : m_window->findChildren<QAction *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (action->isSeparator() || action->menu() || menuOnly.contains(action->objectName()))
            continue;
        QVERIFY2(!action->icon().isNull(), qPrintable(action->objectName()));
        QVERIFY(action->shortcut().isEmpty());
        // Qt reports a hidden action as disabled; only the zoom actions are hidden.
        QVERIFY2(action->isEnabled() || !action->isVisible(), qPrintable(action->objectName()));
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
    m_window->appendLog(QStringLiteral("third"), Qt::darkYellow);
    m_window->appendLog(QStringLiteral("fourth"), Qt::darkYellow);
    m_window->appendLog(QStringLiteral("fifth"), Qt::white);

    QCOMPARE(ui.txtLog->toPlainText(), QStringLiteral("first\nsecond\nthird\nfourth\nfifth"));
    QCOMPARE(blockColours(ui.txtLog),
             QList<QColor>({Qt::white, Qt::red, Qt::darkYellow, Qt::darkYellow, Qt::white}));
}

void TestMainWindow::logColoursTheAppendedLineAfterAClick()
{
    auto &ui = FramescopeProbe::ui(*m_window);
    m_window->appendLog(QStringLiteral("one"), Qt::white);
    m_window->appendLog(QStringLiteral("two"), Qt::white);
    ui.tabs->setCurrentIndex(1);
    // Click into the first line: the cursor leaves the end of the log.
    const QRect first = ui.txtLog->cursorRect(QTextCursor(ui.txtLog->document()->firstBlock()));
    QTest::mouseClick(ui.txtLog->viewport(), Qt::LeftButton, {}, first.center());
    QCOMPARE(ui.txtLog->textCursor().blockNumber(), 0);

    m_window->appendLog(QStringLiteral("three"), Qt::red);
    QCOMPARE(blockColours(ui.txtLog), QList<QColor>({Qt::white, Qt::white, Qt::red}));
}

void TestMainWindow::clearEmptiesTheLog()
{
    auto &ui = FramescopeProbe::ui(*m_window);
    m_window->appendLog(QStringLiteral("old"), Qt::red);
    QTest::mouseClick(ui.pushButton, Qt::LeftButton);
    QVERIFY(ui.txtLog->document()->isEmpty());

    m_window->appendLog(QStringLiteral("new"), Qt::darkYellow);
    QCOMPARE(ui.txtLog->document()->blockCount(), 1);
    QCOMPARE(ui.txtLog->toPlainText(), QStringLiteral("new"));
    QCOMPARE(blockColours(ui.txtLog), QList<QColor>({Qt::darkYellow}));
}

void TestMainWindow::batchedLogMatchesDirectLog()
{
    auto &ui = FramescopeProbe::ui(*m_window);
    LogWriter &writer = FramescopeProbe::logWriter(*m_window);
    QStringList expectedText;
    QList<QColor> expectedColours;
    const QColor cycle[] = {Qt::white, Qt::white, Qt::darkYellow, Qt::white, Qt::red};

    writer.beginBatch();
    // Short runs of colours, then one run long enough to be written over several slices and
    // to fill more than one chunk of the queue.
    for (int i = 0; i < 200000; ++i) {
        const QColor colour = i < 10000 ? cycle[i % 5] : i < 199990 ? QColor(Qt::white) : cycle[i % 5];
        m_window->appendLog(QString::number(i), colour);
        expectedText << QString::number(i);
        expectedColours << colour;
    }
    QVERIFY(ui.txtLog->document()->isEmpty());
    writer.endBatch();
    // Lines logged while the queue drains go behind it.
    m_window->appendLog(QStringLiteral("after"), Qt::red);
    expectedText << QStringLiteral("after");
    expectedColours << QColor(Qt::red);
    QTRY_COMPARE(writer.pendingLines(), qint64(0));

    QCOMPARE(ui.txtLog->toPlainText(), expectedText.join(QLatin1Char('\n')));
    QCOMPARE(blockColours(ui.txtLog), expectedColours);

    // "Clear" while lines are still queued drops them too.
    writer.beginBatch();
    m_window->appendLog(QStringLiteral("queued"), Qt::white);
    writer.endBatch();
    QTest::mouseClick(ui.pushButton, Qt::LeftButton);
    QCOMPARE(writer.pendingLines(), qint64(0));
    QTest::qWait(20);
    QVERIFY(ui.txtLog->document()->isEmpty());
}

void TestMainWindow::exitClosesTheWindow()
{
    QVERIFY(m_window->isVisible());
    FramescopeProbe::ui(*m_window).actionExit->trigger();
    QVERIFY(!m_window->isVisible());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
