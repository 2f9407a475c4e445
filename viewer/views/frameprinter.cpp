// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/views/frameprinter.h"

#include "core/fields/fielddefinitions.h"
#include "core/fields/fieldtext.h"
#include "core/files/capture.h"
#include "core/text/frametext.h"
#include "core/text/timecolumn.h"

#include <QColor>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPaintDevice>
#include <QPen>

#include <algorithm>

namespace Korvex {

namespace {

// Rows whose index entries are gathered between two questions to proceed.
constexpr qint64 RowsBetweenChecks = qint64(1) << 16;
// A frame further ahead than this is reached with a new cursor rather than by reading every
// frame before it (a selection of a few frames far apart).
constexpr qint64 SkipFrames = 4096;

QString tr(const char *text)
{
    return QCoreApplication::translate("FramePrinter", text);
}

qreal widestOf(const QFontMetricsF &metrics, QStringView characters)
{
    qreal widest = 0;
    for (const QChar character : characters)
        widest = qMax(widest, metrics.horizontalAdvance(character));
    return widest;
}

/// The payload groups of a frame whose header byte is `header`.
int payloadGroups(quint8 header, int protocolVersion)
{
    if (protocolVersion != 0)
        return 0;
    const int bits = FrameHeader::fromWord(header).payloadSizeBits();
    return bits > 0 ? ((bits + 7) / 8 + 1) / 2 : 0;
}

/// A record with the header fields of `header`: what the header's columns show.
FrameRecord headerRecord(quint8 header, int protocolVersion)
{
    FrameRecord record = FrameRecord::missing(protocolVersion);
    if (protocolVersion == 0) {
        const FrameHeader fields = FrameHeader::fromWord(header);
        record.setPayloadSizeCode(fields.payloadSizeCode);
        record.setChannelType(fields.channelType);
        record.setCtsBit(fields.ctsBit);
    }
    return record;
}

/// The lines of a wrapped cell: its groups (between single blanks), `perLine` to a line and at
/// most `maxLines` lines. A text cut short ends in an ellipsis: the frame in the file is no
/// longer the one indexed.
QStringList wrapGroups(const QString &text, int perLine, int maxLines)
{
    QStringList lines;
    qsizetype start = 0;
    int groups = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != u' ' || ++groups < perLine)
            continue;
        lines.append(text.mid(start, i - start));
        start = i + 1;
        groups = 0;
        if (lines.size() == maxLines) {
            lines.last() += QChar(0x2026);
            return lines;
        }
    }
    lines.append(text.mid(start));
    return lines;
}

/// The widest text a column of decoded fields shows among those it can be known to show without
/// reading the frames: the message names, or a field's value names and its texts at the ends
/// and the middle of its range.
qreal widestFieldText(const FieldColumns &fields, int k, const QFontMetricsF &metrics)
{
    const FieldColumns::Column &column = fields.column(k);
    const FieldDefinitions &definitions = *fields.definitions();
    qreal widest = 0;
    if (column.message < 0) {
        for (const QString &name : definitions.messageNames())
            widest = qMax(widest, metrics.horizontalAdvance(name));
        return widest;
    }
    const FieldDefinition &field = definitions.field(column.message, column.field);
    for (const auto &value : field.values)
        widest = qMax(widest, metrics.horizontalAdvance(value.second));
    const quint64 all = field.layout.mask();
    const quint64 half = all >> 1;
    for (const quint64 raw : {quint64(0), all, half, half + 1, quint64(1)})
        widest = qMax(widest, metrics.horizontalAdvance(FieldText::cell(field, raw & all)));
    return widest;
}

} // namespace

FramePrinter::FramePrinter(const Capture *capture, const FrameRows &rows,
                           const PrintRows &printed, const QList<int> &columns,
                           const FieldColumns &fields)
    : m_capture(capture)
    , m_rows(rows)
    , m_printed(capture ? printed : PrintRows())
    , m_columns(columns)
    , m_fields(fields)
    , m_protocolVersion(capture ? capture->protocolVersion() : 0)
{
    const qsizetype payload = columns.indexOf(4);
    // The frame number comes first.
    m_payloadColumn = payload < 0 ? -1 : int(payload) + 1;
    m_linesByCode.fill(1);
    if (capture)
        m_fileName = capture->fileName();
}

