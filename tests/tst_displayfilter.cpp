// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"
#include "framescopeprobe.h"
#include "passlatch.h"
#include "opendialog.h"
#include "testenv.h"

#include "viewer/app/framescope.h"
#include "viewer/views/filterbar.h"
#include "viewer/views/filterfield.h"
#include "viewer/views/findbar.h"
#include "viewer/views/frametablemodel.h"
#include "viewer/views/frametableview.h"
#include "core/text/scrollergeometry.h"
#include "viewer/views/scrolltracker.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QGraphicsPixmapItem>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Korvex;

namespace {

/// Frame i: size code i % 7, channel i % 16, CTS i % 2, 1000 ns after the one before, payload
/// bytes i, i + 1, i + 2, ...
std::unique_ptr<Capture> makeFrames(int count)
{
    QByteArray block;
    for (int i = 0; i < count; ++i) {
        QByteArray payload;
        for (int b = 0; b < 64; ++b)
            payload += char(i + b);
        block += CaptureFixture::frameOf(i % 7, i % 16, i % 2, 312, payload);
    }
    return CaptureFixture::load3G(block);
}

} // namespace

/// The display filter in the window (its bar, the table's rows, navigation, Find Frame, the
/// overview strip) and the Find bar.
class TestDisplayFilter : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void applyShowsTheMatchingFrames();
    void badExpressionChangesNothing();
    void clearShowsEveryFrame();
    void navigationFollowsTheFilter();
    void findFrameGoesToTheNearestShownFrame();
    void cancelLeavesTheFramesShown();
    void historyIsKept();
    void completionByKeyboard_data();
    void completionByKeyboard();
    void pendingAndPickedFilters();
    void stripDimsHiddenFrames();
    void findBar_data();
    void findBar();
    void findWrapsAtTheEnds();
    void findNextWithoutTextShowsTheBar();
    void missingFramesAreCounted();

private:
    Ui::Framescope &ui() { return FramescopeProbe::ui(*window); }
    FrameTableModel *model() { return FramescopeProbe::model(*window); }
    qint64 currentFrame() { return model()->rows().frameAt(ui().tblFrames->currentShownRow()); }
    void apply(const QString &text)
    {
        ui().filterBar->setText(text);
        ui().filterBar->applyButton()->click();
        QVERIFY(FramescopeProbe::settle(*window));
    }
    QList<int> rowLabels()
    {
        QList<int> labels;
        for (int row = 0; row < model()->rowCount(); ++row)
            labels.append(model()->headerData(row, Qt::Vertical).toInt());
        return labels;
    }

    TestEnv env;
    std::unique_ptr<Framescope> window;
};

void TestDisplayFilter::init()
{
    QSettings(QStringLiteral("Kestrant"), QStringLiteral("Framescope")).clear();
    window = std::make_unique<Framescope>(QString());
    window->resize(900, 700);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    FramescopeProbe::showCapture(*window, makeFrames(40));
    ui().tblFrames->goToShownRow(18);
}

void TestDisplayFilter::cleanup()
{
    window.reset();
}

void TestDisplayFilter::applyShowsTheMatchingFrames()
{
    apply(QStringLiteral("channel == \"RF IC Control\""));
    QCOMPARE(rowLabels(), QList<int>({2, 18, 34}));
    QCOMPARE(ui().filterBar->state(), FilterBar::State::Valid);
    QVERIFY(window->findChild<QLabel *>()->parent());
    QCOMPARE(ui().statusbar->findChildren<QLabel *>().last()->text(),
             QStringLiteral("Shown: 3 of 40 frames"));
    // The current frame stays current, and the detail panel shows it.
    QCOMPARE(currentFrame(), qint64(18));
    QCOMPARE(ui().edLct->text(), QStringLiteral("0010"));
    QCOMPARE(model()->data(model()->cellIndex(1, 1)).toString(), QStringLiteral("128 bit RF IC Control"));

    // A frame that the next filter hides gives way to the nearest one shown.
    apply(QStringLiteral("frame in {3, 15, 30} or cts == 1 and frame > 38"));
    QCOMPARE(rowLabels(), QList<int>({3, 15, 30, 39}));
    QCOMPARE(currentFrame(), qint64(15));
    QCOMPARE(ui().filterBar->history().first(),
             QStringLiteral("frame in {3, 15, 30} or cts == 1 and frame > 38"));
}

void TestDisplayFilter::badExpressionChangesNothing()
{
    apply(QStringLiteral("cts == 1"));
    const QList<int> before = rowLabels();
    apply(QStringLiteral("cts == 1 and channel == 99"));
    QCOMPARE(rowLabels(), before);
    QCOMPARE(currentFrame(), qint64(17));
    QCOMPARE(ui().filterBar->state(), FilterBar::State::Invalid);
    QCOMPARE(ui().filterBar->lineEdit()->cursorPosition(), 24);
    QVERIFY2(FramescopeProbe::note(*window).contains(QStringLiteral("Column 25")),
             qPrintable(FramescopeProbe::note(*window)));
    QVERIFY(!ui().filterBar->history().contains(QStringLiteral("cts == 1 and channel == 99")));
}

