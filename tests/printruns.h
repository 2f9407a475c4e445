// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TESTS_PRINTRUNS_H
#define TESTS_PRINTRUNS_H

#include "core/text/printrows.h"

#include <QList>
#include <QMetaType>
#include <QPair>

/// The runs of rows a printout holds, as (first, end) pairs that QCOMPARE can print.
using Runs = QList<QPair<qint64, qint64>>;
Q_DECLARE_METATYPE(Runs)

inline Runs runsOf(const Korvex::PrintRows &rows)
{
    Runs runs;
    for (const Korvex::PrintRows::Run &run : rows.runList())
        runs.append({run.first, run.end});
    return runs;
}

#endif // TESTS_PRINTRUNS_H
