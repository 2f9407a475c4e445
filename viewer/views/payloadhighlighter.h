// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_VIEWS_PAYLOADHIGHLIGHTER_H
#define VIEWER_VIEWS_PAYLOADHIGHLIGHTER_H

#include <QSyntaxHighlighter>

#include <utility>
#include <vector>

namespace Korvex {

/// Greys the address and the ASCII part of every payload dump line, which it finds from the
/// dump's layout: the hex digits between them keep the editor's colour. Bytes it is given to
/// mark (what a search found) stand out in both the hex and the ASCII part.
class PayloadHighlighter : public QSyntaxHighlighter
{
public:
    explicit PayloadHighlighter(QTextDocument *document);
    ~PayloadHighlighter() override;

    /// The layout the dump is written in; the document is greyed anew when it changes.
    void setDumpLayout(int bytesPerColumn, int columns, int byteOrder = 0);
    /// Runs of payload bytes to mark, each its first byte and its length.
    void setMarkedBytes(const std::vector<std::pair<int, int>> &runs);
    const std::vector<std::pair<int, int>> &markedBytes() const { return m_marked; }
    /// The background of a marked byte.
    static QColor markColor();

protected:
    void highlightBlock(const QString &text) override;

private:
    int m_bytesPerColumn = 1;
    int m_columns = 4;
    int m_byteOrder = 0;
    std::vector<std::pair<int, int>> m_marked;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_PAYLOADHIGHLIGHTER_H