void TestDisplayFilter::clearShowsEveryFrame()
{
    apply(QStringLiteral("code == 3"));
    QCOMPARE(model()->rows().count(), qint64(6));
    ui().tblFrames->goToShownRow(2);
    QCOMPARE(currentFrame(), qint64(17));
    ui().filterBar->clearButton()->click();
    QVERIFY(!model()->rows().isFiltered());
    QCOMPARE(model()->rows().count(), qint64(40));
    QCOMPARE(currentFrame(), qint64(17));
    QCOMPARE(ui().filterBar->text(), QString());
    // An empty filter applied is the same as Clear.
    apply(QStringLiteral("code == 3"));
    apply(QString());
    QCOMPARE(model()->rows().count(), qint64(40));
}

void TestDisplayFilter::navigationFollowsTheFilter()
{
    apply(QStringLiteral("channel in {1, 2}"));
    QCOMPARE(rowLabels(), QList<int>({1, 2, 17, 18, 33, 34}));
    ui().actionGoNext->trigger();
    QCOMPARE(currentFrame(), qint64(33));
    ui().actionGoPrev->trigger();
    ui().actionGoPrev->trigger();
    QCOMPARE(currentFrame(), qint64(17));
    ui().actionGoLast->trigger();
    QCOMPARE(currentFrame(), qint64(34));
    ui().actionGoFirst->trigger();
    QCOMPARE(currentFrame(), qint64(1));
    QCOMPARE(FramescopeProbe::statusLabel(*window)->text(), QStringLiteral("32 bit Time Accurate Strobe Message"));
}

void TestDisplayFilter::findFrameGoesToTheNearestShownFrame()
{
    apply(QStringLiteral("frame < 5 or frame >= 30"));
    const auto goTo = [this](int frame) {
        ui().actionFind->trigger();
        auto *dialog = OpenDialog::top<QInputDialog>();
        QVERIFY(dialog);
        dialog->setDoubleValue(frame);
        dialog->accept();
    };
    goTo(31);
    QCOMPARE(currentFrame(), qint64(31));
    goTo(12);
    QCOMPARE(currentFrame(), qint64(4));
    QVERIFY2(FramescopeProbe::note(*window).contains(QStringLiteral("Frame 12 is not shown")),
             qPrintable(FramescopeProbe::note(*window)));
    goTo(20);
    QCOMPARE(currentFrame(), qint64(30));
}

void TestDisplayFilter::cancelLeavesTheFramesShown()
{
    // The filter is held mid-way until its dialog has shown and Cancel was pressed.
    FramescopeProbe::showProgressAtOnce(*window);
    PassLatch latch(TaskKinds::Filter);
    FramescopeProbe::setTaskHook(*window, latch.hook());
    ui().filterBar->setText(QStringLiteral("payload contains 05 06"));
    ui().filterBar->applyButton()->click();
    QVERIFY(latch.waitReached());
    QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QProgressDialog *>(QApplication::activeModalWidget()),
                             HangGuardMs);
    auto *dialog = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
    QCOMPARE(dialog->labelText(), QStringLiteral("Filtering frames ..."));
    dialog->findChild<QPushButton *>()->click();
    latch.release();
    QVERIFY(FramescopeProbe::settle(*window));
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), HangGuardMs);
    QVERIFY(!model()->rows().isFiltered());
    QCOMPARE(currentFrame(), qint64(18));
    QCOMPARE(FramescopeProbe::note(*window), QStringLiteral("Filter cancelled; the frames shown are as before."));
}

void TestDisplayFilter::historyIsKept()
{
    apply(QStringLiteral("cts == 0"));
    apply(QStringLiteral("cts == 1"));
    apply(QStringLiteral("cts == 0"));
    QCOMPARE(ui().filterBar->history(), QStringList({"cts == 0", "cts == 1"}));
    window.reset();
    Framescope other{QString()};
    QCOMPARE(FramescopeProbe::ui(other).filterBar->history(), QStringList({"cts == 0", "cts == 1"}));
}

void TestDisplayFilter::completionByKeyboard_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("completed");
    QTest::addColumn<QString>("rest");
    QTest::addColumn<qint64>("shown");
    QTest::newRow("name, Return") << "cts == 0 and ch" << int(Qt::Key_Return)
                                  << "cts == 0 and channel" << " == 2" << qint64(3);
    QTest::newRow("name, Tab") << "ct" << int(Qt::Key_Tab) << "cts" << " == 1" << qint64(20);
    QTest::newRow("quoted name") << "channel == \"rf" << int(Qt::Key_Return)
                                 << "channel == \"RF IC Control\"" << "" << qint64(3);
    // Names of messages' fields join the words; a dot belongs to the name.
    QTest::newRow("added name") << "frame == 1 and not message.fi" << int(Qt::Key_Return)
                                << "frame == 1 and not message.first" << "" << qint64(-1);
}

