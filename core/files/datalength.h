// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILES_DATALENGTH_H
#define CORE_FILES_DATALENGTH_H

#include <QByteArrayView>
#include <QtGlobal>

namespace Korvex {

/// The data length of a DATA LIST tag, read from the tag's name a byte at a time as it streams
/// past, so that a name of any length is read without being kept: the text after the name's last
/// hyphen, taken as QString::toUInt (base 10) takes it (blanks around the digits, one "+" before
/// them, at most 32 bits), except that a NUL byte makes it no number, where that conversion
/// would stop reading. The length is 0 for a name without a hyphen and for any other text.
class DataLength
{
public:
    void add(char c);
    quint32 value() const;

    /// The length that a whole name gives.
    static quint32 of(QByteArrayView name);

private:
    enum class State : quint8 { NoHyphen, Before, Sign, Digits, After, Invalid };

    State m_state = State::NoHyphen;
    // Digits read so far, held at 2^32 once past 32 bits.
    quint64 m_value = 0;
};

} // namespace Korvex

#endif // CORE_FILES_DATALENGTH_H
