// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturebuilder.h"
#include "framescopeprobe.h"
#include "testenv.h"

#include "viewer/app/framescope.h"
#include "viewer/views/frametableview.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

#include <memory>

using namespace Korvex;

/// Where the keys go after a load: the tab a load ends on with View > Show Log on Every Line
/// on and off, the table taking the keys once the Frames tab is in front, and Tab leaving it.
class TestKeyboardFocus : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void loadEndsReadyForKeys_data();
    void loadEndsReadyForKeys();
    void tabLeavesTheTable();

private:
    Ui::Framescope &ui() { return FramescopeProbe::ui(*window); }
    void load()
    {
        const QString path = files.filePath(QStringLiteral("keys.drf3"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(CaptureBuilder::randomCapture(60, 7));
        file.close();
        FramescopeProbe::loadFile(*window, path);
        QCOMPARE(FramescopeProbe::frameCount(*window), qint64(60));
        // The load's progress dialog took the activation away.
        window->windowHandle()->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTRY_COMPARE(QApplication::activeWindow(), window.get());
    }

    TestEnv env;
    QTemporaryDir files;
    std::unique_ptr<Framescope> window;
};

void TestKeyboardFocus::init()
{
    QSettings(QStringLiteral("Kestrant"), QStringLiteral("Framescope")).clear();
    window = std::make_unique<Framescope>(QString());
    window->resize(900, 700);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestKeyboardFocus::cleanup()
{
    window.reset();
}

void TestKeyboardFocus::loadEndsReadyForKeys_data()
{
    QTest::addColumn<bool>("logOnEveryLine");
    QTest::addColumn<int>("tab");
    QTest::newRow("log on every line") << true << 1;
    QTest::newRow("log for problems only") << false << 0;
}

void TestKeyboardFocus::loadEndsReadyForKeys()
{
    QFETCH(bool, logOnEveryLine);
    QFETCH(int, tab);
    QVERIFY(ui().actionShowLogOnEveryLine->isChecked());
    ui().actionShowLogOnEveryLine->setChecked(logOnEveryLine);
    load();
    QCOMPARE(ui().tabs->currentIndex(), tab);
    if (tab != 0) {
        ui().tabs->setFocus();
        QTest::keyClick(ui().tabs, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(ui().tabs->currentIndex(), 0);
    }
    QCOMPARE(QApplication::focusWidget(), ui().tblFrames);
    // The arrows move at once.
    const qint64 row = ui().tblFrames->currentShownRow();
    QTest::keyClick(ui().tblFrames, Qt::Key_Down);
    QCOMPARE(ui().tblFrames->currentShownRow(), row + 1);
    // The choice is kept for the next start.
    Framescope next{QString()};
    QCOMPARE(FramescopeProbe::ui(next).actionShowLogOnEveryLine->isChecked(), logOnEveryLine);
}

void TestKeyboardFocus::tabLeavesTheTable()
{
    ui().actionShowLogOnEveryLine->setChecked(false);
    load();
    ui().tblFrames->goToShownRow(5);
    QCOMPARE(QApplication::focusWidget(), ui().tblFrames);
    QTest::keyClick(ui().tblFrames, Qt::Key_Tab);
    QCOMPARE(ui().tblFrames->currentShownRow(), qint64(5));
    // On to the detail panel below the table, over the strip.
    QWidget *focused = QApplication::focusWidget();
    QVERIFY(focused && focused != ui().tblFrames);
    QVERIFY2(ui().splFrames->widget(1)->isAncestorOf(focused), qPrintable(focused->objectName()));
}

QTEST_MAIN(TestKeyboardFocus)
#include "tst_keyboardfocus.moc"
