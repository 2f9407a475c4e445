// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"
#include "testenv.h"

#include "core/files/capture.h"
#include "core/files/framemarks.h"
#include "core/files/marksfile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Korvex;

namespace {

QList<qint64> framesOf(const FrameMarks &marks)
{
    QList<qint64> frames;
    for (const auto &mark : marks.all())
        frames.append(mark.first);
    return frames;
}

} // namespace

/// Marks and their notes, and the file beside a capture that keeps them.
class TestMarksFile : public QObject
{
    Q_OBJECT

private slots:
    void marks();
    void roundTrip();
    void filesThatDoNotFitAreIgnored_data();
    void filesThatDoNotFitAreIgnored();
    void dataFolderWhenBesideCannotBeWritten();
    void anotherCapturesFileIsLeftAlone();
    void noMarksLeaveNoFile();
    void fileOfEarlierVersionsRead();

private:
    TestEnv env;
    QTemporaryDir dir;
};

void TestMarksFile::marks()
{
    FrameMarks marks;
    marks.toggle({3, 7});
    QCOMPARE(framesOf(marks), QList<qint64>({3, 7}));
    // Some of them unmarked: all get marked; all marked: all get unmarked.
    marks.toggle({7, 9});
    QCOMPARE(framesOf(marks), QList<qint64>({3, 7, 9}));
    marks.toggle({3, 9});
    QCOMPARE(framesOf(marks), QList<qint64>({7}));

    marks.setNote(20, QStringLiteral("two\r\nlines\nhere"));
    QCOMPARE(marks.note(20), QStringLiteral("two lines here"));
    marks.mark(20);
    QCOMPARE(marks.note(20), QStringLiteral("two lines here"));
    QCOMPARE(marks.next(7), qint64(20));
    QCOMPARE(marks.next(20), qint64(-1));
    QCOMPARE(marks.previous(20), qint64(7));
    QCOMPARE(marks.previous(7), qint64(-1));
    QVERIFY(marks.anyIn(8, 20));
    QVERIFY(!marks.anyIn(8, 19));
}

void TestMarksFile::roundTrip()
{
    const auto capture = CaptureFixture::loadFile(dir.filePath(QStringLiteral("round.drf3")), 3000, 1);
    FrameMarks marks;
    marks.mark(0);
    marks.setNote(1500, QStringLiteral("sync lost \u2013 see log"));
    marks.setNote(2999, QStringLiteral("last"));
    QString error;
    QVERIFY2(MarksFile::write(*capture, marks, &error), qPrintable(error));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("round.drf3.marks"))));

    FrameMarks read;
    read.mark(5);
    const MarksFile::ReadResult result = MarksFile::read(*capture, &read);
    QCOMPARE(result.outcome, MarksFile::Outcome::Read);
    QCOMPARE(read.all(), marks.all());
}

void TestMarksFile::filesThatDoNotFitAreIgnored_data()
{
    QTest::addColumn<QByteArray>("change");
    QTest::addColumn<QString>("problem");

    QTest::newRow("another capture of that name") << QByteArray("capture") << "another capture";
    QTest::newRow("line not understood") << QByteArray("mark 12\nmarks 13\n") << "line 6";
    QTest::newRow("not a number") << QByteArray("mark twelve\n") << "line 5";
    QTest::newRow("not a marks file") << QByteArray("heading") << "line 1";
}

void TestMarksFile::filesThatDoNotFitAreIgnored()
{
    QFETCH(QByteArray, change);
    QFETCH(QString, problem);
    const QString path = dir.filePath(QStringLiteral("ignored.drf3"));
    auto capture = CaptureFixture::loadFile(path, 2000, 2);
    FrameMarks marks;
    marks.mark(10);
    QString error;
    QVERIFY(MarksFile::write(*capture, marks, &error));
    const QString marksPath = MarksFile::besidePath(path);
    if (change == "capture") {
        // The same name and size, other frames: its marks are not this capture's.
        capture = CaptureFixture::loadFile(path, 2000, 3);
    } else {
        QFile file(marksPath);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray text = file.readAll();
        text = change == "heading" ? "Other program 1\n" + text : text + change;
        file.resize(0);
        file.write(text);
    }
    FrameMarks read;
    const MarksFile::ReadResult result = MarksFile::read(*capture, &read);
    QCOMPARE(result.outcome, MarksFile::Outcome::Ignored);
    QCOMPARE(result.path, marksPath);
    QVERIFY2(result.problem.contains(problem), qPrintable(result.problem));
    QVERIFY(result.problem.contains(marksPath));
    QVERIFY(read.isEmpty());
}

