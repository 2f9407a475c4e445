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

void PayloadHighlighter::setDumpLayout(int bytesPerColumn, int columns)
{
    if (bytesPerColumn == m_bytesPerColumn && columns == m_columns)
        return;
    m_bytesPerColumn = bytesPerColumn;
    m_columns = columns;
    rehighlight();
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
}

} // namespace Korvex
