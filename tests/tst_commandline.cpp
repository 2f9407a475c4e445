// SPDX-License-Identifier: GPL-3.0-or-later
#include "drfdumprun.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

namespace {

using Run = DrfdumpRun;

/// Runs a program without any display: a window system it asked for would fail it, unless
/// the platform named is one that needs no display.
Run runWithoutDisplay(const QString &program, const QStringList &arguments,
                      const QString &outFile = QString(),
                      const QString &platform = QStringLiteral("xcb"))
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    return runProgram(program, arguments, outFile, environment);
}

} // namespace

/// --help and --version of both programs, as a desktop or a package tool calls them: they
/// answer without a display, name the project's version and licence, and report a failure to
/// write.
class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
    void fullOutput_data();
    void fullOutput();
    void unknownOption();
};

void TestCommandLine::answers_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("firstLine"); // a regular expression
    QTest::addColumn<QByteArray>("holds");
    const QByteArray licence = "License GPL-3.0-or-later: GNU GPL version 3 or later";
    const QString fs = QStringLiteral(FRAMESCOPE_PATH);
    const QString dump = QStringLiteral(DRFDUMP_PATH);
    // The version is the project's, the one number all programs show.
    const QString version = QStringLiteral(" " FRAMESCOPE_VERSION "$");
    const QString usage = QStringLiteral("^Usage: .*framescope \\[options\\] \\[FILE\\]$");
    QTest::newRow("framescope --version") << fs << "--version" << "^framescope" + version << licence;
    QTest::newRow("framescope -v") << fs << "-v" << "^framescope" + version << licence;
    QTest::newRow("drfdump --version") << dump << "--version" << "^drfdump" + version << licence;
    QTest::newRow("framescope --help") << fs << "--help" << usage << QByteArray("-v, --version");
    QTest::newRow("framescope -h") << fs << "-h" << usage << QByteArray("-h, --help");
}

void TestCommandLine::answers()
{
    QFETCH(QString, program);
    QFETCH(QString, option);
    QFETCH(QString, firstLine);
    QFETCH(QByteArray, holds);
    const Run run = runWithoutDisplay(program, {option});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QByteArray());
    const QString first = QString::fromUtf8(run.out.left(run.out.indexOf('\n')));
    QVERIFY2(QRegularExpression(firstLine).match(first).hasMatch(), qPrintable(first));
    QVERIFY2(run.out.contains(holds), run.out.constData());
}

void TestCommandLine::fullOutput_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("option");
    QTest::newRow("framescope --version") << FRAMESCOPE_PATH << "--version";
    QTest::newRow("framescope --help") << FRAMESCOPE_PATH << "--help";
    QTest::newRow("drfdump --version") << DRFDUMP_PATH << "--version";
}

void TestCommandLine::fullOutput()
{
    // A full disk fails the program with a message rather than losing the text quietly.
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("this system has no /dev/full");
    QFETCH(QString, program);
    QFETCH(QString, option);
    const Run run = runWithoutDisplay(program, {option}, QStringLiteral("/dev/full"));
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains("cannot write the output"), run.err.constData());
}

void TestCommandLine::unknownOption()
{
    // Told and ended before a window opens, as a mistyped option should be.
    const Run run = runWithoutDisplay(FRAMESCOPE_PATH, {QStringLiteral("--no-such-option")},
                                      QString(), QStringLiteral("offscreen"));
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains("framescope: Unknown option 'no-such-option'."), run.err.constData());
    QVERIFY(run.err.contains("framescope --help"));
}

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
