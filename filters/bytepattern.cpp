#include "filters/bytepattern.h"

namespace Korvex {

void BytePattern::appendByte(uchar value)
{
    ByteSet set{};
    add(set, value);
    m_places.push_back(set);
}

void BytePattern::appendAnyByte()
{
    m_places.push_back({~quint64(0), ~quint64(0), ~quint64(0), ~quint64(0)});
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
        pattern.m_places.push_back(set);
    }
    return pattern;
}

bool BytePattern::foundIn(const uchar *bytes, int length) const
{
    const int places = size();
    if (places == 0)
        return true;
    for (int start = 0; start + places <= length; ++start) {
        int k = 0;
        while (k < places && contains(m_places[std::size_t(k)], bytes[start + k]))
            ++k;
        if (k == places)
            return true;
    }
    return false;
}

} // namespace Korvex