FramePrinter::~FramePrinter() = default;

QString FramePrinter::title()
{
    return tr("DigRF 3G Frames");
}

qint64 FramePrinter::frameAt(qint64 position) const
{
    return m_rows.frameAt(m_printed.rowAt(position));
}

int FramePrinter::linesOf(qint64 position) const
{
    return m_linesByCode[m_capture->index().header(frameAt(position)) >> 5];
}

bool FramePrinter::layOut(const QPaintDevice *device, const std::function<bool()> &proceed)
{
    std::array<bool, 256> present{};
    if (!gatherHeaders(present, proceed))
        return false;

    QFont font = QGuiApplication::font();
    if (font.pointSizeF() <= 0)
        font.setPointSizeF(9);
    m_font = QFont(font, device);
    m_boldFont = m_font;
    m_boldFont.setBold(true);
    m_titleFont = m_boldFont;
    m_titleFont.setPointSizeF(m_font.pointSizeF() * 1.4);
    const QFontMetricsF metrics(m_font, device);
    const QFontMetricsF bold(m_boldFont, device);
    const QFontMetricsF titleMetrics(m_titleFont, device);
    m_ascent = metrics.ascent();
    m_boldAscent = bold.ascent();
    m_titleAscent = titleMetrics.ascent();
    const qreal dpi = device->logicalDpiY();
    // As thin as a border of one pixel on screen.
    m_lineWidth = dpi * 0.75 / 72;

    PrintLayout::Page page;
    page.width = device->width();
    page.height = device->height();
    page.lineHeight = qMax(metrics.lineSpacing(), bold.lineSpacing());
    page.padding = dpi * 2 / 72;
    page.headHeight = titleMetrics.lineSpacing() + page.lineHeight / 2;
    page.footHeight = page.lineHeight * 1.5;
    PrintLayout::Wrap wrap;
    const QList<qreal> widths = measureColumns(present, metrics, bold, wrap);
    m_layout = PrintLayout(page, widths, wrap);
    for (int code = 0; code < 8; ++code) {
        const int groups = payloadGroups(quint8(code << 5), m_protocolVersion);
        m_linesByCode[code] = m_payloadColumn < 0 ? 1 : m_layout.linesFor(groups);
    }

    // The file name goes right of the title as far as there is room.
    const qreal room = m_layout.pageWidth() - titleMetrics.horizontalAdvance(title())
                       - page.lineHeight;
    m_shownFileName = metrics.elidedText(m_fileName, Qt::ElideMiddle, qMax<qreal>(0, room));
    m_fileNameWidth = metrics.horizontalAdvance(m_shownFileName);

    m_pageCount = 0;
    m_page = 0;
    m_pageEnd = 0;
    do {
        seekPage(m_page + 1);
        ++m_pageCount;
        if (!proceed())
            return false;
    } while (m_pageEnd < m_printed.count());
    seekPage(1);
    m_cursor.reset();
    return true;
}

bool FramePrinter::gatherHeaders(std::array<bool, 256> &present,
                                 const std::function<bool()> &proceed) const
{
    // The header bytes decide the texts of the header's columns and the payload's length; the
    // index has them, so no frame is read.
    qint64 sinceCheck = 0;
    for (const PrintRows::Run &run : m_printed.runList()) {
        for (qint64 row = run.first; row < run.end; ++row) {
            present[m_capture->index().header(m_rows.frameAt(row))] = true;
            if (++sinceCheck == RowsBetweenChecks) {
                sinceCheck = 0;
                if (!proceed())
                    return false;
            }
        }
    }
    return true;
}

