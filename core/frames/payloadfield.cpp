// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/frames/payloadfield.h"

namespace Korvex {

namespace {

int order(quint64 a, quint64 b)
{
    return a < b ? -1 : a > b ? 1 : 0;
}

} // namespace

PayloadField::PayloadField(int start, int length, bool isSigned, bool littleEndian, double scale,
                           double offset)
    : m_start(start)
    , m_length(length)
    , m_signed(isSigned)
    , m_little(littleEndian)
    , m_scale(scale)
    , m_offset(offset)
{
}

quint64 PayloadField::mask() const
{
    return m_length >= 64 ? ~quint64(0) : (quint64(1) << m_length) - 1;
}

quint64 PayloadField::raw(const uchar *payload) const
{
    const int first = m_start / 8;
    const int last = (end() - 1) / 8;
    if (m_little) {
        // Whole bytes, the last one the most significant.
        quint64 value = 0;
        for (int b = last; b >= first; --b)
            value = value << 8 | payload[b];
        return value;
    }
    // Up to nine bytes hold the field: the first eight (or fewer) as one number, then the bits
    // the ninth adds when the field does not start on a byte boundary.
    const int skip = m_start % 8;
    const int bytes = last - first + 1;
    quint64 value = 0;
    for (int b = first; b < first + qMin(bytes, 8); ++b)
        value = value << 8 | payload[b];
    if (bytes == 9) {
        value = value << skip | payload[last] >> (8 - skip);
        return value >> (64 - m_length);
    }
    return value >> (bytes * 8 - skip - m_length) & mask();
}

qint64 PayloadField::signedValue(quint64 raw) const
{
    if (!m_signed || m_length >= 64 || (raw >> (m_length - 1) & 1) == 0)
        return qint64(raw);
    return qint64(raw | ~mask());
}

double PayloadField::physical(quint64 raw) const
{
    const double value = m_signed ? double(signedValue(raw)) : double(raw);
    const double result = value * m_scale + m_offset;
    // No "-0": a zero reads as 0 whatever the signs that made it.
    return result == 0 ? 0.0 : result;
}

int PayloadField::compare(quint64 raw, const Number &number) const
{
    if (isIdentity() && number.whole) {
        const qint64 value = signedValue(raw);
        const bool negative = m_signed && value < 0;
        const quint64 magnitude = negative ? 0 - quint64(value) : raw;
        const bool numberNegative = number.negative && number.magnitude != 0;
        if (negative != numberNegative)
            return negative ? -1 : 1;
        return negative ? order(number.magnitude, magnitude) : order(magnitude, number.magnitude);
    }
    const double value = physical(raw);
    return value < number.value ? -1 : value > number.value ? 1 : 0;
}

} // namespace Korvex
