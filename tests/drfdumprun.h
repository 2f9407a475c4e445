#ifndef TESTS_DRFDUMPRUN_H
#define TESTS_DRFDUMPRUN_H

#include "hangguard.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

/// What one run of the built drfdump gave: exit status (-1 when it crashed or hung) and output.
struct DrfdumpRun
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

/// Runs the drfdump the tests were built with (DRFDUMP_PATH); its standard output goes to
/// outFile when one is named.
inline DrfdumpRun drfdump(const QStringList &arguments, const QString &outFile = QString())
{
    QProcess process;
    if (!outFile.isEmpty())
        process.setStandardOutputFile(outFile);
    process.start(QStringLiteral(DRFDUMP_PATH), arguments);
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

#endif // TESTS_DRFDUMPRUN_H
