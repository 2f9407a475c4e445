#include "app/framescope.h"

#include "colors/colordlg.h"
#include "views/frametablemodel.h"
#include "views/scrollergeometry.h"
#include "views/scrolltracker.h"

#include <QColor>
#include <QEvent>
#include <QGraphicsPixmapItem>
#include <QHash>
#include <QHeaderView>
#include <QImage>
#include <QPixmap>
#include <QTimer>

#include <array>
#include <optional>
#include <vector>

namespace Korvex {

namespace {

/// The bar colours of one build. A frame's channel type name depends only on whether it is a
/// DigRF 3G record and on its channel type, so each of those looks its colour up once, and each
/// distinct name reaches the colour tables once.
class BarColors
{
public:
    BarColors(const ColorDlg &colors, int protocolVersion)
        : colors(colors)
        , protocolVersion(protocolVersion)
    {
    }

    /// The premultiplied pixel of the frame's bar, or nothing for a frame without a bar.
    std::optional<QRgb> of(const FrameRecord &record)
    {
        const int key = record.protocolVersion() != 0 ? 256 : record.channelType();
        Slot &slot = byKey[std::size_t(key)];
        if (!slot.known) {
            slot.pixel = byName(record.channelTypeName());
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

    std::optional<QRgb> byName(const QString &name)
    {
        const auto it = names.constFind(name);
        if (it != names.constEnd())
            return *it;
        const QColor color = colors.bgColor(protocolVersion, name);
        std::optional<QRgb> pixel;
        // White means no bar; a name without a colour paints as opaque black.
        if (color != QColor(Qt::white))
            pixel = color.isValid() ? qPremultiply(color.rgba()) : qRgb(0, 0, 0);
        names.insert(name, pixel);
        return pixel;
    }

    const ColorDlg &colors;
    int protocolVersion;
    std::array<Slot, 257> byKey;
    QHash<QString, std::optional<QRgb>> names;
};

/// Paints every frame's bar into one image of the strip. Later bars cover earlier ones where
/// they overlap, so walking backwards each pixel row is written once, and a bar whose rows are
/// all covered already is skipped without reading its frame: a compressed strip of a million
/// frames reads only the few frames that stay visible.
QImage paintBars(const FrameList &frames, double h, int headerH, int stripW, BarColors &colors)
{
    const qint64 count = frames.size();
    const qint64 last = qMax(ScrollerGeometry::barRows(0, h, headerH).last,
                             ScrollerGeometry::barRows(count - 1, h, headerH).last);
    const int height = int(qBound(qint64(1), last + 1, qint64(32767)));
    QImage image(qMax(1, stripW), height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);

    std::vector<char> painted(std::size_t(height), 0);
    for (qint64 i = count - 1; i >= 0; --i) {
        const ScrollerGeometry::PixelRows rows = ScrollerGeometry::barRows(i, h, headerH);
        const int first = int(qBound(qint64(0), rows.first, qint64(height)));
        const int end = int(qBound(qint64(0), rows.last + 1, qint64(height)));
        int row = first;
        while (row < end && painted[std::size_t(row)])
            ++row;
        if (row == end || !frames.at(i))
            continue;
        const std::optional<QRgb> pixel = colors.of(*frames.at(i));
        if (!pixel)
            continue;
        for (; row < end; ++row) {
            if (painted[std::size_t(row)])
                continue;
            painted[std::size_t(row)] = 1;
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(row));
            std::fill(line, line + image.width(), *pixel);
        }
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
    const qint64 count = frames.size();
    if (count == 0)
        return;

    const double h = frameItemHeight();
    const int headerH = ui.tblFrames->horizontalHeader()->height();

    tracker = new ScrollTracker(headerH);
    connect(tracker, &ScrollTracker::moved, this, &Framescope::frameScrollerMoved);
    scene.addItem(tracker);

    // One image holds every bar: an item per frame costs seconds and gigabytes at a million.
    BarColors colors(*colorDlg, protocolVersion);
    const QImage bars = paintBars(frames, h, headerH, ui.gvFrames->width(), colors);
    scene.addItem(new QGraphicsPixmapItem(QPixmap::fromImage(bars)));

    const QRectF rect(0, 0, ui.gvFrames->viewport()->width(),
                      ScrollerGeometry::sceneHeight(count, h, headerH));
    ui.gvFrames->setSceneRect(rect);
    scene.setSceneRect(rect);
    updateFramesScroller();
}

bool Framescope::eventFilter(QObject *watched, QEvent *event)
{
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
    return ScrollerGeometry::itemHeight(frames.size(), ui.tblFrames->rowHeight(0),
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
    const int topRow = ui.tblFrames->rowAt(rowH - 1);
    const int bottomRow = ui.tblFrames->rowAt(ui.tblFrames->height() - headerH - rowH + 1);
    const QRectF sceneRect = ScrollerGeometry::trackerRect(topRow, bottomRow, frames.size(),
                                                           frameItemHeight(), headerH,
                                                           ui.gvFrames->viewport()->width());
    // The position keeps whatever earlier drags left in it; the rectangle makes up for it.
    tracker->setRect(sceneRect.translated(0, -tracker->pos().y()));
}

void Framescope::frameScrollerMoved()
{
    if (!tracker)
        return;
    // The tracker's top in the scene marks the table's top row, so n frame heights of drag are
    // n rows from wherever the last scroll of the table put it. Stopped at either end of the
    // strip it shows the first or the last rows, which its pen and minimum height would keep
    // out of reach when frames are less than a pixel high.
    int row = ScrollerGeometry::rowAt(tracker->pos().y() + tracker->rect().top(),
                                      frameItemHeight(),
                                      ui.tblFrames->horizontalHeader()->height(), frames.size());
    if (tracker->stoppedAtTop())
        row = 0;
    else if (tracker->stoppedAtBottom())
        row = int(frames.size()) - 1;
    ui.tblFrames->scrollTo(model->cellIndex(row, 0), QAbstractItemView::PositionAtTop);
    // Back onto the row grid also when the table did not scroll (same row, or its end reached).
    updateFramesScroller();
}

} // namespace Korvex
