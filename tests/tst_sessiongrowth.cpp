// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturebuilder.h"
#include "capturefixture.h"
#include "growingcapture.h"
#include "hangguard.h"
#include "testenv.h"

#include "core/files/capture.h"
#include "core/files/marksfile.h"
#include "core/session/capturesession.h"
#include "core/stats/capturepass.h"
#include "core/stats/statisticsfigures.h"
#include "core/stats/statisticsreport.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace Korvex;
using CaptureFixture::QuietSink;

/// A session whose capture grows: the rows it shows, filtered or not, and its marks.
class TestSessionGrowth : public QObject
{
    Q_OBJECT

private slots:
    void growsAsAPlainLoadFilters_data();
    void growsAsAPlainLoadFilters();
    void stepDroppedWhenRowsOrCaptureChange_data();
    void stepDroppedWhenRowsOrCaptureChange();
    void marksOfACaptureOpenedEmpty();
    void statisticsAddedUpEqualAFullPass_data();
    void statisticsAddedUpEqualAFullPass();

private:
    TestEnv env;
};

void TestSessionGrowth::growsAsAPlainLoadFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("largestPiece");
    QTest::addColumn<quint32>("seed");

    QTest::newRow("no filter") << QString() << 400 << 1u;
    QTest::newRow("header field, small pieces") << "size == 32 or channel == 0x3" << 60 << 2u;
    QTest::newRow("header field, large pieces") << "cts == 1" << 5000 << 3u;
    QTest::newRow("frame numbers") << "frame >= 100 and frame < 2100" << 700 << 4u;
    QTest::newRow("time, read from the file") << "time < 300" << 300 << 5u;
    QTest::newRow("payload, small pieces") << "payload contains ?? 7" << 90 << 6u;
    QTest::newRow("payload, large pieces") << "size == 0 or payload contains 01" << 9000 << 7u;
}

void TestSessionGrowth::growsAsAPlainLoadFilters()
{
    QFETCH(QString, filter);
    QFETCH(int, largestPiece);
    QFETCH(quint32, seed);

    const QByteArray bytes = CaptureBuilder::randomCapture(3000, seed).chopped(1);
    GrowingCapture growing(env.path(QStringLiteral("growing.drf3")));
    QVERIFY(growing.start());
    CaptureSession session;
    session.setCapture(growing.capture);
    QSignalSpy added(&session, &CaptureSession::framesAdded);

    QRandomGenerator random(seed);
    qint64 written = 0;
    bool filterSet = filter.isEmpty();
    for (int piece = 0; written < bytes.size(); ++piece) {
        const qint64 size = 1 + qint64(random.bounded(largestPiece));
        QVERIFY(growing.append(bytes.mid(written, size)));
        written += size;
        // The filter comes once some frames are on display, from a pass over them.
        if (!filterSet && session.frameCount() > 200) {
            QVERIFY(session.setRows(filteredRows(*growing.capture, filter, session.frameCount()), filter));
            filterSet = true;
        }
        session.takeNewFrames();
        // Every other step is left running while the file grows on.
        if (piece % 2 == 0)
            QTRY_VERIFY_WITH_TIMEOUT(!session.isTakingFrames(), HangGuardMs);
        QVERIFY(session.frameCount() <= growing.capture->frameCount());
    }
    QVERIFY(filterSet);
    session.takeNewFrames();
    QTRY_VERIFY_WITH_TIMEOUT(
        !session.isTakingFrames() && session.frameCount() == growing.capture->frameCount(),
        HangGuardMs);

    // The frames announced follow each other, from the first to the last.
    qint64 next = 0;
    for (const QList<QVariant> &signal : added) {
        if (signal.at(0).toLongLong() < next)
            next = signal.at(0).toLongLong(); // rows taken again after the filter's pass
        QCOMPARE(signal.at(0).toLongLong(), next);
        next = signal.at(1).toLongLong();
    }
    QCOMPARE(next, session.frameCount());

    Capture whole(growing.file.fileName());
    QuietSink sink;
    whole.load(sink);
    QCOMPARE(session.frameCount(), whole.frameCount());
    const FrameRows expected = filter.isEmpty() ? FrameRows(whole.frameCount())
                                                : filteredRows(whole, filter, whole.frameCount());
    const FrameRows &rows = session.rows();
    QCOMPARE(rows.isFiltered(), !filter.isEmpty());
    QCOMPARE(rows.count(), expected.count());
    for (qint64 row = 0; row < rows.count(); ++row)
        QCOMPARE(rows.frameAt(row), expected.frameAt(row));
    for (qint64 frame = 0; frame < whole.frameCount(); frame += 7) {
        QCOMPARE(rows.rowOf(frame), expected.rowOf(frame));
        QCOMPARE(rows.nearestRow(frame), expected.nearestRow(frame));
    }
}

