// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/unsigneddecimal.h"

#include <charconv>
#include <system_error>

namespace Korvex {

std::optional<quint64> parseUnsignedDecimal(QByteArrayView text)
{
    if (text.isEmpty())
        return std::nullopt;
    const char *begin = text.data();
    const char *end = begin + text.size();
    // from_chars takes no sign and no blank for an unsigned number, but stops quietly at the
    // first byte that is not a digit: the whole text must have been read.
    quint64 value = 0;
    const std::from_chars_result result = std::from_chars(begin, end, value, 10);
    if (result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return value;
}

} // namespace Korvex
