// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FRAMES_PAYLOADFIELD_H
#define CORE_FRAMES_PAYLOADFIELD_H

#include <QtGlobal>

namespace Korvex {

/// A run of bits of a frame's payload read as one number: where it starts (bit 0 is the most
/// significant bit of payload byte 0, counting on through the following bytes), how many bits
/// it takes (1 to 64, most significant first), whether its bytes come in reverse order, whether
/// it is two's complement, and the scale and offset that give its physical value. Reading it
/// allocates nothing, so that a filter can read it for every frame.
class PayloadField
{
public:
    /// A number as a filter compares it with a field: exact when it is whole and fits in 64
    /// bits, so that 64-bit fields compare without rounding; as a double otherwise.
    struct Number
    {
        double value = 0;
        bool whole = false;
        bool negative = false;
        /// The magnitude of a whole number.
        quint64 magnitude = 0;
    };

    PayloadField() = default;
    PayloadField(int start, int length, bool isSigned = false, bool littleEndian = false,
                 double scale = 1, double offset = 0);

    int start() const { return m_start; }
    int length() const { return m_length; }
    /// The bit after the field's last one.
    int end() const { return m_start + m_length; }
    bool isSigned() const { return m_signed; }
    bool isLittleEndian() const { return m_little; }
    double scale() const { return m_scale; }
    double offset() const { return m_offset; }
    /// Whether the physical value is the raw value itself (scale 1, offset 0).
    bool isIdentity() const { return m_scale == 1 && m_offset == 0; }

    /// The field's bits, right-aligned, from a payload of at least (end() + 7) / 8 bytes.
    quint64 raw(const uchar *payload) const;
    /// The raw bits as the number they stand for: sign-extended when the field is signed.
    qint64 signedValue(quint64 raw) const;
    /// raw * scale + offset, the raw value signed when the field is.
    double physical(quint64 raw) const;
    /// The largest raw value: all of the field's bits set.
    quint64 mask() const;

    /// Whether the field's value is less than (-1), equal to (0) or greater than (1) the number:
    /// its raw value compared exactly when the scale is 1 and the offset 0 and the number is
    /// whole, its physical value otherwise.
    int compare(quint64 raw, const Number &number) const;

private:
    int m_start = 0;
    int m_length = 1;
    bool m_signed = false;
    bool m_little = false;
    double m_scale = 1;
    double m_offset = 0;
};

} // namespace Korvex

#endif // CORE_FRAMES_PAYLOADFIELD_H
