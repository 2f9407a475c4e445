#ifndef TESTS_DRFDUMPRUN_H
#define TESTS_DRFDUMPRUN_H

#include <QByteArray>
#include <QProcess>
#include <QStringList>

/// What one run of the built drfdump gave: exit status (-1 when it crashed or hung) and output.
struct DrfdumpRun
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

/// Runs the drfdump the tests were built with (DRFDUMP_PATH).
inline DrfdumpRun drfdump(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(DRFDUMP_PATH), arguments);
    DrfdumpRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.status = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

#endif // TESTS_DRFDUMPRUN_H
