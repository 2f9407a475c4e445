// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/filters/bytepattern.h"

#include <QtAlgorithms>

#include <cstring>

namespace Korvex {

void BytePattern::appendByte(uchar value)
{
    ByteSet set{};
    add(set, value);
    append(set);
}

void BytePattern::appendAnyByte()
{
    append({~quint64(0), ~quint64(0), ~quint64(0), ~quint64(0)});
}

void BytePattern::append(const ByteSet &set)
{
    const int values = qPopulationCount(set[0]) + qPopulationCount(set[1])
                       + qPopulationCount(set[2]) + qPopulationCount(set[3]);
    if (values == 1 && m_anchor < 0) {
        m_anchor = size();
        for (int byte = 0; byte < 256; ++byte) {
            if (contains(set, uchar(byte)))
                m_anchorByte = byte;
        }
    }
    m_places.push_back(set);
}

BytePattern BytePattern::fromText(const QString &text, bool matchCase, bool dotMatchesUnprintable)
{
    BytePattern pattern;
    for (const QChar c : text) {
        ByteSet set{};
        const char16_t u = c.unicode();
        if (u <= 0xFF) {
            add(set, uchar(u));
            if (!matchCase && u < 0x80 && QChar::isLetter(u))
                add(set, uchar(u ^ 0x20));
            if (dotMatchesUnprintable && u == u'.') {
                for (int byte = 0; byte < 256; ++byte) {
                    if (byte < 0x20 || byte > 0x7E)
                        add(set, uchar(byte));
                }
            }
        }
        pattern.append(set);
    }
    return pattern;
}

int BytePattern::indexIn(const uchar *bytes, int length, int from) const
{
    const int places = size();
    if (places == 0)
        return from <= length ? qMax(0, from) : -1;
    if (m_anchor >= 0) {
        // Only where the anchor's byte lies can the pattern start.
        for (int start = qMax(0, from); start + places <= length;) {
            const int at = start + m_anchor;
            const auto *found = static_cast<const uchar *>(std::memchr(
                bytes + at, m_anchorByte, std::size_t(length - places + m_anchor - at + 1)));
            if (!found)
                return -1;
            start = int(found - bytes) - m_anchor;
            int k = 0;
            while (k < places && contains(m_places[std::size_t(k)], bytes[start + k]))
                ++k;
            if (k == places)
                return start;
            ++start;
        }
        return -1;
    }
    for (int start = qMax(0, from); start + places <= length; ++start) {
        int k = 0;
        while (k < places && contains(m_places[std::size_t(k)], bytes[start + k]))
            ++k;
        if (k == places)
            return start;
    }
    return -1;
}

} // namespace Korvex
