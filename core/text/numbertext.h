// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_TEXT_NUMBERTEXT_H
#define CORE_TEXT_NUMBERTEXT_H

#include <QString>
#include <QtGlobal>

namespace Korvex {

/// Numbers where people read them (status bar, statistics, charts): digits grouped by
/// thousands as the user's locale groups them, "100,000,000" in English and in the C locale of
/// a bare session, which would otherwise group nothing. Output meant for programs (drfdump,
/// Copy as Text) keeps plain digits.
namespace NumberText {

QString grouped(qint64 value);
/// With a fixed number of decimals: "88,987.8".
QString grouped(double value, int decimals);
/// A rate: "88,987.8 /s".
QString perSecond(double value);

} // namespace NumberText

} // namespace Korvex

#endif // CORE_TEXT_NUMBERTEXT_H
