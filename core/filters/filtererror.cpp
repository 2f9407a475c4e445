// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/filters/filtererror.h"

#include <QCoreApplication>

namespace Korvex {

QString FilterError::message() const
{
    if (!problem.isEmpty())
        return QCoreApplication::translate("Framescope", "Column %1: %2.").arg(position + 1).arg(problem);
    const QString where = found.isEmpty()
                              ? QCoreApplication::translate("Framescope", "the end of the filter")
                              : QStringLiteral("'%1'").arg(found);
    return QCoreApplication::translate("Framescope", "Column %1: expected %2, found %3.")
        .arg(position + 1)
        .arg(expected, where);
}

} // namespace Korvex
