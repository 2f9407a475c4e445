#ifndef VIEWS_PAYLOADHIGHLIGHTER_H
#define VIEWS_PAYLOADHIGHLIGHTER_H

#include <QSyntaxHighlighter>

namespace Korvex {

/// Greys the address and the ASCII part of every payload dump line.
class PayloadHighlighter : public QSyntaxHighlighter
{
public:
    explicit PayloadHighlighter(QTextDocument *document);
    ~PayloadHighlighter() override;

protected:
    void highlightBlock(const QString &text) override;
};

} // namespace Korvex

#endif // VIEWS_PAYLOADHIGHLIGHTER_H