QList<qreal> FramePrinter::measureColumns(const std::array<bool, 256> &present,
                                          const QFontMetricsF &metrics,
                                          const QFontMetricsF &bold, PrintLayout::Wrap &wrap)
{
    // Numbers grow down the rows: the last printed frame has the longest number and time.
    // Its time is read from the file, or from its checkpoint if the file lost it.
    qint64 lastFrame = 0;
    FrameRecord latest;
    if (!m_printed.isEmpty()) {
        lastFrame = frameAt(m_printed.count() - 1);
        latest.setTime(qMax(m_capture->ticks(lastFrame),
                            m_capture->index().checkpoint(lastFrame).ticks));
    }
    // Digits may differ in width: every digit is counted as wide as the widest.
    const qreal digit = widestOf(metrics, u"0123456789");
    const QString missing =
        FrameText::cell(FrameRecord::missing(m_protocolVersion), 0, m_protocolVersion);
    int maxGroups = 0;
    for (int header = 0; header < 256; ++header) {
        if (present[header])
            maxGroups = qMax(maxGroups, payloadGroups(quint8(header), m_protocolVersion));
    }

    m_titles = QStringList{tr("No.")};
    m_titleWidths = QList<qreal>{bold.horizontalAdvance(m_titles.first())};
    QList<qreal> widths{qMax(m_titleWidths.first(),
                             digit * qreal(QString::number(lastFrame).size()))};
    for (const int column : std::as_const(m_columns)) {
        const int field = column - FrameText::ColumnCount;
        m_titles.append(field >= 0              ? m_fields.title(field)
                        : column == 0 && m_time ? m_time->title(m_rows)
                                                : FrameText::columnTitle(column, m_protocolVersion));
        m_titleWidths.append(bold.horizontalAdvance(m_titles.last()));
        qreal width = m_titleWidths.last();
        if (field >= 0) {
            width = qMax(width, widestFieldText(m_fields, field, metrics));
        } else if (column == 0) {
            const QString time = FrameText::cell(latest, 0, m_protocolVersion);
            // A time before the reference frame's has a minus sign.
            const bool negative = m_time && m_time->mode() == TimeMode::SinceReference;
            width = std::max({width, metrics.horizontalAdvance(missing),
                              digit * qreal(time.size() + (negative ? 1 : 0))});
        } else if (column == 4) {
            wrap.column = int(widths.size());
            wrap.groupWidth = 4 * widestOf(metrics, u"0123456789ABCDEF");
            wrap.spaceWidth = metrics.horizontalAdvance(u' ');
            wrap.minimumWidth = std::max({width, metrics.horizontalAdvance(missing), wrap.groupWidth});
            const qreal line = maxGroups * wrap.groupWidth + (maxGroups - 1) * wrap.spaceWidth;
            width = qMax(wrap.minimumWidth, line);
        } else {
            for (int header = 0; header < 256; ++header) {
                if (!present[header])
                    continue;
                const QString text = FrameText::cell(headerRecord(quint8(header), m_protocolVersion),
                                                     column, m_protocolVersion);
                width = qMax(width, metrics.horizontalAdvance(text));
            }
        }
        widths.append(width);
    }
    return widths;
}

void FramePrinter::seekPage(int page)
{
    const std::function<int(qint64)> lines = [this](qint64 position) { return linesOf(position); };
    if (page < m_page) {
        m_page = 0;
        m_pageEnd = 0;
    }
    while (m_page < page) {
        m_pageFirst = m_pageEnd;
        m_pageEnd = m_layout.pageEnd(m_pageFirst, m_printed.count(), lines);
        ++m_page;
    }
}

FrameRecord FramePrinter::record(qint64 frame)
{
    if (!m_cursor || frame < m_cursor->number() || frame - m_cursor->number() > SkipFrames)
        m_cursor.emplace(*m_capture, frame, m_capture->frameCount());
    while (m_cursor->number() < frame && m_cursor->next()) {
    }
    return m_cursor->number() == frame ? m_cursor->record() : m_capture->frame(frame);
}