void TestDisplayFilter::completionByKeyboard()
{
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(QString, completed);
    QFETCH(QString, rest);
    QFETCH(qint64, shown);
    FilterBar *bar = ui().filterBar;
    bar->setCompletionWords(FilterBar::standardCompletionWords() << QStringLiteral("message.first"));
    QLineEdit *edit = bar->lineEdit();
    QAbstractItemView *list = bar->completer()->popup();
    edit->setFocus();
    QTest::keyClicks(edit, typed);
    QVERIFY(list->isVisible());
    // The open list has the keys, as it has them on screen.
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key(key));
    QVERIFY(!list->isVisible());
    QCOMPARE(edit->text(), completed);
    // Completing applied nothing; the field says so until a Return applies it.
    QVERIFY(!model()->rows().isFiltered());
    QVERIFY(bar->isPending());
    QVERIFY(bar->applyButton()->isEnabled());
    QTest::keyClicks(edit, rest);
    // A name the language does not know yet is only completed.
    if (shown < 0)
        return;
    QCOMPARE(bar->state(), FilterBar::State::Valid);
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(FramescopeProbe::settle(*window));
    QCOMPARE(bar->applied(), completed + rest);
    QVERIFY(!bar->isPending());
    QCOMPARE(model()->rows().count(), shown);
}

void TestDisplayFilter::pendingAndPickedFilters()
{
    FilterBar *bar = ui().filterBar;
    apply(QStringLiteral("cts == 0"));
    apply(QStringLiteral("cts == 1"));
    QVERIFY(!bar->isPending());
    QVERIFY(!bar->applyButton()->isEnabled());
    QCOMPARE(model()->rows().count(), qint64(20));
    // Picking a recent filter applies it.
    QComboBox *box = bar->historyBox();
    const int index = box->findText(QStringLiteral("cts == 0"));
    box->setCurrentIndex(index);
    emit box->activated(index);
    QVERIFY(FramescopeProbe::settle(*window));
    QCOMPARE(bar->applied(), QStringLiteral("cts == 0"));
    QCOMPARE(model()->rows().frameAt(0), qint64(0));
    // A mistake is marked where it is, in words that say what would do.
    QTest::keyClicks(bar->lineEdit(), QStringLiteral(" and time >= 1 sec"));
    QVERIFY(bar->isPending());
    bar->applyButton()->click();
    QCOMPARE(bar->applied(), QStringLiteral("cts == 0"));
    QCOMPARE(bar->field()->markStart(), 23);
    QCOMPARE(bar->field()->markLength(), 3);
    QVERIFY(bar->historyBox()->toolTip().contains(QStringLiteral("unknown time unit 'sec' (ns, us, ms, s)")));
}

void TestDisplayFilter::stripDimsHiddenFrames()
{
    apply(QStringLiteral("frame >= 20"));
    QGraphicsPixmapItem *bars = nullptr;
    for (QGraphicsItem *item : FramescopeProbe::scene(*window).items()) {
        if (auto *pixmap = dynamic_cast<QGraphicsPixmapItem *>(item))
            bars = pixmap;
    }
    QVERIFY(bars);
    const QImage image = bars->pixmap().toImage();
    const int headerH = ui().tblFrames->horizontalHeader()->height();
    const double h = window->frameItemHeight();
    // Frames 2 and 34 have one channel (and colour); the first is hidden, the second shown.
    const QRgb hidden = image.pixel(10, int(ScrollerGeometry::barRows(2, h, headerH).first));
    const QRgb shown = image.pixel(10, int(ScrollerGeometry::barRows(34, h, headerH).first));
    QCOMPARE(qAlpha(shown), 255);
    QVERIFY(qAlpha(hidden) > 0 && qAlpha(hidden) < 128);
    // The tracker spans the frames on view, which start at frame 20.
    QVERIFY(FramescopeProbe::tracker(*window)->rect().top() + FramescopeProbe::tracker(*window)->pos().y()
            >= ScrollerGeometry::barTop(20, h, headerH));
}