void TestSessionGrowth::stepDroppedWhenRowsOrCaptureChange_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("filter cleared") << "clear";
    QTest::newRow("other filter") << "filter";
    QTest::newRow("other capture") << "capture";
}

void TestSessionGrowth::stepDroppedWhenRowsOrCaptureChange()
{
    QFETCH(QString, change);
    const QByteArray bytes = CaptureBuilder::randomCapture(2000, 11).chopped(1);
    GrowingCapture growing(env.path(QStringLiteral("held.drf3")));
    QVERIFY(growing.start());
    QVERIFY(growing.append(bytes.left(bytes.size() / 2)));
    CaptureSession session;
    session.setCapture(growing.capture);
    const qint64 half = session.frameCount();
    QVERIFY(half > 100);
    const QString payloadFilter = QStringLiteral("payload contains 02");
    QVERIFY(session.setRows(filteredRows(*growing.capture, payloadFilter, half), payloadFilter));

    // The step for the new frames is held in its first read.
    growing.shut = true;
    QVERIFY(growing.append(bytes.mid(bytes.size() / 2)));
    session.takeNewFrames();
    QVERIFY(session.isTakingFrames());
    QVERIFY(growing.held.tryAcquire(1, HangGuardMs));
    growing.shut = false;

    QSignalSpy added(&session, &CaptureSession::framesAdded);
    if (change == QLatin1String("clear")) {
        session.clearFilter();
    } else if (change == QLatin1String("filter")) {
        QVERIFY(session.setRows(filteredRows(*growing.capture, QStringLiteral("cts == 0"), half),
                                QStringLiteral("cts == 0")));
    } else {
        session.setCapture(CaptureFixture::loadFile(env.path(QStringLiteral("other.drf3")), 50, 3));
    }
    growing.gate.release(1000);
    session.tasks().pool()->waitForDone();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();

    // The frames joined as the new rows say (an index filter takes them at once), never from
    // the held step.
    QCOMPARE(session.isTakingFrames(), false);
    if (change == QLatin1String("capture")) {
        QCOMPARE(session.frameCount(), 50);
        QVERIFY(added.isEmpty());
        return;
    }
    QCOMPARE(session.frameCount(), growing.capture->frameCount());
    QCOMPARE(added.size(), 1);
    QCOMPARE(added.at(0).at(0).toLongLong(), half);
    const QString text = change == QLatin1String("clear") ? QString() : QStringLiteral("cts == 0");
    const FrameRows expected = text.isEmpty()
                                   ? FrameRows(session.frameCount())
                                   : filteredRows(*growing.capture, text, session.frameCount());
    QCOMPARE(session.rows().count(), expected.count());
    QCOMPARE(session.rows().frameAt(expected.count() - 1), expected.frameAt(expected.count() - 1));
}

