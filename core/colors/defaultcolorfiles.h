// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_COLORS_DEFAULTCOLORFILES_H
#define CORE_COLORS_DEFAULTCOLORFILES_H

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace Korvex {

/// The shipped colour files, compiled into the program, and the start-up step that gives the
/// user's colour folder the files it lacks, so that a program run from its build folder
/// behaves as an installed one.
class DefaultColorFiles
{
public:
    /// The shipped defaults of a protocol version, as the files colors3G.def and colorsV4.def
    /// hold them.
    static QByteArray contents(int protocolVersion);

    /// Writes each colour file that the folder lacks (the defaults .def and the working copy
    /// .lst of both protocol versions) from the shipped defaults, making the folder first if
    /// need be, and returns the names of those written. A file that exists is left as it is,
    /// whatever it holds: one that cannot be read is reported when it is read, and an empty
    /// working copy means no colours. A file that cannot be written stays missing, which the
    /// colour dialog reports when it reads it.
    static QStringList writeMissing(const QString &folder);
};

} // namespace Korvex

#endif // CORE_COLORS_DEFAULTCOLORFILES_H
