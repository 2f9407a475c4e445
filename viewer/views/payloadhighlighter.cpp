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

QColor PayloadHighlighter::markedBytesColor()
{
    return QColor(0xFF, 0xE0, 0x80);
}

void PayloadHighlighter::setDumpLayout(int bytesPerColumn, int columns, int byteOrder)
{
    if (bytesPerColumn == m_bytesPerColumn && columns == m_columns && byteOrder == m_byteOrder)
        return;
    m_bytesPerColumn = bytesPerColumn;
    m_columns = columns;
    m_byteOrder = byteOrder;
    rehighlight();
}

void PayloadHighlighter::setMarkedBytes(int first, int last)
{
    if (first < 0 || last < first)
        first = last = -1;
    if (first == m_first && last == m_last)
        return;
    m_first = first;
    m_last = last;
    rehighlight();
}

void PayloadHighlighter::highlightBlock(const QString &text)
{
    // The address is the hex digits before the line's first colon; a pattern searched for
    // blanks would find the blanks of missing bytes in a short group instead.
    const int colon = int(text.indexOf(QLatin1Char(':')));
    if (colon < 0)
        return;
    QTextCharFormat grey;
    grey.setForeground(QBrush(Qt::darkGray, Qt::SolidPattern));
    const int length = int(text.size());
    setFormat(0, qMin(colon + 2, length), grey);
    const int ascii = FrameDetail::asciiColumn(m_bytesPerColumn, m_columns, colon);
    if (ascii < length)
        setFormat(ascii, length - ascii, grey);

    if (m_first < 0)
        return;
    // The marked bytes on this line keep their colours on a background of their own.
    const int line = currentBlock().blockNumber();
    const int lineBytes = qMax(1, m_bytesPerColumn) * qMax(1, m_columns);
    const int first = qMax(m_first, line * lineBytes);
    const int last = qMin(m_last, (line + 1) * lineBytes - 1);
    const auto mark = [this, length](int column, int count) {
        for (int at = column; at < qMin(column + count, length); ++at) {
            QTextCharFormat marked = format(at);
            marked.setBackground(markedBytesColor());
            setFormat(at, 1, marked);
        }
    };
    for (int byte = first; byte <= last; ++byte) {
        const FrameDetail::BytePlace place =
            FrameDetail::bytePlace(byte, m_bytesPerColumn, m_columns, m_byteOrder, colon);
        mark(place.hexColumn, 2);
        mark(place.asciiColumn, 1);
    }
}

} // namespace Korvex
