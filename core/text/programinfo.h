// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_TEXT_PROGRAMINFO_H
#define CORE_TEXT_PROGRAMINFO_H

#include <QString>

namespace Korvex {

/// The version of the build and the licence the programs are distributed under, as the
/// About box and every program's --version tell them.
class ProgramInfo
{
public:
    /// The version the build was configured with ("0.9").
    static QString version();
    /// The licence as an SPDX identifier.
    static QString licenseId();
    /// One sentence on the licence and the missing warranty, for the About box.
    static QString licenseNotice();
    /// What `PROGRAM --version` prints: the name and version, copyright and licence.
    static QString versionText(const QString &program);
};

} // namespace Korvex

#endif // CORE_TEXT_PROGRAMINFO_H
