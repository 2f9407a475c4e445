// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/numbertext.h"

#include <QLocale>

namespace Korvex::NumberText {

namespace {

QLocale groupingLocale()
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale;
}

} // namespace

QString grouped(qint64 value)
{
    return groupingLocale().toString(value);
}

QString grouped(double value, int decimals)
{
    return groupingLocale().toString(value, 'f', decimals);
}

QString perSecond(double value)
{
    return grouped(value, 1) + QStringLiteral(" /s");
}

} // namespace Korvex::NumberText
