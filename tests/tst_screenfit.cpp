// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"
#include "framescopeprobe.h"
#include "testenv.h"

#include "viewer/app/framescope.h"
#include "viewer/app/windowfit.h"
#include "viewer/views/filterbar.h"

#include <QApplication>
#include <QScreen>
#include <QSettings>
#include <QtTest>

#include <memory>

using namespace Korvex;

namespace {

// The smallest window the viewer must fit, in logical pixels: half of a 1600 x 1200 screen at
// twice the scale, less the desktop's panels.
const QSize SmallScreen(800, 500);

// Frames far apart, the last one 165 s after the first: its time is a long text for the
// detail panel.
std::unique_ptr<Capture> longCapture()
{
    QByteArray block;
    for (int i = 0; i < 13; ++i)
        block += CaptureFixture::frameOf(6, i % 16, i % 2, i == 0 ? 0 : 0xFFFFFFFFu);
    return CaptureFixture::load3G(block);
}

} // namespace

/// The main window at twice the scale: the smallest size it takes fits a small screen whatever
/// it shows, and the windows it opens come up over it within the screen.
class TestScreenFit : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void smallestWindowFitsTheScreen();
    void contentNeverWidensTheWindow();
    void fittedOver_data();
    void fittedOver();
    void toolWindowsOpenOverTheWindow();

private:
    void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest); }
    Ui::Framescope &ui() { return FramescopeProbe::ui(*window); }

    TestEnv env;
    std::unique_ptr<Framescope> window;
};

void TestScreenFit::init()
{
    QSettings(QStringLiteral("Kestrant"), QStringLiteral("Framescope")).clear();
    window = std::make_unique<Framescope>(QString());
}

void TestScreenFit::cleanup()
{
    window.reset();
}

void TestScreenFit::smallestWindowFitsTheScreen()
{
    QCOMPARE(window->devicePixelRatio(), 2.0);
    // Long filters among the recent ones do not count either.
    ui().filterBar->remember(QStringLiteral("channel == \"Time Accurate Strobe Message\" or "
                                            "channel == \"RF IC Control\" and cts == 0"));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    FramescopeProbe::showCapture(*window, longCapture());
    FramescopeProbe::session(*window).setCurrentFrame(12);
    settle();
    const QSize minimum = window->minimumSizeHint().expandedTo(window->minimumSize());
    QVERIFY2(minimum.width() <= SmallScreen.width() && minimum.height() <= SmallScreen.height(),
             qPrintable(QStringLiteral("%1 x %2").arg(minimum.width()).arg(minimum.height())));
}

void TestScreenFit::contentNeverWidensTheWindow()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->resize(SmallScreen);
    settle();
    QCOMPARE(window->size(), SmallScreen);
    FramescopeProbe::showCapture(*window, longCapture());
    for (const TimeMode mode : {TimeMode::SinceFirst, TimeMode::DeltaChannel}) {
        window->setTimeMode(mode);
        FramescopeProbe::session(*window).setCurrentFrame(12);
        settle();
        QVERIFY(ui().lblTime->text().contains(QStringLiteral("165")));
        QCOMPARE(window->size(), SmallScreen);
        // The whole text is on view, on as many lines as it takes.
        QVERIFY(ui().lblTime->wordWrap());
        QVERIFY(ui().lblTime->height() >= ui().lblTime->heightForWidth(ui().lblTime->width()));
    }
    FramescopeProbe::statusLabel(*window)->setText(QString(300, QLatin1Char('x')));
    settle();
    QCOMPARE(window->size(), SmallScreen);
}

void TestScreenFit::fittedOver_data()
{
    QTest::addColumn<QSize>("wanted");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QRect>("over");
    QTest::addColumn<QRect>("expected");
    const QRect screen(0, 0, 800, 600);
    QTest::newRow("centred") << QSize(400, 300) << QSize(100, 100) << QRect(0, 0, 800, 600)
                             << QRect(200, 150, 400, 300);
    QTest::newRow("too large for the screen")
        << QSize(960, 640) << QSize(100, 100) << QRect(0, 0, 800, 600) << screen;
    QTest::newRow("kept inside at the right")
        << QSize(400, 300) << QSize(100, 100) << QRect(600, 100, 200, 200)
        << QRect(400, 50, 400, 300);
    QTest::newRow("kept inside at the top left")
        << QSize(400, 300) << QSize(100, 100) << QRect(-100, -100, 100, 100)
        << QRect(0, 0, 400, 300);
    QTest::newRow("minimum beats the screen")
        << QSize(960, 640) << QSize(900, 100) << QRect(0, 0, 800, 600) << QRect(0, 0, 900, 600);
}

void TestScreenFit::fittedOver()
{
    QFETCH(QSize, wanted);
    QFETCH(QSize, minimum);
    QFETCH(QRect, over);
    QFETCH(QRect, expected);
    QCOMPARE(Korvex::fittedOver(wanted, minimum, over, QRect(0, 0, 800, 600)), expected);
}

void TestScreenFit::toolWindowsOpenOverTheWindow()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    FramescopeProbe::showCapture(*window, longCapture());
    const QRect available = window->screen()->availableGeometry();
    for (QAction *action : {ui().actionStatistics, ui().actionCharts, ui().actionMarks}) {
        action->trigger();
        QWidget *tool = QApplication::activeWindow() != window.get()
                            ? QApplication::topLevelWidgets().last()
                            : nullptr;
        const QList<QWidget *> tools = window->findChildren<QWidget *>();
        for (QWidget *candidate : tools) {
            if (candidate->isWindow() && candidate->isVisible())
                tool = candidate;
        }
        QVERIFY(tool);
        const QRect placed = tool->geometry();
        QVERIFY2(available.contains(placed), qPrintable(tool->objectName()));
        // Over the main window: their middles lie within each other.
        QVERIFY(placed.contains(window->geometry().center())
                || window->geometry().contains(placed.center()));
        tool->close();
    }
}

int main(int argc, char *argv[])
{
    // Twice the scale on a 1600 x 1200 screen, as a screen set to 200 %; both have to be chosen
    // before the application starts.
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screen.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(R"({"screens": [{"name": "screen", "x": 0, "y": 0, "width": 1600,
                          "height": 1200, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
               < 0)
        return 1;
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestScreenFit test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screenfit.moc"
