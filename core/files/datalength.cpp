// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/datalength.h"

namespace Korvex {

namespace {

// The blanks that QString::toUInt skips before and after the number.
bool isBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

void DataLength::add(char c)
{
    if (c == '-') {
        m_state = State::Before;
        m_value = 0;
        return;
    }
    const bool digit = c >= '0' && c <= '9';
    switch (m_state) {
    case State::NoHyphen:
    case State::Invalid:
        return;
    case State::Before:
        if (isBlank(c))
            return;
        m_state = c == '+' ? State::Sign : digit ? State::Digits : State::Invalid;
        break;
    case State::Sign:
        m_state = digit ? State::Digits : State::Invalid;
        break;
    case State::Digits:
        if (!digit)
            m_state = isBlank(c) ? State::After : State::Invalid;
        break;
    case State::After:
        if (!isBlank(c))
            m_state = State::Invalid;
        return;
    }
    if (m_state == State::Digits && digit)
        m_value = qMin<quint64>(m_value * 10 + quint64(c - '0'), quint64(1) << 32);
}

quint32 DataLength::value() const
{
    const bool number = m_state == State::Digits || m_state == State::After;
    return number && m_value <= 0xFFFFFFFFu ? quint32(m_value) : 0;
}

quint32 DataLength::of(QByteArrayView name)
{
    DataLength length;
    for (const char c : name)
        length.add(c);
    return length.value();
}

} // namespace Korvex
