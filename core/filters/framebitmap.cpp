// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/filters/framebitmap.h"

#include <QtAlgorithms>

#include <algorithm>

namespace Korvex {

FrameBitmap::FrameBitmap(qint64 size)
    : m_size(qMax<qint64>(0, size))
    , m_words(std::size_t((m_size + 63) / 64), 0)
{
}

void FrameBitmap::finish()
{
    // Bits past the last frame never count.
    if (m_size % 64 != 0)
        m_words.back() &= (quint64(1) << (m_size % 64)) - 1;
    m_before.assign((m_words.size() + BlockWords - 1) / BlockWords, 0);
    qint64 count = 0;
    for (std::size_t w = 0; w < m_words.size(); ++w) {
        if (w % BlockWords == 0)
            m_before[w / BlockWords] = count;
        count += qPopulationCount(m_words[w]);
    }
    m_count = count;
}

void FrameBitmap::grow(qint64 size)
{
    if (size <= m_size)
        return;
    m_size = size;
    m_words.resize(std::size_t((m_size + 63) / 64), 0);
}

qint64 FrameBitmap::rank(qint64 n) const
{
    if (n <= 0)
        return 0;
    if (n >= m_size)
        return m_count;
    const std::size_t word = std::size_t(n >> 6);
    qint64 count = m_before[word / BlockWords];
    for (std::size_t w = word - word % BlockWords; w < word; ++w)
        count += qPopulationCount(m_words[w]);
    return count + qPopulationCount(m_words[word] & ((quint64(1) << (n & 63)) - 1));
}

qint64 FrameBitmap::select(qint64 k) const
{
    if (k < 0 || k >= m_count)
        return -1;
    // The last block with fewer than k + 1 bits before it holds the bit.
    const auto block = std::upper_bound(m_before.begin(), m_before.end(), k) - 1;
    qint64 left = k - *block;
    std::size_t w = std::size_t(block - m_before.begin()) * BlockWords;
    for (;; ++w) {
        const int bits = qPopulationCount(m_words[w]);
        if (left < bits)
            break;
        left -= bits;
    }
    quint64 word = m_words[w];
    for (; left > 0; --left)
        word &= word - 1;
    return qint64(w) * 64 + qCountTrailingZeroBits(word);
}

qint64 FrameBitmap::nextSet(qint64 n) const
{
    return select(rank(qMax<qint64>(0, n)));
}

qint64 FrameBitmap::previousSet(qint64 n) const
{
    if (n < 0)
        return -1;
    const qint64 before = rank(n + 1);
    return before > 0 ? select(before - 1) : -1;
}

qint64 FrameBitmap::memoryBytes() const
{
    return qint64(sizeof(*this)) + qint64(m_words.capacity() * sizeof(quint64))
           + qint64(m_before.capacity() * sizeof(qint64));
}

} // namespace Korvex
