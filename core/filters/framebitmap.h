// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILTERS_FRAMEBITMAP_H
#define CORE_FILTERS_FRAMEBITMAP_H

#include <QtGlobal>

#include <vector>

namespace Korvex {

/// One bit per frame of a capture, with a small directory of counts so that the n-th set bit
/// and the number of set bits before a frame are found in a few steps: what a filtered table
/// needs to turn rows into frame numbers and back. A hundred million frames take 12.5 MB of
/// bits and 1.6 MB of directory.
class FrameBitmap
{
public:
    explicit FrameBitmap(qint64 size = 0);

    qint64 size() const { return m_size; }

    void set(qint64 n) { m_words[std::size_t(n >> 6)] |= quint64(1) << (n & 63); }
    bool test(qint64 n) const
    {
        return n >= 0 && n < m_size && (m_words[std::size_t(n >> 6)] >> (n & 63)) & 1;
    }
    /// The bits of frames 64 w to 64 w + 63, lowest first; to be filled before finish().
    quint64 *words() { return m_words.data(); }
    const quint64 *words() const { return m_words.data(); }
    qint64 wordCount() const { return qint64(m_words.size()); }

    /// Counts the bits and builds the directory: call once every bit is set.
    void finish();
    /// Grows to `size` bits, the new ones clear; finish() again once they are set.
    void grow(qint64 size);

    /// The number of set bits.
    qint64 count() const { return m_count; }
    /// Set bits before frame n.
    qint64 rank(qint64 n) const;
    /// The frame of the k-th set bit (counted from 0), or -1.
    qint64 select(qint64 k) const;
    /// The first set frame at or after n, or -1.
    qint64 nextSet(qint64 n) const;
    /// The last set frame at or before n, or -1.
    qint64 previousSet(qint64 n) const;

    qint64 memoryBytes() const;

private:
    // Words per directory entry.
    static constexpr int BlockWords = 8;

    qint64 m_size;
    std::vector<quint64> m_words;
    // Set bits before each block of BlockWords words.
    std::vector<qint64> m_before;
    qint64 m_count = 0;
};

} // namespace Korvex

#endif // CORE_FILTERS_FRAMEBITMAP_H