void TestDisplayFilter::findBar_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<qint64>("found");

    // From frame 18 on.
    QTest::newRow("expression") << int(FindBar::Expression) << "channel == 3" << true << qint64(19);
    QTest::newRow("expression back") << int(FindBar::Expression) << "code == 0" << false << qint64(14);
    QTest::newRow("hex bytes") << int(FindBar::HexBytes) << "1d ?? 1f" << true << qint64(19);
    QTest::newRow("hex bytes back") << int(FindBar::HexBytes) << "1d ?? 1f" << false << qint64(13);
    QTest::newRow("text") << int(FindBar::Text) << "ABC" << true << qint64(20);
    QTest::newRow("text in any case") << int(FindBar::Text) << "aBc" << true << qint64(20);
    QTest::newRow("dot for an unprintable byte") << int(FindBar::Text) << ". " << false << qint64(13);
}

void TestDisplayFilter::findBar()
{
    QFETCH(int, mode);
    QFETCH(QString, text);
    QFETCH(bool, forward);
    QFETCH(qint64, found);
    ui().actionSearch->trigger();
    QVERIFY(ui().findBar->isVisible());
    ui().findBar->setMode(FindBar::Mode(mode));
    ui().findBar->setText(text);
    (forward ? ui().actionFindNext : ui().actionFindPrevious)->trigger();
    QVERIFY(FramescopeProbe::settle(*window));
    QCOMPARE(currentFrame(), found);
    QVERIFY(!model()->rows().isFiltered());
    QCOMPARE(FramescopeProbe::note(*window), QStringLiteral("Frame %1 found.").arg(found));
    // The row is in the middle of the table, the bytes found stand out in the dump.
    const int middle = ui().tblFrames->viewport()->height() / 2;
    QVERIFY(qAbs(ui().tblFrames->shownRowAt(middle) - found) <= 1);
    if (mode == FindBar::HexBytes) {
        const std::vector<std::pair<int, int>> bytes{{0x1d - int(found), 3}};
        QCOMPARE(FramescopeProbe::highlighter(*window)->markedBytes(), bytes);
    }
}

void TestDisplayFilter::findWrapsAtTheEnds()
{
    ui().findBar->setText(QStringLiteral("channel == 1"));
    // Shown frames only: of 1, 17 and 33 the filter leaves 1 and 33.
    apply(QStringLiteral("frame != 17"));
    ui().tblFrames->goToShownRow(model()->rows().rowOf(33));
    ui().actionFindNext->trigger();
    QVERIFY(FramescopeProbe::settle(*window));
    QCOMPARE(currentFrame(), qint64(1));
    QVERIFY(FramescopeProbe::note(*window).contains(QStringLiteral("went on from the first")));
    ui().actionFindPrevious->trigger();
    QVERIFY(FramescopeProbe::settle(*window));
    QCOMPARE(currentFrame(), qint64(33));
    QVERIFY(FramescopeProbe::note(*window).contains(QStringLiteral("went on from the last")));

    ui().findBar->setText(QStringLiteral("channel == 99"));
    ui().actionFindNext->trigger();
    QVERIFY(FramescopeProbe::settle(*window));
    QCOMPARE(currentFrame(), qint64(33));
    QVERIFY(FramescopeProbe::note(*window).contains(QStringLiteral("Column 12")));
    ui().findBar->setText(QStringLiteral("frame == 17"));
    ui().actionFindNext->trigger();
    QVERIFY(FramescopeProbe::settle(*window));
    QCOMPARE(FramescopeProbe::note(*window), QStringLiteral("No shown frame matches."));
}

void TestDisplayFilter::findNextWithoutTextShowsTheBar()
{
    QVERIFY(!ui().findBar->isVisible());
    ui().actionFindNext->trigger();
    QVERIFY(FramescopeProbe::settle(*window));
    QVERIFY(ui().findBar->isVisible());
    QCOMPARE(currentFrame(), qint64(18));
    QTest::keyClick(ui().findBar->lineEdit(), Qt::Key_Escape);
    QVERIFY(!ui().findBar->isVisible());
}

void TestDisplayFilter::missingFramesAreCounted()
{
    // Frames cut from the file have no time to compare: the filter and Find pass them over and
    // say how many.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cut.drf3"));
    auto capture = CaptureFixture::loadFile(path, 200, 3);
    QVERIFY(QFile::resize(path, qint64(capture->index().checkpoint(128).offset)));
    FramescopeProbe::showCapture(*window, std::move(capture));

    apply(QStringLiteral("time < 1ms"));
    QCOMPARE(rowLabels().size(), 128);
    const QString note = QStringLiteral("72 frames are no longer in the file and were not searched.");
    QCOMPARE(FramescopeProbe::note(*window), note);
    ui().filterBar->clearButton()->click();
    ui().findBar->setText(QStringLiteral("time > 1s"));
    ui().actionFindNext->trigger();
    QVERIFY(FramescopeProbe::settle(*window));
    QCOMPARE(FramescopeProbe::note(*window), QStringLiteral("No shown frame matches. ") + note);
}

QTEST_MAIN(TestDisplayFilter)
#include "tst_displayfilter.moc"
