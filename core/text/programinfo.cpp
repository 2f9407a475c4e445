// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/programinfo.h"

#ifndef FRAMESCOPE_VERSION
#error "FRAMESCOPE_VERSION must name the version of the build"
#endif

namespace Korvex {

QString ProgramInfo::version()
{
    return QStringLiteral(FRAMESCOPE_VERSION);
}

QString ProgramInfo::licenseId()
{
    return QStringLiteral("GPL-3.0-or-later");
}

QString ProgramInfo::licenseNotice()
{
    return QStringLiteral("Free software under the GNU General Public License, version 3 or "
                          "later (%1). It comes with no warranty.")
        .arg(licenseId());
}

QString ProgramInfo::versionText(const QString &program)
{
    return QStringLiteral("%1 %2\n"
                          "Copyright (C) 2026 Kestrant Instruments\n"
                          "License %3: GNU GPL version 3 or later "
                          "<https://www.gnu.org/licenses/gpl-3.0.html>.\n"
                          "This is free software: you are free to change and redistribute it.\n"
                          "There is NO WARRANTY, to the extent permitted by law.\n")
        .arg(program, version(), licenseId());
}

} // namespace Korvex
