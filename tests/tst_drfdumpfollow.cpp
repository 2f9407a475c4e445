// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturebuilder.h"
#include "drfdumprun.h"
#include "hangguard.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>

#include <poll.h>
#include <signal.h>
#include <unistd.h>

using namespace CaptureBuilder;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Reads the child's output from the pipe until `done` holds for all of it, the pipe ends or
// the hang ceiling.
bool awaitOutput(int pipe, QByteArray &out, const std::function<bool()> &done)
{
    const QDeadlineTimer ceiling(HangGuardMs);
    while (!done()) {
        pollfd readable{pipe, POLLIN, 0};
        if (ceiling.hasExpired() || ::poll(&readable, 1, int(ceiling.remainingTime())) != 1)
            return false;
        char buffer[65536];
        const ssize_t got = ::read(pipe, buffer, sizeof buffer);
        if (got <= 0)
            return false;
        out.append(buffer, got);
    }
    return true;
}

} // namespace

class TestDrfdumpFollow : public QObject
{
    Q_OBJECT

private slots:
    void followsAWriter_data();
    void followsAWriter();
};

void TestDrfdumpFollow::followsAWriter_data()
{
    QTest::addColumn<QStringList>("options");
    // The signal that ends following, or 0 when the reader goes away instead.
    QTest::addColumn<int>("ending");
    QTest::newRow("tsv, SIGINT") << QStringList() << int(SIGINT);
    QTest::newRow("json, filter, SIGTERM")
        << QStringList{"--format", "json", "--filter", "cts == 1"} << int(SIGTERM);
    QTest::newRow("count, SIGINT") << QStringList{"--count"} << int(SIGINT);
    QTest::newRow("csv, reader hangs up") << QStringList{"--format", "csv"} << 0;
}

void TestDrfdumpFollow::followsAWriter()
{
    QFETCH(QStringList, options);
    QFETCH(int, ending);
    const bool counting = options.contains(QStringLiteral("--count"));
    // An instrument's file: no closing brace; the first part ends inside a frame.
    const QByteArray bytes = randomCapture(3000, 41).chopped(1);
    const qsizetype half = bytes.size() / 2 + 3;
    QTemporaryDir dir;
    const QString growing = dir.filePath(QStringLiteral("growing.drf3"));
    const QString part = dir.filePath(QStringLiteral("part.drf3"));
    const QString whole = dir.filePath(QStringLiteral("whole.drf3"));
    QVERIFY(writeFile(growing, bytes.left(half)));
    QVERIFY(writeFile(part, bytes.left(half)));
    QVERIFY(writeFile(whole, bytes));
    const DrfdumpRun partRun = drfdump(options + QStringList{part});
    const DrfdumpRun wholeRun = drfdump(options + QStringList{whole});
    QCOMPARE(wholeRun.status, 0);
    // What the table holds before its end (the close of a JSON array).
    const auto rowsOf = [](const QByteArray &table) {
        return table.endsWith("\n]\n") ? table.chopped(3) : table;
    };

    // The output goes through a pipe of the test's own, which it may close as a reader does.
    int pipeEnds[2];
    QCOMPARE(::pipe(pipeEnds), 0);
    QProcess process;
    process.setChildProcessModifier([pipeEnds] {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
    });
    process.start(QStringLiteral(DRFDUMP_PATH), options + QStringList{"--follow", growing});
    ::close(pipeEnds[1]);
    const int pipe = pipeEnds[0];
    QByteArray out;
    // The frames there are, up to the last whole one.
    if (counting) {
        QVERIFY(awaitOutput(pipe, out, [&] { return out.endsWith('\n'); }));
        QCOMPARE(out, partRun.out);
    } else {
        const QByteArray rows = rowsOf(partRun.out);
        QVERIFY(awaitOutput(pipe, out, [&] { return out.size() >= rows.size(); }));
        QCOMPARE(out, rows);
    }

    // The rest comes in pieces, cut anywhere.
    QFile file(growing);
    QVERIFY(file.open(QIODevice::Append));
    QRandomGenerator random(42);
    for (qsizetype at = half; at < bytes.size();) {
        const qsizetype piece = 1 + random.bounded(9000);
        QVERIFY(file.write(bytes.mid(at, piece)) >= 0 && file.flush());
        at += piece;
    }
    if (counting) {
        QVERIFY(awaitOutput(pipe, out, [&] { return out.endsWith("\n" + wholeRun.out); }));
    } else {
        const QByteArray rows = rowsOf(wholeRun.out);
        QVERIFY(awaitOutput(pipe, out, [&] { return out.size() >= rows.size(); }));
        QCOMPARE(out, rows);
    }

    if (ending != 0)
        QCOMPARE(::kill(pid_t(process.processId()), ending), 0);
    else
        ::close(pipe);
    QVERIFY(process.waitForFinished(HangGuardMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(process.readAllStandardError(), QByteArray());
    if (ending == 0)
        return;
    // The rest, up to the end of the pipe.
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipe, buffer, sizeof buffer)) > 0;)
        out.append(buffer, got);
    ::close(pipe);
    if (counting) {
        // A running count: the frames there were, then more, ending with all of them.
        const QList<QByteArray> lines = out.trimmed().split('\n');
        QVERIFY(lines.size() >= 2);
        QCOMPARE(lines.first() + '\n', partRun.out);
        QCOMPARE(lines.last() + '\n', wholeRun.out);
    } else {
        QCOMPARE(out, wholeRun.out);
    }
}

QTEST_GUILESS_MAIN(TestDrfdumpFollow)
#include "tst_drfdumpfollow.moc"
