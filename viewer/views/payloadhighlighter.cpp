// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/views/payloadhighlighter.h"

#include "core/text/framedetail.h"

#include <QBrush>
#include <QTextCharFormat>

namespace Korvex {

PayloadHighlighter::PayloadHighlighter(QTextDocument *document)
    : QSyntaxHighlighter(document)
{
}

PayloadHighlighter::~PayloadHighlighter() = default;

void PayloadHighlighter::setDumpLayout(int bytesPerColumn, int columns, int byteOrder)
{
    if (bytesPerColumn == m_bytesPerColumn && columns == m_columns && byteOrder == m_byteOrder)
        return;
    m_bytesPerColumn = bytesPerColumn;
    m_columns = columns;
    m_byteOrder = byteOrder;
    rehighlight();
}

void PayloadHighlighter::setMarkedBytes(const std::vector<std::pair<int, int>> &runs)
{
    if (runs == m_marked)
        return;
    m_marked = runs;
    rehighlight();
}

QColor PayloadHighlighter::markColor()
{
    return QColor(0xFF, 0xD8, 0x4D);
}

void PayloadHighlighter::highlightBlock(const QString &text)
{
    // The address is the hex digits before the line's first colon; a pattern searched for
    // blanks would find the blanks of missing bytes in a short group instead.
    const int colon = int(text.indexOf(QLatin1Char(':')));
    if (colon < 0)
        return;
    QTextCharFormat format;
    format.setForeground(QBrush(Qt::darkGray, Qt::SolidPattern));
    const int length = int(text.size());
    setFormat(0, qMin(colon + 2, length), format);
    const int ascii = FrameDetail::asciiColumn(m_bytesPerColumn, m_columns, colon);
    if (ascii < length)
        setFormat(ascii, length - ascii, format);

    QTextCharFormat marked;
    marked.setBackground(markColor());
    marked.setForeground(Qt::black);
    const int line = currentBlock().blockNumber();
    for (const auto &[first, count] : m_marked) {
        for (int byte = first; byte < first + count; ++byte) {
            const FrameDetail::DumpPlace place =
                FrameDetail::dumpPlace(byte, m_bytesPerColumn, m_columns, m_byteOrder);
            if (place.line != line)
                continue;
            setFormat(place.hexColumn, 2, marked);
            setFormat(place.asciiColumn, 1, marked);
        }
    }
}

} // namespace Korvex
