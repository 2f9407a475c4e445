#ifndef VIEWER_VIEWS_PAYLOADHIGHLIGHTER_H
#define VIEWER_VIEWS_PAYLOADHIGHLIGHTER_H

#include <QSyntaxHighlighter>

namespace Korvex {

/// Greys the address and the ASCII part of every payload dump line, which it finds from the
/// dump's layout: the hex digits between them keep the editor's colour.
class PayloadHighlighter : public QSyntaxHighlighter
{
public:
    explicit PayloadHighlighter(QTextDocument *document);
    ~PayloadHighlighter() override;

    /// The layout the dump is written in; the document is greyed anew when it changes.
    void setDumpLayout(int bytesPerColumn, int columns);

protected:
    void highlightBlock(const QString &text) override;

private:
    int m_bytesPerColumn = 1;
    int m_columns = 4;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_PAYLOADHIGHLIGHTER_H