void TestMarksFile::dataFolderWhenBesideCannotBeWritten()
{
    const QString path = dir.filePath(QStringLiteral("fallback.drf3"));
    const auto capture = CaptureFixture::loadFile(path, 100, 4);
    // Something that is not a file stands where the marks file would go.
    QVERIFY(QDir().mkpath(MarksFile::besidePath(path)));
    FrameMarks marks;
    marks.setNote(42, QStringLiteral("kept elsewhere"));
    QString error;
    QVERIFY2(MarksFile::write(*capture, marks, &error), qPrintable(error));
    const QString fallback = MarksFile::fallbackPath(path);
    QVERIFY(fallback.startsWith(env.dataFolder()));
    QVERIFY(QFile::exists(fallback));

    FrameMarks read;
    const MarksFile::ReadResult result = MarksFile::read(*capture, &read);
    QCOMPARE(result.outcome, MarksFile::Outcome::Read);
    QCOMPARE(result.path, fallback);
    QCOMPARE(read.note(42), QStringLiteral("kept elsewhere"));
}

void TestMarksFile::anotherCapturesFileIsLeftAlone()
{
    const QString path = dir.filePath(QStringLiteral("foreign.drf3"));
    auto capture = CaptureFixture::loadFile(path, 500, 6);
    FrameMarks theirs;
    theirs.setNote(3, QStringLiteral("theirs"));
    QString error;
    QVERIFY(MarksFile::write(*capture, theirs, &error));
    QFile beside(MarksFile::besidePath(path));
    QVERIFY(beside.open(QIODevice::ReadOnly));
    const QByteArray kept = beside.readAll();
    beside.close();

    // Another capture under the name: its marks go to the data folder, and the log says so.
    capture = CaptureFixture::loadFile(path, 500, 7);
    const QString fallback = MarksFile::fallbackPath(path);
    FrameMarks ours;
    ours.mark(9);
    QVERIFY2(MarksFile::write(*capture, ours, &error), qPrintable(error));
    QVERIFY(beside.open(QIODevice::ReadOnly));
    QCOMPARE(beside.readAll(), kept);
    beside.close();
    FrameMarks read;
    const MarksFile::ReadResult result = MarksFile::read(*capture, &read);
    QCOMPARE(result.outcome, MarksFile::Outcome::Read);
    QCOMPARE(result.path, fallback);
    QVERIFY2(result.problem.contains(fallback), qPrintable(result.problem));
    QCOMPARE(read.all(), ours.all());
    // No marks left: this capture's file goes, the other one stays.
    QVERIFY(MarksFile::write(*capture, FrameMarks(), &error));
    QVERIFY(!QFile::exists(fallback));
    QVERIFY(beside.open(QIODevice::ReadOnly));
    QCOMPARE(beside.readAll(), kept);
}

void TestMarksFile::noMarksLeaveNoFile()
{
    const QString path = dir.filePath(QStringLiteral("empty.drf3"));
    const auto capture = CaptureFixture::loadFile(path, 100, 5);
    FrameMarks marks;
    marks.mark(1);
    QString error;
    QVERIFY(MarksFile::write(*capture, marks, &error));
    marks.clear();
    QVERIFY(MarksFile::write(*capture, marks, &error));
    QVERIFY(!QFile::exists(MarksFile::besidePath(path)));
    FrameMarks read;
    QCOMPARE(MarksFile::read(*capture, &read).outcome, MarksFile::Outcome::NoFile);
}

void TestMarksFile::fileOfEarlierVersionsRead()
{
    const QString path = dir.filePath(QStringLiteral("earlier.drf3"));
    const auto capture = CaptureFixture::loadFile(path, 2000, 4);
    // Named by its size and a hash of its first 1,024 frames.
    QFile file(MarksFile::besidePath(path));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(MarksFile::sizedIdentity(*capture).startsWith("capture-size "));
    file.write("Framescope marks 1\n" + MarksFile::sizedIdentity(*capture) + "mark 10\nmark 1999 end\n");
    file.close();

    FrameMarks read;
    QCOMPARE(MarksFile::read(*capture, &read).outcome, MarksFile::Outcome::Read);
    QCOMPARE(framesOf(read), QList<qint64>({10, 1999}));
    QCOMPARE(read.note(1999), QStringLiteral("end"));

    // Written again beside the capture, in the form that stays as the capture grows.
    read.mark(11);
    QString error;
    QVERIFY(MarksFile::write(*capture, read, &error));
    QVERIFY(QFile::exists(file.fileName()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("Framescope marks 1\n" + MarksFile::identity(*capture)));
    FrameMarks again;
    QCOMPARE(MarksFile::read(*capture, &again).outcome, MarksFile::Outcome::Read);
    QCOMPARE(framesOf(again), QList<qint64>({10, 11, 1999}));
}

QTEST_GUILESS_MAIN(TestMarksFile)
#include "tst_marksfile.moc"