void FramePrinter::paintPage(QPainter &painter, int page)
{
    seekPage(page);
    const PrintLayout::Page &measures = m_layout.page();
    painter.save();
    painter.scale(m_layout.scale(), m_layout.scale());
    painter.setPen(QPen(Qt::black, m_lineWidth));

    painter.setFont(m_titleFont);
    painter.drawText(QPointF(0, m_titleAscent), title());
    painter.setFont(m_font);
    painter.drawText(QPointF(m_layout.pageWidth() - m_fileNameWidth, m_titleAscent),
                     m_shownFileName);

    // The header row, its titles centred as a table's header cells are.
    const qreal tableWidth = m_layout.tableWidth();
    const qreal top = m_layout.tableTop();
    painter.fillRect(QRectF(0, top, tableWidth, m_layout.rowsTop() - top), QColor(0xf0, 0xf0, 0xf0));
    painter.setFont(m_boldFont);
    for (int i = 0; i < m_titles.size(); ++i) {
        const qreal x = m_layout.columnLeft(i) + (m_layout.columnWidth(i) - m_titleWidths.at(i)) / 2;
        painter.drawText(QPointF(x, top + measures.padding + m_boldAscent), m_titles.at(i));
    }

    painter.setFont(m_font);
    const QFontMetricsF metrics(m_font, painter.device());
    qreal y = m_layout.rowsTop();
    for (qint64 position = m_pageFirst; position < m_pageEnd; ++position) {
        const qint64 frame = frameAt(position);
        const int lines = linesOf(position);
        paintRow(painter, metrics, record(frame), frame, y, lines);
        y += m_layout.rowHeight(lines);
        painter.drawLine(QLineF(0, y, tableWidth, y));
    }
    painter.drawLine(QLineF(0, top, tableWidth, top));
    painter.drawLine(QLineF(0, m_layout.rowsTop(), tableWidth, m_layout.rowsTop()));
    for (int i = 0; i < m_layout.columnCount(); ++i)
        painter.drawLine(QLineF(m_layout.columnLeft(i), top, m_layout.columnLeft(i), y));
    painter.drawLine(QLineF(tableWidth, top, tableWidth, y));

    const QString number = tr("Page %1 of %2").arg(page).arg(m_pageCount);
    painter.drawText(QPointF((m_layout.pageWidth() - metrics.horizontalAdvance(number)) / 2,
                             m_layout.rowsBottom() + measures.lineHeight / 2 + m_ascent),
                     number);
    painter.restore();
}

void FramePrinter::paintRow(QPainter &painter, const QFontMetricsF &metrics,
                            const FrameRecord &record, qint64 frame, qreal top, int lines)
{
    const qreal padding = m_layout.page().padding;
    const qreal lineHeight = m_layout.page().lineHeight;
    // A text of one line sits in the middle of its row, as in a table cell.
    const qreal middle = top + (m_layout.rowHeight(lines) - lineHeight) / 2 + m_ascent;
    painter.drawText(QPointF(padding, middle), QString::number(frame));
    // The frame's message is decoded once for all its field cells.
    const int message = m_fields.count() > 0 ? m_fields.messageOf(record) : -1;
    const QByteArray payload = message >= 0 ? record.payload() : QByteArray();
    for (int i = 0; i < m_columns.size(); ++i) {
        const int column = i + 1;
        const qreal x = m_layout.columnLeft(column) + padding;
        const int field = m_columns.at(i) - FrameText::ColumnCount;
        if (field >= 0) {
            const QString text = m_fields.cell(
                field, message, reinterpret_cast<const uchar *>(payload.constData()));
            painter.drawText(QPointF(x, middle),
                             metrics.elidedText(text, Qt::ElideRight,
                                                m_layout.columnWidth(column) - 2 * padding));
            continue;
        }
        const QString text =
            m_columns.at(i) == 0 && m_time
                ? m_time->cell(m_rows, m_rows.rowOf(frame))
                : FrameText::cell(record, m_columns.at(i), m_protocolVersion).simplified();
        if (column != m_payloadColumn) {
            painter.drawText(QPointF(x, middle), text);
            continue;
        }
        const QStringList wrapped = wrapGroups(text, m_layout.groupsPerLine(), lines);
        if (wrapped.size() == 1) {
            painter.drawText(QPointF(x, middle), wrapped.first());
            continue;
        }
        qreal baseline = top + padding + m_ascent;
        for (const QString &line : wrapped) {
            painter.drawText(QPointF(x, baseline), line);
            baseline += lineHeight;
        }
    }
}

} // namespace Korvex
