#include "views/payloadhighlighter.h"

namespace Korvex {

PayloadHighlighter::PayloadHighlighter(QTextDocument *document)
    : QSyntaxHighlighter(document)
{
}

PayloadHighlighter::~PayloadHighlighter() = default;

void PayloadHighlighter::highlightBlock(const QString &text)
{
    Q_UNUSED(text);
}

} // namespace Korvex
