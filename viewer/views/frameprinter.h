// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_VIEWS_FRAMEPRINTER_H
#define VIEWER_VIEWS_FRAMEPRINTER_H

#include "core/fields/fieldcolumns.h"
#include "core/files/framecursor.h"
#include "core/filters/framerows.h"
#include "core/text/printlayout.h"
#include "core/text/printrows.h"

#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

QT_BEGIN_NAMESPACE
class QFontMetricsF;
class QPainter;
class QPaintDevice;
QT_END_NAMESPACE

namespace Korvex {

class Capture;
class TimeColumn;

/// Prints frames of a capture as a bordered table, one page at a time: the frame number and
/// the chosen columns of the frame table, a grey header row with the column titles on every
/// page, the title and the capture's file name above the table and the page number below it.
/// Column widths come from the measured texts; the page breaks come from the index alone, so
/// the pages are known before any is painted. Columns of decoded fields follow the table's
/// own; their widths come from the texts their fields can show, and a longer text is cut. Frames are read with one cursor that moves on
/// as the pages are painted: pages are cheapest asked for in ascending order.
class FramePrinter
{
public:
    /// `columns`: the frame table's columns to print, in order; a column from
    /// FrameText::ColumnCount on is a column of `fields`. `capture` may be null (no rows then).
    FramePrinter(const Capture *capture, const FrameRows &rows, const PrintRows &printed,
                 const QList<int> &columns, const FieldColumns &fields = FieldColumns());
    ~FramePrinter();
    FramePrinter(const FramePrinter &) = delete;
    FramePrinter &operator=(const FramePrinter &) = delete;

    /// Measures the texts with fonts for the device, lays the table out on its page and counts
    /// the pages. Walks the index of every printed frame; asks `proceed` now and then, and
    /// stops with false when it answers false.
    bool layOut(const QPaintDevice *device, const std::function<bool()> &proceed);
    const PrintLayout &layout() const { return m_layout; }
    int pageCount() const { return m_pageCount; }

    /// Paints page `page` (1 to pageCount()) with a painter active on a device like the one
    /// layOut() measured for.
    void paintPage(QPainter &painter, int page);

    /// Prints the time column as the table shows it in `time`'s mode, which must outlive the
    /// printer; without it, the time since the first frame.
    void setTimeColumn(const TimeColumn *time) { m_time = time; }

    /// The printout's title.
    static QString title();

private:
    qint64 frameAt(qint64 position) const;
    int linesOf(qint64 position) const;
    /// Moves the page bounds to `page`.
    void seekPage(int page);
    /// Marks the header bytes of the printed frames in `present`.
    bool gatherHeaders(std::array<bool, 256> &present, const std::function<bool()> &proceed) const;
    /// The widest text of each column, the frame number first; the payload column's groups go
    /// to `wrap`. Also sets the titles.
    QList<qreal> measureColumns(const std::array<bool, 256> &present, const QFontMetricsF &metrics,
                                const QFontMetricsF &bold, PrintLayout::Wrap &wrap);
    FrameRecord record(qint64 frame);
    void paintRow(QPainter &painter, const QFontMetricsF &metrics, const FrameRecord &record,
                  qint64 frame, qreal top, int lines);

    const Capture *m_capture;
    FrameRows m_rows;
    PrintRows m_printed;
    QList<int> m_columns;
    FieldColumns m_fields;
    int m_protocolVersion = 0;
    const TimeColumn *m_time = nullptr;
    // The position of the payload column in the printout, or -1.
    int m_payloadColumn = -1;

    PrintLayout m_layout;
    int m_pageCount = 1;
    // Lines of a row by the payload size code of its frame.
    std::array<int, 8> m_linesByCode{};

    QFont m_font;
    QFont m_boldFont;
    QFont m_titleFont;
    qreal m_ascent = 0;
    qreal m_boldAscent = 0;
    qreal m_titleAscent = 0;
    qreal m_lineWidth = 0;
    QStringList m_titles;
    QList<qreal> m_titleWidths;
    QString m_fileName;
    QString m_shownFileName;
    qreal m_fileNameWidth = 0;

    // The page last sought (0 before the first) and its rows.
    int m_page = 0;
    qint64 m_pageFirst = 0;
    qint64 m_pageEnd = 0;
    std::optional<FrameCursor> m_cursor;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_FRAMEPRINTER_H
