// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"
#include "capturefixture.h"
#include "framescopeprobe.h"
#include "opendialog.h"
#include "testenv.h"

#include <QAction>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

#include <memory>

using namespace Korvex;

/// The window's keyboard shortcuts: each reaches its action, Home and End move in the frame
/// table only, and Help > Keyboard Shortcuts lists them all.
class TestShortcuts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void keysTriggerTheirActions_data();
    void keysTriggerTheirActions();
    void keysMoveThroughTheFrames_data();
    void keysMoveThroughTheFrames();
    void listShowsEveryShortcut();

private:
    Ui::Framescope &ui() { return FramescopeProbe::ui(*window); }

    TestEnv env;
    std::unique_ptr<Framescope> window;
};

void TestShortcuts::init()
{
    window = std::make_unique<Framescope>(QString());
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QByteArray block;
    for (int i = 0; i < 5; ++i)
        block += CaptureFixture::frameOf(0, i, 0, 0, QByteArray(1, char(i)));
    FramescopeProbe::showCapture(*window, CaptureFixture::load3G(block));
    ui().tblFrames->setCurrentIndex(FramescopeProbe::model(*window)->cellIndex(2, 0));
}

void TestShortcuts::cleanup()
{
    window.reset();
}

void TestShortcuts::keysTriggerTheirActions_data()
{
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("action");

    QTest::newRow("Ctrl+O") << QKeySequence(Qt::CTRL | Qt::Key_O) << "actionOpen_File";
    QTest::newRow("Ctrl+N") << QKeySequence(Qt::CTRL | Qt::Key_N) << "actionFileSave";
    QTest::newRow("Ctrl+P") << QKeySequence(Qt::CTRL | Qt::Key_P) << "actionPrint";
    QTest::newRow("Ctrl+G") << QKeySequence(Qt::CTRL | Qt::Key_G) << "actionFind";
    QTest::newRow("Ctrl+Shift+C") << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)
                                  << "actionColors";
    QTest::newRow("Ctrl+Q") << QKeySequence(Qt::CTRL | Qt::Key_Q) << "actionExit";
}

void TestShortcuts::keysTriggerTheirActions()
{
    QFETCH(QKeySequence, keys);
    QFETCH(QString, action);

    auto *target = window->findChild<QAction *>(action);
    QVERIFY(target);
    QSignalSpy triggered(target, &QAction::triggered);
    ui().txtPayload->setFocus();
    QTest::keySequence(ui().txtPayload, keys);
    QCOMPARE(triggered.count(), 1);
    if (action == QLatin1String("actionExit")) {
        QVERIFY(!window->isVisible());
        return;
    }
    // The others open a dialog, which is closed again.
    auto *dialog = OpenDialog::top<QDialog>();
    QVERIFY(dialog);
    dialog->reject();
}

void TestShortcuts::keysMoveThroughTheFrames_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<int>("row");

    const QString table = QStringLiteral("tblFrames");
    const QString payload = QStringLiteral("txtPayload");
    QTest::newRow("Home in the table") << table << QKeySequence(Qt::Key_Home) << 0;
    QTest::newRow("End in the table") << table << QKeySequence(Qt::Key_End) << 4;
    QTest::newRow("Ctrl+Home in the table") << table << QKeySequence(Qt::CTRL | Qt::Key_Home) << 0;
    QTest::newRow("Ctrl+End in the table") << table << QKeySequence(Qt::CTRL | Qt::Key_End) << 4;
    QTest::newRow("Alt+Up in the table") << table << QKeySequence(Qt::ALT | Qt::Key_Up) << 1;
    QTest::newRow("Alt+Down in the table") << table << QKeySequence(Qt::ALT | Qt::Key_Down) << 3;
    // Elsewhere Home and End keep their own meaning; the tool buttons' keys still answer.
    QTest::newRow("Home in the payload") << payload << QKeySequence(Qt::Key_Home) << 2;
    QTest::newRow("Ctrl+End in the payload") << payload << QKeySequence(Qt::CTRL | Qt::Key_End) << 2;
    QTest::newRow("Alt+Up in the payload") << payload << QKeySequence(Qt::ALT | Qt::Key_Up) << 1;
    QTest::newRow("Alt+Down in the payload") << payload << QKeySequence(Qt::ALT | Qt::Key_Down) << 3;
    // A combo box opens its list on Alt+Down.
    QTest::newRow("Alt+Down in a combo box") << QStringLiteral("cbByteOrder")
                                             << QKeySequence(Qt::ALT | Qt::Key_Down) << 2;
}

void TestShortcuts::keysMoveThroughTheFrames()
{
    QFETCH(QString, focus);
    QFETCH(QKeySequence, keys);
    QFETCH(int, row);

    auto *widget = window->findChild<QWidget *>(focus);
    widget->setFocus();
    QTRY_VERIFY(widget->hasFocus());
    // Keys go to the widget with the focus, as the window system delivers them.
    QTest::keySequence(widget, keys);
    QCOMPARE(ui().tblFrames->currentIndex().row(), row);
    QCOMPARE(FramescopeProbe::statusLabel(*window)->text(),
             FramescopeProbe::capture(*window)->frame(row).headerText());
    if (auto *box = qobject_cast<QComboBox *>(widget)) {
        QTRY_VERIFY(box->view()->isVisible());
        box->hidePopup();
    }
}

void TestShortcuts::listShowsEveryShortcut()
{
    QList<QStringList> rows;
    ui().actionShortcuts->trigger();
    auto *dialog = OpenDialog::top<QDialog>();
    QVERIFY(dialog);
    const auto *table = dialog->findChild<QTableWidget *>();
    for (int row = 0; table && row < table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column)
            cells << table->item(row, column)->text();
        rows << cells;
    }
    dialog->accept();

    const QList<QStringList> expected = {
        {"Open File", "Ctrl+O", "Whole window"},
        {"Reload", "F5", "Whole window"},
        {"Generate DigRF file", "Ctrl+N", "Whole window"},
        {"Find Frame", "Ctrl+G", "Whole window"},
        {"Exit", "Ctrl+Q", "Whole window"},
        {"Go To The First Frame", "Ctrl+Home, Home", "Frame table"},
        {"GoTo The Previous Frame", "Alt+Up", "Whole window"},
        {"Go To The Next Frame", "Alt+Down", "Whole window"},
        {"Go To The Last Frame", "Ctrl+End, End", "Frame table"},
        {"Print", "Ctrl+P", "Whole window"},
        {"Setup Colors", "Ctrl+Shift+C", "Whole window"},
        {"Set/Clear Time Reference", "Ctrl+T", "Whole window"},
        {"Find", "Ctrl+F", "Whole window"},
        {"Find Next", "F3", "Whole window"},
        {"Find Previous", "Shift+F3", "Whole window"},
        {"Copy Frames", "Ctrl+C", "Frame table"},
        {"Mark/Unmark Frames", "Ctrl+M", "Whole window"},
        {"Next Mark", "Ctrl+Shift+N", "Whole window"},
        {"Previous Mark", "Ctrl+Shift+B", "Whole window"},
        {"Follow Capture", "Ctrl+Shift+F", "Whole window"},
    };
    QCOMPARE(rows, expected);
}

QTEST_MAIN(TestShortcuts)
#include "tst_shortcuts.moc"
