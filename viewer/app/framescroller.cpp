// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/colors/colordlg.h"
#include "core/files/capture.h"
#include "core/files/framemarks.h"
#include "core/filters/framebitmap.h"
#include "core/session/capturesession.h"
#include "viewer/views/frametablemodel.h"
#include "core/text/frametext.h"
#include "core/text/scrollergeometry.h"
#include "core/text/timetext.h"
#include "viewer/views/scrolltracker.h"

#include <QColor>
#include <QEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <QGraphicsPixmapItem>
#include <QHeaderView>
#include <QImage>
#include <QPixmap>
#include <QTimer>

#include <array>
#include <optional>
#include <vector>

namespace Korvex {

namespace {

/// The bar colours of one build, looked up once per channel type: a frame's colour follows
/// from its channel type alone, which the capture's index holds.
class BarColors
{
public:
    BarColors(const FrameColorScheme &colors, const FrameIndex &index)
        : m_colors(colors)
        , m_index(index)
    {
    }

    /// The premultiplied pixel of the frame's bar, or nothing for a frame without a bar.
    std::optional<QRgb> of(qint64 frame)
    {
        const int key = m_index.protocolVersion() != 0 ? 16 : m_index.fields(frame).channelType;
        Slot &slot = m_byKey[std::size_t(key)];
        if (!slot.known) {
            const QColor color = m_colors.bgColor(m_index.protocolVersion(),
                                                  FrameText::channelTypeName(m_index, frame));
            // White means no bar; a name without a colour paints as opaque black.
            if (color != QColor(Qt::white))
                slot.pixel = color.isValid() ? qPremultiply(color.rgba()) : qRgb(0, 0, 0);
            slot.known = true;
        }
        return slot.pixel;
    }

private:
    struct Slot
    {
        bool known = false;
        std::optional<QRgb> pixel;
    };

