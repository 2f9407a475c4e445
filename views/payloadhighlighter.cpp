#include "views/payloadhighlighter.h"

#include <QBrush>
#include <QRegularExpression>
#include <QTextCharFormat>

namespace Korvex {

PayloadHighlighter::PayloadHighlighter(QTextDocument *document)
    : QSyntaxHighlighter(document)
{
}

PayloadHighlighter::~PayloadHighlighter() = default;

void PayloadHighlighter::highlightBlock(const QString &text)
{
    QTextCharFormat format;
    format.setForeground(QBrush(Qt::darkGray, Qt::SolidPattern));
    // The address with its colon and space, and everything from the three spaces before the
    // ASCII part to the end of the line.
    static const QRegularExpression pattern(QStringLiteral("(^[a-fA-F0-9]{4}:\\s)|(\\s\\s\\s.+$)"));

    QRegularExpressionMatch match = pattern.match(text);
    while (match.hasMatch() && match.capturedLength() > 0) {
        setFormat(int(match.capturedStart()), int(match.capturedLength()), format);
        match = pattern.match(text, match.capturedEnd());
    }
}

} // namespace Korvex
