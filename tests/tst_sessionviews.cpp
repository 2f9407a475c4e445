#include "capturefixture.h"
#include "framebits.h"
#include "framescopeprobe.h"
#include "hangguard.h"
#include "testenv.h"

#include "viewer/app/framescope.h"
#include "core/session/capturesession.h"
#include "core/text/framedetail.h"
#include "core/text/scrollergeometry.h"
#include "viewer/views/frametablemodel.h"
#include "viewer/views/frametableview.h"

#include <QGraphicsPixmapItem>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QSignalSpy>
#include <QStatusBar>
#include <QtTest>

#include <memory>

using namespace Korvex;
using FrameBits::rowsOf;

namespace {

/// Frame i: channel i % 16, 1000 ns after the one before.
std::unique_ptr<Capture> makeFrames(int count)
{
    QByteArray block;
    for (int i = 0; i < count; ++i)
        block += CaptureFixture::frameOf(1, i % 16, i % 2, 312);
    return CaptureFixture::load3G(block);
}

} // namespace

/// The window's views follow the capture session: what it shows, its current frame, marks and
/// time column reach the table, the detail panel, the overview strip and the status bar, and the
/// table's current row reaches the session, without the one undoing the other.
class TestSessionViews : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void currentFrameBothWays();
    void rowsReachTheViews();
    void marksAndTimeReachTheViews();

private:
    Ui::Framescope &ui() { return FramescopeProbe::ui(*window); }
    CaptureSession &session() { return FramescopeProbe::session(*window); }
    FrameTableModel *model() { return FramescopeProbe::model(*window); }
    QString status() { return FramescopeProbe::statusLabel(*window)->text(); }
    QString statusOf(qint64 frame) { return FrameDetail::statusText(session().capture()->frame(frame)); }
    void clickRow(int row, Qt::KeyboardModifiers modifiers = {});
    QImage strip();

    TestEnv env;
    std::unique_ptr<Framescope> window;
};

void TestSessionViews::init()
{
    window = std::make_unique<Framescope>(QString());
    window->resize(900, 700);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get(), HangGuardMs));
    FramescopeProbe::showCapture(*window, makeFrames(40));
    ui().tblFrames->doItemsLayout();
}

void TestSessionViews::cleanup()
{
    window.reset();
}

void TestSessionViews::clickRow(int row, Qt::KeyboardModifiers modifiers)
{
    const QRect cell = ui().tblFrames->visualRect(model()->cellIndex(row, 1));
    QTest::mouseClick(ui().tblFrames->viewport(), Qt::LeftButton, modifiers, cell.center());
}

QImage TestSessionViews::strip()
{
    for (QGraphicsItem *item : FramescopeProbe::scene(*window).items()) {
        if (auto *bars = qgraphicsitem_cast<QGraphicsPixmapItem *>(item))
            return bars->pixmap().toImage();
    }
    return QImage();
}

void TestSessionViews::currentFrameBothWays()
{
    // The session's current frame: the table's current row and the panel follow.
    QVERIFY(session().setCurrentFrame(7));
    QCOMPARE(ui().tblFrames->currentShownRow(), qint64(7));
    QCOMPARE(status(), statusOf(7));

    // The table's: the session follows, and the panel with it.
    QSignalSpy changed(&session(), &CaptureSession::currentFrameChanged);
    clickRow(3);
    QCOMPARE(session().currentFrame(), qint64(3));
    QCOMPARE(status(), statusOf(3));
    // Shift+click extends the selection; the session's answer leaves it as the user made it.
    clickRow(6, Qt::ShiftModifier);
    QCOMPARE(session().currentFrame(), qint64(6));
    QCOMPARE(ui().tblFrames->selectionModel()->selectedRows().size(), 4);
    QCOMPARE(changed.size(), 2);

    // No current frame: none in the table, none in the panel.
    QVERIFY(session().setCurrentFrame(-1));
    QVERIFY(!ui().tblFrames->currentIndex().isValid());
    QCOMPARE(status(), QStringLiteral("No frame selected"));
    QCOMPARE(ui().txtPayload->toPlainText(), QString());
}

void TestSessionViews::rowsReachTheViews()
{
    QVERIFY(session().setCurrentFrame(12));
    const QImage before = strip();
    QVERIFY(session().setRows(rowsOf(40, {2, 9, 15, 30}), QStringLiteral("some frames")));
    // The table shows the rows, on the frame nearest the current one; the panel shows it.
    QCOMPARE(model()->rowCount(), 4);
    QCOMPARE(model()->headerData(2, Qt::Vertical).toInt(), 15);
    QCOMPARE(session().currentFrame(), qint64(9));
    QCOMPARE(ui().tblFrames->currentShownRow(), qint64(1));
    QCOMPARE(status(), statusOf(9));
    const auto shownLabel = ui().statusbar->findChildren<QLabel *>();
    QVERIFY(std::any_of(shownLabel.cbegin(), shownLabel.cend(), [](const QLabel *label) {
        return label->text() == QStringLiteral("Shown: 4 of 40 frames");
    }));
    // The strip still shows every frame, the hidden ones dimmed.
    const double h = window->frameItemHeight();
    const int headerH = ui().tblFrames->horizontalHeader()->height();
    const auto barColor = [&](const QImage &image, qint64 frame) {
        return image.pixelColor(10, int(ScrollerGeometry::barTop(frame, h, headerH) + h / 2));
    };
    const QImage after = strip();
    QCOMPARE(barColor(after, 15), barColor(before, 15));
    QVERIFY(barColor(after, 14).alpha() < barColor(before, 14).alpha());

    session().clearFilter();
    QCOMPARE(model()->rowCount(), 40);
    QCOMPARE(ui().tblFrames->currentShownRow(), qint64(9));
    QCOMPARE(barColor(strip(), 14), barColor(before, 14));
}

void TestSessionViews::marksAndTimeReachTheViews()
{
    session().toggleMarks({4});
    const QModelIndex cell = model()->cellIndex(4, 1);
    QCOMPARE(model()->data(cell, Qt::BackgroundRole).value<QColor>(), FrameTableModel::markColor());
    const double h = window->frameItemHeight();
    const int headerH = ui().tblFrames->horizontalHeader()->height();
    const int y = int(ScrollerGeometry::barTop(4, h, headerH) + h / 2);
    QCOMPARE(strip().pixel(0, y), FrameTableModel::markColor().rgba());
    session().unmarkAll();
    QVERIFY(strip().pixel(0, y) != FrameTableModel::markColor().rgba());

    session().setTimeReference(2);
    session().setTimeMode(TimeMode::SinceReference);
    QCOMPARE(model()->headerData(0, Qt::Horizontal).toString(),
             QStringLiteral("Time since frame 2 [ns]"));
    QCOMPARE(model()->headerData(2, Qt::Vertical).toString(), QStringLiteral("2 REF"));
    QCOMPARE(model()->data(model()->cellIndex(0, 0)).toString(), QStringLiteral("-2000"));
    QVERIFY(ui().menuTimeDisplay->actions().at(int(TimeMode::SinceReference))->isChecked());
}

QTEST_MAIN(TestSessionViews)
#include "tst_sessionviews.moc"