void TestSessionGrowth::marksOfACaptureOpenedEmpty()
{
    const QByteArray bytes = CaptureBuilder::randomCapture(300, 21).chopped(1);
    const QString path = env.path(QStringLiteral("marked.drf3"));
    {
        // Marks kept for the whole capture, loaded at once.
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        auto whole = std::make_shared<Capture>(path);
        QuietSink sink;
        whole->load(sink);
        CaptureSession session;
        session.setCapture(whole);
        session.toggleMarks({3, 250});
        session.setTimeReference(4);
    }
    QVERIFY(QFile::remove(path));

    // The same capture as it is written again: its marks are found once frames join and stay
    // as more join, and so does the time reference.
    GrowingCapture growing(path);
    QVERIFY(growing.start());
    CaptureSession session;
    session.setCapture(growing.capture);
    QVERIFY(session.marks().isEmpty());
    QSignalSpy marks(&session, &CaptureSession::marksChanged);
    QVERIFY(growing.append(bytes.left(200)));
    session.takeNewFrames();
    QVERIFY(session.frameCount() > 0);
    QCOMPARE(marks.size(), 1);
    QVERIFY(session.marks().isMarked(3));
    QVERIFY(session.marks().isMarked(250));
    session.setTimeReference(2);
    QVERIFY(growing.append(bytes.mid(200)));
    session.takeNewFrames();
    QVERIFY(session.frameCount() > 250);
    QVERIFY(session.marks().isMarked(250));
    QCOMPARE(session.timeReference(), 2);
    QCOMPARE(marks.size(), 1);

    // Marked as it grew, found again when opened whole.
    session.toggleMarks({260});
    auto reopened = std::make_shared<Capture>(path);
    QuietSink sink;
    reopened->load(sink);
    CaptureSession again;
    again.setCapture(reopened);
    QVERIFY(again.marks().isMarked(3));
    QVERIFY(again.marks().isMarked(260));
}

void TestSessionGrowth::statisticsAddedUpEqualAFullPass_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("filter");
    // The frames the session had at each pass, the last pass over all of them.
    QTest::addColumn<QList<qint64>>("steps");

    using namespace CaptureBuilder;
    const QByteArray random = randomCapture(3000, 31);
    QTest::newRow("one frame, then the rest") << random << QString() << QList<qint64>{1};
    QTest::newRow("on and off checkpoints") << random << QString() << QList<qint64>{63, 64, 65, 1000};
    QTest::newRow("many steps") << random << QString() << QList<qint64>{10, 300, 301, 1777, 2999};
    QTest::newRow("displayed frames") << random << "channel == 0x3 or size == 64"
                                      << QList<qint64>{5, 700, 2048};
    // Channel 2's one gap, the longest and the shortest, spans the step.
    QByteArray block = frame(0, 2, 0, 0);
    for (int i = 0; i < 100; ++i)
        block += frame(1, 3, i % 2, 10);
    block += frame(0, 2, 1, 5000);
    for (int i = 0; i < 100; ++i)
        block += frame(1, 3, 0, 1 + i);
    QTest::newRow("gap across the step") << capture(block) << QString() << QList<qint64>{50, 101};
}

void TestSessionGrowth::statisticsAddedUpEqualAFullPass()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, filter);
    QFETCH(QList<qint64>, steps);

    const std::unique_ptr<Capture> capture = CaptureFixture::load(bytes);
    QVERIFY(capture && capture->frameCount() > steps.last());
    steps.append(capture->frameCount());
    const auto rowsOf = [&](qint64 frames) {
        return filter.isEmpty() ? FrameRows(frames) : filteredRows(*capture, filter, frames);
    };
    const auto visit = [](StatisticsFigures &part, const FrameCursor &cursor) {
        part.add(cursor.number(), cursor.header(), cursor.ticks(), cursor.bytes(), cursor.length());
    };
    const StatisticsFigures empty(capture->protocolVersion(), nullptr);
    // Small pieces on two threads, so that the parts of every pass merge too.
    ParallelPass pass(2);
    pass.setPieceFrames(128);

    std::optional<StatisticsFigures> added = empty;
    qint64 covered = 0;
    for (const qint64 frames : steps) {
        const std::optional<StatisticsFigures> next =
            CapturePass(*capture, rowsOf(frames), pass).collect(empty, visit, WorkProgress(), covered);
        QVERIFY(next);
        added->merge(*next);
        covered = frames;
    }
    const std::optional<StatisticsFigures> whole =
        CapturePass(*capture, rowsOf(covered)).collect(empty, visit);
    QVERIFY(whole);
    QCOMPARE(added->collector().result().frames, rowsOf(covered).count());
    QCOMPARE(added->report(QString(), QString()).toTsv(), whole->report(QString(), QString()).toTsv());
}

QTEST_GUILESS_MAIN(TestSessionGrowth)
#include "tst_sessiongrowth.moc"
