// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILTERS_FILTERERROR_H
#define CORE_FILTERS_FILTERERROR_H

#include <QString>
#include <QtGlobal>

namespace Korvex {

/// Why a filter expression was refused: where in its text (counted from 0) and what was
/// expected there instead of what was found, or what is wrong there.
struct FilterError
{
    qsizetype position = -1;
    QString expected;
    /// The text found at the position, or empty at the end of the expression.
    QString found;
    /// What is wrong at the position when it is not a word out of place ("the expression is
    /// nested too deeply", "unknown time unit 'sec' (ns, us, ms, s)"); empty otherwise.
    QString problem;

    bool isError() const { return position >= 0; }
    /// How many characters from the position are wrong: those found, at least one.
    qsizetype length() const { return qMax<qsizetype>(1, found.size()); }
    /// "Column 9: expected a value, found 'and'." or "Column 9: PROBLEM." (columns count
    /// from 1).
    QString message() const;
};

} // namespace Korvex

#endif // CORE_FILTERS_FILTERERROR_H