    const FrameColorScheme &m_colors;
    const FrameIndex &m_index;
    std::array<Slot, 17> m_byKey;
};

// A frame the display filter hides shows at less than a third of its colour.
QRgb dimmed(QRgb pixel)
{
    return qRgba(qRed(pixel) * 3 / 10, qGreen(pixel) * 3 / 10, qBlue(pixel) * 3 / 10,
                 qAlpha(pixel) * 3 / 10);
}

// How many frames of a pixel row a filtered strip looks at for one with a colour.
constexpr int FramesTriedPerPixel = 64;

/// Paints the bars of `count` frames into one image of the strip, pixel row by pixel row. Later
/// bars cover earlier ones where they overlap, so each pixel row shows the last bar with a
/// colour that reaches it; finding it costs a few index lookups, so the strip costs what its
/// pixels cost whatever the number of frames. With a display filter (`shown`), a pixel row
/// shows the last shown frame with a colour among its frames, or else, dimmed, the last
/// frame with a colour. A pixel row with a marked frame gets the mark colour at its left.
QImage paintBars(qint64 count, double h, int headerH, int stripW, BarColors &colors,
                 const FrameBitmap *shown, const FrameMarks &marks)
{
    const qint64 last = qMax(ScrollerGeometry::barRows(0, h, headerH).last,
                             ScrollerGeometry::barRows(count - 1, h, headerH).last);
    const int height = int(qBound(qint64(1), last + 1, qint64(32767)));
    QImage image(qMax(1, stripW), height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const QRgb markPixel = qPremultiply(FrameTableModel::markColor().rgba());
    // A mark is a dark band at the strip's left with a white edge, at least three pixel rows
    // high, so that one marked frame among millions shows on any bar colour.
    const int markWidth = qMax(1, qMin(image.width() - 1, 6));
    std::vector<bool> marked(std::size_t(height), false);

    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        const auto [firstBar, lastBar] = ScrollerGeometry::barsReaching(y, h, headerH, count);
        std::optional<QRgb> pixel;
        if (!shown) {
            for (qint64 bar = lastBar; bar >= firstBar; --bar) {
                if ((pixel = colors.of(bar)))
                    break;
            }
        } else if (lastBar >= 0) {
            qint64 bar = shown->previousSet(lastBar);
            for (int tried = 0; !pixel && bar >= firstBar && tried < FramesTriedPerPixel; ++tried) {
                pixel = colors.of(bar);
                bar = shown->previousSet(bar - 1);
            }
            for (bar = lastBar; !pixel && bar >= qMax(firstBar, lastBar - FramesTriedPerPixel); --bar) {
                if (const std::optional<QRgb> hidden = colors.of(bar))
                    pixel = dimmed(*hidden);
            }
        }
        if (pixel)
            std::fill(line, line + image.width(), *pixel);
        if (lastBar >= firstBar && marks.anyIn(firstBar, lastBar))
            marked[std::size_t(y)] = true;
    }
    for (int y = 0; y < height; ++y) {
        const bool near = marked[std::size_t(y)] || (y > 0 && marked[std::size_t(y - 1)])
                          || (y + 1 < height && marked[std::size_t(y + 1)]);
        if (!near)
            continue;
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        std::fill(line, line + markWidth, markPixel);
        if (markWidth < image.width())
            line[markWidth] = qRgb(255, 255, 255);
    }
    return image;
}

// What a build depends on besides the frames: the strip's size and the table's height.
QRect stripGeometry(const Ui::Framescope &ui)
{
    return QRect(QPoint(ui.gvFrames->width(), ui.tblFrames->height()),
                 ui.gvFrames->viewport()->size());
}

} // namespace

void Framescope::buildFramesScroller()
{
    // A capture loaded before the window is first shown is built for the strip's size before
    // the layout; the strip's resize then asks for a build for its real size.
    ui.gvFrames->viewport()->installEventFilter(this);
    scrollerBuiltFor = stripGeometry(ui);
    scene.clear();
    tracker = nullptr;
    // The strip shows every frame; with a display filter the frames it hides are dimmed.
    const qint64 count = stripFrames();
    const std::shared_ptr<const Capture> &capture = session->capture();
    if (count == 0 || !capture)
        return;

    const double h = frameItemHeight();
    const int headerH = ui.tblFrames->horizontalHeader()->height();

    if (shownFrames() > 0) {
        tracker = new ScrollTracker(headerH);
        connect(tracker, &ScrollTracker::moved, this, &Framescope::frameScrollerMoved);
        scene.addItem(tracker);
    }

    // One image holds every bar: an item per frame costs seconds and gigabytes at a million.
    BarColors colors(colorDlg->scheme(), capture->index());
    const QImage bars = paintBars(count, h, headerH, ui.gvFrames->width(), colors,
                                  session->rows().bitmap(), session->marks());
    scene.addItem(new QGraphicsPixmapItem(QPixmap::fromImage(bars)));

    const QRectF rect(0, 0, ui.gvFrames->viewport()->width(),
                      ScrollerGeometry::sceneHeight(count, h, headerH));
    ui.gvFrames->setSceneRect(rect);
    scene.setSceneRect(rect);
    updateFramesScroller();
}

bool Framescope::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui.gvFrames->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto *press = static_cast<QMouseEvent *>(event);
        const QPoint at = press->position().toPoint();
        // The tracker takes its own presses, to be dragged.
        if (press->button() == Qt::LeftButton && tracker && ui.gvFrames->itemAt(at) != tracker
            && scrollerFrameAt(at) >= 0) {
            scrollerClicked(at);
            return true;
        }
    }
    if (watched == ui.gvFrames->viewport() && event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const qint64 frame = scrollerFrameAt(help->pos());
        if (frame < 0) {
            QToolTip::hideText();
        } else {
            const Capture &capture = *session->capture();
            const QString time = capture.isMissing(frame)
                                     ? tr("missing")
                                     : TimeText::readable(qint64(
                                         FrameRecord::nsOfTicks(capture.ticks(frame))));
            const QString text = session->rows().isShown(frame)
                                     ? tr("Frame %1\n%2").arg(frame).arg(time)
                                     : tr("Frame %1 (not shown)\n%2").arg(frame).arg(time);
            QToolTip::showText(help->globalPos(), text, ui.gvFrames->viewport());
        }
        return true;
    }
    if (watched == ui.gvFrames->viewport() && event->type() == QEvent::Resize
        && !scrollerCheckPending) {
        scrollerCheckPending = true;
        // Checked once the resize is over: a window resize has rebuilt the scroller by then
        // (its layout moves the strip before the window's own resizeEvent), so only a strip
        // that moved on its own costs a build.
        QTimer::singleShot(0, this, [this] {
            scrollerCheckPending = false;
            if (stripGeometry(ui) != scrollerBuiltFor)
                buildFramesScroller();
        });
    }
    return QMainWindow::eventFilter(watched, event);
}

