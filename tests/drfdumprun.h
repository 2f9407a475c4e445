// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TESTS_DRFDUMPRUN_H
#define TESTS_DRFDUMPRUN_H

#include "hangguard.h"

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

/// What one run of the built drfdump gave: exit status (-1 when it crashed or hung) and output.
struct DrfdumpRun
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

/// Runs a program built with the tests in the given environment; its standard output goes to
/// outFile when one is named.
inline DrfdumpRun runProgram(const QString &program, const QStringList &arguments,
                             const QString &outFile = QString(),
                             const QProcessEnvironment &environment =
                                 QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!outFile.isEmpty())
        process.setStandardOutputFile(outFile);
    process.start(program, arguments);
    DrfdumpRun run;
    if (!process.waitForFinished(HangGuardMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    if (process.exitStatus() == QProcess::NormalExit)
        run.status = process.exitCode();
    return run;
}

/// Runs the drfdump the tests were built with (DRFDUMP_PATH).
inline DrfdumpRun drfdump(const QStringList &arguments, const QString &outFile = QString())
{
    return runProgram(QStringLiteral(DRFDUMP_PATH), arguments, outFile);
}

#endif // TESTS_DRFDUMPRUN_H
