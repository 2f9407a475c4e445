// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILES_UNSIGNEDDECIMAL_H
#define CORE_FILES_UNSIGNEDDECIMAL_H

#include <QByteArrayView>
#include <QtGlobal>

#include <optional>

namespace Korvex {

/// The number that a file's text gives, read strictly: one or more of the digits 0-9 and
/// nothing else, no sign, no blank, no other byte. Qt's own conversions stop at a NUL byte and
/// would read "12<NUL>3" as 12. Nothing for any other text and for a value past 64 bits.
std::optional<quint64> parseUnsignedDecimal(QByteArrayView text);

} // namespace Korvex

#endif // CORE_FILES_UNSIGNEDDECIMAL_H
