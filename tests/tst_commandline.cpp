// SPDX-License-Identifier: GPL-3.0-or-later
#include "drfdumprun.h"

#include <QFile>
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
    void version_data();
    void version();
    void help_data();
    void help();
    void fullOutput_data();
    void fullOutput();
    void unknownOption();
};

void TestCommandLine::version_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("option");
    QTest::newRow("framescope --version") << FRAMESCOPE_PATH << "framescope" << "--version";
    QTest::newRow("framescope -v") << FRAMESCOPE_PATH << "framescope" << "-v";
    QTest::newRow("drfdump --version") << DRFDUMP_PATH << "drfdump" << "--version";
}

void TestCommandLine::version()
{
    QFETCH(QString, program);
    QFETCH(QString, name);
    QFETCH(QString, option);
    const Run run = runWithoutDisplay(program, {option});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QByteArray());
    const QList<QByteArray> lines = run.out.split('\n');
    QCOMPARE(lines.value(0), (name + QStringLiteral(" " FRAMESCOPE_VERSION)).toUtf8());
    QVERIFY2(run.out.contains("License GPL-3.0-or-later: GNU GPL version 3 or later"), run.out.constData());
    QVERIFY(run.out.contains("There is NO WARRANTY"));
}

void TestCommandLine::help_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QByteArray>("usage");
    QTest::newRow("framescope --help") << FRAMESCOPE_PATH << "--help" << QByteArray("[options] [FILE]");
    QTest::newRow("framescope -h") << FRAMESCOPE_PATH << "-h" << QByteArray("[options] [FILE]");
    QTest::newRow("drfdump --help") << DRFDUMP_PATH << "--help" << QByteArray("[options] FILE");
}

void TestCommandLine::help()
{
    QFETCH(QString, program);
    QFETCH(QString, option);
    QFETCH(QByteArray, usage);
    const Run run = runWithoutDisplay(program, {option});
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.startsWith("Usage: ") && run.out.split('\n').first().endsWith(usage),
             run.out.constData());
    QVERIFY(run.out.contains("--version"));
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
