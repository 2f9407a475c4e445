// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef BENCH_PROCSTATUS_H
#define BENCH_PROCSTATUS_H

#include <QByteArray>
#include <QFile>
#include <QtGlobal>

/// A figure of this process's /proc/self/status in KiB (VmRSS:, VmHWM: ...), -1 when unknown.
inline qint64 statusKiB(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

#endif // BENCH_PROCSTATUS_H
