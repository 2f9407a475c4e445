#ifndef VIEWER_VIEWS_PAYLOADHIGHLIGHTER_H
#define VIEWER_VIEWS_PAYLOADHIGHLIGHTER_H

#include <QColor>
#include <QSyntaxHighlighter>

namespace Korvex {

/// Greys the address and the ASCII part of every payload dump line, which it finds from the
/// dump's layout: the hex digits between them keep the editor's colour. A run of payload bytes
/// (a decoded field's) can be marked on a background of their own, hex digits and characters.
class PayloadHighlighter : public QSyntaxHighlighter
{
public:
    explicit PayloadHighlighter(QTextDocument *document);
    ~PayloadHighlighter() override;

    /// The background of the marked bytes.
    static QColor markedBytesColor();

    /// The layout the dump is written in; the document is greyed anew when it changes.
    void setDumpLayout(int bytesPerColumn, int columns, int byteOrder = 0);
    /// Marks payload bytes `first` to `last` (both included); a negative `first` marks none.
    void setMarkedBytes(int first, int last);
    int firstMarkedByte() const { return m_first; }
    int lastMarkedByte() const { return m_last; }

protected:
    void highlightBlock(const QString &text) override;

private:
    int m_bytesPerColumn = 1;
    int m_columns = 4;
    int m_byteOrder = 0;
    int m_first = -1;
    int m_last = -1;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_PAYLOADHIGHLIGHTER_H
