// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILTERS_BYTEPATTERN_H
#define CORE_FILTERS_BYTEPATTERN_H

#include <QString>
#include <QtGlobal>

#include <array>
#include <vector>

namespace Korvex {

/// A run of bytes to look for in a payload, each place accepting a set of byte values: one
/// value for a hex byte, every value for "??", both cases of a letter for text that ignores
/// case.
class BytePattern
{
public:
    void appendByte(uchar value);
    void appendAnyByte();

    /// The Latin-1 bytes of the text as the ASCII column of the payload dump shows them. A
    /// character beyond Latin-1 never matches. With `dotMatchesUnprintable`, a "." also matches
    /// the bytes that the column shows as ".".
    static BytePattern fromText(const QString &text, bool matchCase, bool dotMatchesUnprintable);

    int size() const { return int(m_places.size()); }
    bool isEmpty() const { return m_places.empty(); }

    /// Whether the pattern occurs anywhere in the bytes.
    bool foundIn(const uchar *bytes, int length) const { return indexIn(bytes, length) >= 0; }
    /// Where the pattern first occurs in the bytes at or after `from`, or -1.
    int indexIn(const uchar *bytes, int length, int from = 0) const;
    /// A byte value that every match holds, or -1 when every place accepts several.
    int requiredByte() const { return m_anchor >= 0 ? m_anchorByte : -1; }

private:
    using ByteSet = std::array<quint64, 4>;

    static bool contains(const ByteSet &set, uchar byte)
    {
        return (set[byte >> 6] >> (byte & 63)) & 1;
    }
    static void add(ByteSet &set, uchar byte) { set[byte >> 6] |= quint64(1) << (byte & 63); }
    void append(const ByteSet &set);

    std::vector<ByteSet> m_places;
    // A place that accepts one byte value, which memchr can look for, and that value; -1 when
    // every place accepts several.
    int m_anchor = -1;
    int m_anchorByte = 0;
};

} // namespace Korvex

#endif // CORE_FILTERS_BYTEPATTERN_H