double Framescope::frameItemHeight() const
{
    return ScrollerGeometry::itemHeight(stripFrames(), ui.tblFrames->rowHeight(0),
                                        ui.tblFrames->horizontalHeader()->height(),
                                        ui.tblFrames->height(),
                                        ui.gvFrames->viewport()->height());
}

void Framescope::updateFramesScroller()
{
    // While the user drags the tracker it stays under the mouse; it goes back onto the row grid
    // when let go of.
    if (!tracker || tracker->isDragged())
        return;
    const int rowH = ui.tblFrames->rowHeight(0);
    const int headerH = ui.tblFrames->horizontalHeader()->height();
    const FrameRows &rows = session->rows();
    const qint64 topRow = ui.tblFrames->shownRowAt(rowH - 1);
    const qint64 bottomRow = ui.tblFrames->shownRowAt(ui.tblFrames->height() - headerH - rowH + 1);
    // The tracker spans the frames of the rows on view; no row at the bottom means the last.
    const qint64 topFrame = rows.frameAt(qMax<qint64>(0, topRow));
    const qint64 bottomFrame = rows.frameAt(bottomRow >= 0 ? bottomRow : rows.count() - 1);
    const QRectF sceneRect = ScrollerGeometry::trackerRect(topFrame, bottomFrame, stripFrames(),
                                                           frameItemHeight(), headerH,
                                                           ui.gvFrames->viewport()->width());
    // The position keeps whatever earlier drags left in it; the rectangle makes up for it.
    tracker->setRect(sceneRect.translated(0, -tracker->pos().y()));
}

qint64 Framescope::scrollerFrameAt(QPoint position) const
{
    if (!session->capture())
        return -1;
    return ScrollerGeometry::frameAtY(ui.gvFrames->mapToScene(position).y(), frameItemHeight(),
                                      ui.tblFrames->horizontalHeader()->height(), stripFrames(),
                                      session->rows().bitmap());
}

void Framescope::scrollerClicked(QPoint position)
{
    const qint64 frame = scrollerFrameAt(position);
    const qint64 row = session->rows().nearestRow(frame);
    if (frame < 0 || row < 0)
        return;
    // The frame's row comes to the middle of the table, the tracker with it, and becomes
    // current; a frame the filter hides gives way to the nearest shown one, as Find Frame does.
    ui.tblFrames->centreOnShownRow(row);
    goToFrame(frame);
    updateFramesScroller();
}

void Framescope::frameScrollerMoved()
{
    if (!tracker)
        return;
    // The tracker's top in the scene marks the table's top row, so n frame heights of drag are
    // n rows from wherever the last scroll of the table put it. Stopped at either end of the
    // strip it shows the first or the last rows, which its pen and minimum height would keep
    // out of reach when frames are less than a pixel high.
    const qint64 frame = ScrollerGeometry::rowAt(tracker->pos().y() + tracker->rect().top(),
                                                 frameItemHeight(),
                                                 ui.tblFrames->horizontalHeader()->height(),
                                                 stripFrames());
    qint64 row = session->rows().nearestRow(frame);
    if (tracker->stoppedAtTop())
        row = 0;
    else if (tracker->stoppedAtBottom())
        row = shownFrames() - 1;
    ui.tblFrames->scrollToShownRow(row);
    // Back onto the row grid also when the table did not scroll (same row, or its end reached).
    updateFramesScroller();
}

} // namespace Korvex
