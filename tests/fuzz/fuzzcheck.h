// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TESTS_FUZZ_FUZZCHECK_H
#define TESTS_FUZZ_FUZZCHECK_H

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

/// Stops the run at the first broken invariant. An abort is what both libFuzzer and the
/// sanitizer runtime report as a crash, with the input that caused it saved or named.
[[noreturn]] inline void fuzzFail(const char *file, int line, const char *condition,
                                  const QString &detail)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
    if (!detail.isEmpty())
        std::fprintf(stderr, "  %s\n", detail.toUtf8().left(4000).constData());
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                                             \
    do {                                                                                          \
        if (!(condition))                                                                         \
            fuzzFail(__FILE__, __LINE__, #condition, (detail));                                   \
    } while (false)

/// Printable form of bytes for a failure message: hex, cut after a few hundred bytes.
inline QString fuzzHex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.left(256).toHex(' '))
           + (bytes.size() > 256 ? QStringLiteral(" ...") : QString());
}

#endif // TESTS_FUZZ_FUZZCHECK_H
