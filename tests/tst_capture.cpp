// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturebuilder.h"
#include "capturefixture.h"

#include "core/files/capture.h"
#include "core/files/framecursor.h"
#include "core/files/loglines.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

using namespace Korvex;
using namespace CaptureBuilder;

namespace {

/// Keeps the lines a load reports and can stop it after some frames.
class StoppingSink final : public FrameReaderSink
{
public:
    void log(const QString &text, LogLevel level) override
    {
        lines.append(text);
        levels.append(level);
    }
    void progress(int) override {}
    bool proceed(qint64 framesRead) override { return framesRead < stopAfter; }

    qint64 stopAfter = std::numeric_limits<qint64>::max();
    QStringList lines;
    QList<LogLevel> levels;
};

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

/// Reads a file as the system does, but fails with an I/O error from byte `failFrom` on.
struct FailingRead
{
    QByteArray bytes;
    quint64 failFrom = std::numeric_limits<quint64>::max();

    qint64 operator()(quint64 offset, char *buffer, qint64 length, QString *error) const
    {
        if (offset >= failFrom) {
            *error = QStringLiteral("Input/output error");
            return -1;
        }
        const quint64 end = std::min({offset + quint64(length), failFrom, quint64(bytes.size())});
        if (offset >= end)
            return 0;
        std::memcpy(buffer, bytes.constData() + offset, end - offset);
        return qint64(end - offset);
    }
};

// Where frame n starts in a capture's bytes.
qint64 frameOffset(const QByteArray &bytes, int n)
{
    qint64 at = bytes.indexOf('#') + 1;
    for (int k = 0; k < n; ++k) {
        qint64 taken = 0;
        FrameRecord(0, bytes.constData() + at, bytes.size() - at, &taken);
        at += taken;
    }
    return at;
}

// The same frame, field for field.
bool same(const FrameRecord &a, const FrameRecord &b)
{
    return a.time() == b.time() && a.payload() == b.payload()
           && a.payloadSizeCode() == b.payloadSizeCode() && a.channelType() == b.channelType()
           && a.ctsBit() == b.ctsBit() && a.isValid() == b.isValid()
           && a.isMissing() == b.isMissing();
}

} // namespace

/// The capture as the views use it: frames read back in any order and in bulk, frames gone from
/// a file cut short, loads stopped by the user or by the frame limit, and the compact index.
class TestCapture : public QObject
{
    Q_OBJECT

private slots:
    void framesInAnyOrderAndInBulk_data();
    void framesInAnyOrderAndInBulk();
    void framesReadByManyThreadsAtOnce();
    void fileCutShortWhileOpen_data();
    void fileCutShortWhileOpen();
    void fileOverwrittenWhileOpen_data();
    void fileOverwrittenWhileOpen();
    void readErrorEndsTheLoad_data();
    void readErrorEndsTheLoad();
    void readErrorAfterTheLoad();
    void cancelledLoadKeepsItsFrames();
    void frameLimit();
    void indexStaysCompact();
    void logLinesMixLinesAndFrames();

private:
    QTemporaryDir m_dir;
};

void TestCapture::framesInAnyOrderAndInBulk_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("frames");
    QTest::newRow("DigRF 3G") << 0 << 3000;
    QTest::newRow("DigRF v4, last frame cut short") << 1 << 3000;
    QTest::newRow("one frame") << 0 << 1;
}

void TestCapture::framesInAnyOrderAndInBulk()
{
    // Walked forwards, read backwards and at random, and walked from the middle by cursors:
    // every way gives the frames the cursor over the whole capture gives, times included.
    QFETCH(int, version);
    QFETCH(int, frames);
    QByteArray bytes = randomCapture(frames, 77);
    if (version == 1)
        bytes = bytes.chopped(1) + "xyz";
    const auto capture = CaptureFixture::load(bytes, version);
    QVERIFY(capture->frameCount() > 0);
    const qint64 count = capture->frameCount();

    QList<FrameRecord> walked;
    FrameCursor cursor(*capture, 0, count);
    while (cursor.next()) {
        QVERIFY(!cursor.isMissing());
        walked.append(cursor.record());
    }
    QCOMPARE(walked.size(), count);
    QCOMPARE(walked.first().time(), quint64(0));
    for (qint64 n = count - 1; n >= 0; --n)
        QVERIFY2(same(capture->frame(n), walked.at(n)), qPrintable(QString::number(n)));
    QRandomGenerator random(5);
    for (int i = 0; i < 500; ++i) {
        const qint64 n = random.bounded(count);
        QVERIFY(same(capture->frame(n), walked.at(n)));
        QCOMPARE(capture->ticks(n), walked.at(n).time());
    }
    const qint64 first = count / 3;
    FrameCursor middle(*capture, first, first + 100);
    for (qint64 n = first; n < qMin(count, first + 100); ++n) {
        QVERIFY(middle.next());
        QCOMPARE(middle.number(), n);
        QVERIFY(same(middle.record(), walked.at(n)));
    }
    QVERIFY(!middle.next());
}

void TestCapture::framesReadByManyThreadsAtOnce()
{
    // Threads reading through the capture's shared block cache and through their own cursors
    // at once, each touching more blocks than the cache keeps: every one gets the frames a
    // single reader gets.
    const auto capture = CaptureFixture::load(randomCapture(5000, 31), 0);
    const qint64 count = capture->frameCount();
    QList<FrameRecord> alone;
    for (qint64 n = 0; n < count; ++n)
        alone.append(capture->frame(n));

    std::vector<int> wrong(4, 0);
    std::vector<std::thread> readers;
    for (int t = 0; t < int(wrong.size()); ++t) {
        readers.emplace_back([&, t] {
            QRandomGenerator random{quint32(t)};
            for (int i = 0; i < 3000; ++i) {
                const qint64 n = random.bounded(count);
                if (!same(capture->frame(n), alone.at(n)) || capture->ticks(n) != alone.at(n).time()
                    || capture->isMissing(n))
                    ++wrong[std::size_t(t)];
            }
            FrameCursor cursor(*capture, count / 4 * t, count);
            while (cursor.next())
                if (!same(cursor.record(), alone.at(cursor.number())))
                    ++wrong[std::size_t(t)];
        });
    }
    for (std::thread &reader : readers)
        reader.join();
    QCOMPARE(wrong, std::vector<int>(wrong.size(), 0));
}

void TestCapture::fileCutShortWhileOpen_data()
{
    QTest::addColumn<int>("kept");
    QTest::addColumn<QString>("said");
    QTest::newRow("cut inside frame 200")
        << 200 << "Frames 200 to 499 (300 frames) are no longer in the file %1.";
    QTest::newRow("cut inside the last frame") << 499 << "Frame 499 is no longer in the file %1.";
}

void TestCapture::fileCutShortWhileOpen()
{
    QFETCH(int, kept);
    QFETCH(QString, said);
    const QString path = m_dir.filePath(QStringLiteral("cut.drf3"));
    const QByteArray bytes = randomCapture(500, 9);
    QVERIFY(writeFile(path, bytes));
    Capture capture(path);
    StoppingSink sink;
    QCOMPARE(capture.load(sink), Capture::Status::Loaded);
    QStringList reported;
    capture.setLogListener([&reported](const QString &text, LogLevel level) {
        QCOMPARE(level, LogLevel::Warning);
        reported.append(text);
    });
    // Read once before the cut: what was read does not stay on screen as if still there.
    QVERIFY(capture.frame(499).isValid());

    QVERIFY(QFile::resize(path, frameOffset(bytes, kept) + 5));
    QVERIFY(!capture.isMissing(kept - 1));
    QVERIFY(capture.frame(kept - 1).isValid());
    for (qint64 n : {qint64(kept), qint64(499)}) {
        const FrameRecord missing = capture.frame(n);
        QVERIFY(missing.isMissing());
        QVERIFY(!missing.isValid());
        QCOMPARE(missing.payloadSizeCode(), capture.fields(n).payloadSizeCode);
        QCOMPARE(missing.channelType(), capture.fields(n).channelType);
        QCOMPARE(capture.ticks(n), quint64(0));
    }
    FrameCursor walk(capture, kept - 10, kept + 10);
    int present = 0;
    while (walk.next())
        present += walk.isMissing() ? 0 : 1;
    QCOMPARE(present, 10);
    // Said once, naming the frames gone by the file's size, whichever frame was read first.
    QCOMPARE(reported, QStringList{said.arg(path)});
    QCOMPARE(capture.log().at(capture.log().size() - 1).text, reported.first());
}

void TestCapture::fileOverwrittenWhileOpen_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("change");
    QTest::newRow("DigRF 3G, another capture") << 0 << "other";
    QTest::newRow("DigRF v4, another capture") << 1 << "other";
    QTest::newRow("DigRF 3G, another tag section") << 0 << "tags";
    QTest::newRow("DigRF 3G, cut inside the first frame") << 0 << "cut";
    QTest::newRow("DigRF v4, cut inside the first frame") << 1 << "cut";
}

void TestCapture::fileOverwrittenWhileOpen()
{
    // Another program writes into the file that is shown: no frame of what it now holds is taken
    // for one of the capture's, and the log says in red once what happened.
    QFETCH(int, version);
    QFETCH(QString, change);
    const QString path = m_dir.filePath(version == 0 ? QStringLiteral("shown.drf3")
                                                     : QStringLiteral("shown.drf4"));
    const QByteArray bytes = randomCapture(500, 9);
    QVERIFY(writeFile(path, bytes));
    Capture capture(path);
    StoppingSink sink;
    QCOMPARE(capture.load(sink), Capture::Status::Loaded);
    QList<LogLevel> levels;
    capture.setLogListener([&levels](const QString &, LogLevel level) { levels.append(level); });
    QVERIFY(!capture.frame(0).isMissing());

    QByteArray now = randomCapture(500, 10);
    if (change == "tags")
        now = bytes.mid(0, 3) + 'X' + bytes.mid(4);
    else if (change == "cut")
        now = bytes.left(frameOffset(bytes, 0) + 5);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(now), now.size());
    file.close();

    QVERIFY(capture.frame(300).isMissing());
    for (qint64 n : {0, 1, 250, 499})
        QVERIFY(capture.frame(n).isMissing());
    FrameCursor walk(capture, 0, 500);
    while (walk.next())
        QVERIFY(walk.isMissing());
    QCOMPARE(levels, QList<LogLevel>{LogLevel::Error});
    QCOMPARE(capture.log().at(capture.log().size() - 1).text,
             QStringLiteral("The file %1 was changed by another program; reload it to see its "
                            "frames.").arg(path));
}

void TestCapture::readErrorEndsTheLoad_data()
{
    const QByteArray bytes = randomCapture(300, 6);
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("failFrom");
    QTest::addColumn<int>("kept");
    QTest::newRow("in the tags") << bytes << qint64(5) << 0;
    QTest::newRow("inside frame 100") << bytes << frameOffset(bytes, 100) + 9 << 100;
    QTest::newRow("after the last frame") << bytes << qint64(bytes.size() - 1) << 300;
}

void TestCapture::readErrorEndsTheLoad()
{
    // A read that fails is no end of the file: the load stops there, keeps the frames read
    // whole before it and says why in red.
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, failFrom);
    QFETCH(int, kept);
    const QString path = m_dir.filePath(QStringLiteral("failing.drf3"));
    QVERIFY(writeFile(path, bytes));
    Capture capture(path);
    capture.setReadFunction(FailingRead{bytes, quint64(failFrom)});
    StoppingSink sink;
    QCOMPARE(capture.load(sink), Capture::Status::ReadError);
    QCOMPARE(capture.frameCount(), kept);
    QCOMPARE(sink.lines.last(), QStringLiteral("Cannot read %1: Input/output error").arg(path));
    QCOMPARE(sink.levels.last(), LogLevel::Error);
    QVERIFY(!sink.lines.contains(QStringLiteral("%1 frames loaded.").arg(kept)));
    for (qint64 n = 0; n < kept; ++n)
        QVERIFY(capture.frame(n).isValid());
}

void TestCapture::readErrorAfterTheLoad()
{
    // Frames that cannot be read back show as missing while the disk fails, with the reason said
    // once, and come back when it reads again.
    const QString path = m_dir.filePath(QStringLiteral("flaky.drf3"));
    const QByteArray bytes = randomCapture(2000, 7);
    QVERIFY(writeFile(path, bytes));
    Capture capture(path);
    auto read = std::make_shared<FailingRead>(FailingRead{bytes});
    capture.setReadFunction([read](quint64 offset, char *buffer, qint64 length, QString *error) {
        return (*read)(offset, buffer, length, error);
    });
    StoppingSink sink;
    QCOMPARE(capture.load(sink), Capture::Status::Loaded);
    QStringList reported;
    capture.setLogListener([&reported](const QString &text, LogLevel level) {
        QCOMPARE(level, LogLevel::Error);
        reported.append(text);
    });
    const FrameRecord before = capture.frame(1500);

    read->failFrom = 0;
    QVERIFY(capture.frame(1000).isMissing());
    FrameCursor walk(capture, 0, 2000);
    while (walk.next())
        QVERIFY(walk.isMissing());
    QCOMPARE(reported, QStringList{QStringLiteral("Cannot read %1: Input/output error").arg(path)});

    read->failFrom = std::numeric_limits<quint64>::max();
    QCOMPARE(capture.frame(1000).isMissing(), false);
    QCOMPARE(capture.frame(1500).payload(), before.payload());
    QCOMPARE(reported.size(), 1);
}

void TestCapture::cancelledLoadKeepsItsFrames()
{
    const QString path = m_dir.filePath(QStringLiteral("long.drf3"));
    QVERIFY(writeFile(path, randomCapture(200000, 4)));
    Capture capture(path);
    StoppingSink sink;
    sink.stopAfter = 65536;
    QCOMPARE(capture.load(sink), Capture::Status::Cancelled);
    QCOMPARE(capture.frameCount(), 65536);
    QCOMPARE(sink.lines.last(), QStringLiteral("Load cancelled after 65536 frames."));
    QCOMPARE(sink.levels.last(), LogLevel::Warning);
    // The log holds a line for every frame kept, then the cancel.
    const LogLines &log = capture.log();
    QCOMPARE(log.at(log.size() - 2).text, QStringLiteral("Frame 65536: payload size %1 bytes")
                                               .arg(capture.fields(65535).payloadSizeBits() / 8));
    QVERIFY(capture.frame(65535).isValid());
}

void TestCapture::frameLimit()
{
    // The viewer's table holds a limited number of frames; a scan (drfdump) reads them all
    // unless it is given the limit, as drfdump's log is.
    const QString path = m_dir.filePath(QStringLiteral("limit.drf3"));
    QVERIFY(writeFile(path, randomCapture(100, 8)));
    const QString warning = QStringLiteral(
        "The capture holds more frames than can be shown; the first 40 frames are loaded.");
    for (const auto &[limit, status] : {std::pair{qint64(40), Capture::Status::Limited},
                                        std::pair{qint64(100), Capture::Status::Loaded}}) {
        Capture capture(path);
        capture.setFrameLimit(limit);
        StoppingSink sink;
        QCOMPARE(capture.load(sink), status);
        QCOMPARE(capture.frameCount(), limit);
        QCOMPARE(sink.lines.last(), QStringLiteral("%1 frames loaded.").arg(limit));
        QCOMPARE(sink.lines.contains(warning), status == Capture::Status::Limited);

        StoppingSink scanned;
        QCOMPARE(Capture(path).scan(scanned, limit), status);
        QCOMPARE(scanned.lines.last(), QStringLiteral("%1 frames loaded.").arg(limit));
        QCOMPARE(scanned.lines.contains(warning), status == Capture::Status::Limited);
    }
    Capture unlimited(path);
    unlimited.setFrameLimit(40);
    StoppingSink all;
    QCOMPARE(unlimited.scan(all), Capture::Status::Loaded);
    QCOMPARE(all.lines.last(), QStringLiteral("100 frames loaded."));
}

void TestCapture::indexStaysCompact()
{
    const QString path = m_dir.filePath(QStringLiteral("compact.drf3"));
    QVERIFY(writeFile(path, randomCapture(300000, 12)));
    Capture capture(path);
    StoppingSink sink;
    capture.load(sink);
    QCOMPARE(capture.frameCount(), 300000);
    const double perFrame = double(capture.index().memoryBytes()) / 300000.0;
    QVERIFY2(perFrame <= 2.0, qPrintable(QString::number(perFrame)));
}

void TestCapture::logLinesMixLinesAndFrames()
{
    auto index = std::make_shared<FrameIndex>(0);
    for (quint8 header : {quint8(0x28), quint8(0xC9), quint8(0x00)})
        index->append(header, 0, 0);
    LogLines log;
    log.append(QStringLiteral("first"), LogLevel::Info);
    log.appendFrames(index, 0, 2);
    log.appendFrames(index, 2, 1);
    log.append(QStringLiteral("after"), LogLevel::Warning);
    log.appendFrames(index, 1, 1);
    log.append(QStringLiteral("last"), LogLevel::Error);
    const QStringList expected{"first", "Frame 1: payload size 4 bytes",
                               "Frame 2: payload size 64 bytes", "Frame 3: payload size 1 bytes",
                               "after", "Frame 2: payload size 64 bytes", "last"};
    const QList<LogLevel> levels{LogLevel::Info, LogLevel::Info, LogLevel::Info, LogLevel::Info,
                                 LogLevel::Warning, LogLevel::Info, LogLevel::Error};
    LogLines copy;
    copy.append(QStringLiteral("before"), LogLevel::Info);
    copy.append(log);
    QCOMPARE(log.size(), expected.size());
    QCOMPARE(copy.size(), expected.size() + 1);
    for (qsizetype row = 0; row < expected.size(); ++row) {
        QCOMPARE(log.at(row).text, expected.at(row));
        QCOMPARE(log.level(row), levels.at(row));
        QCOMPARE(copy.at(row + 1).text, expected.at(row));
        QCOMPARE(copy.at(row + 1).level, levels.at(row));
    }
    QCOMPARE(log.at(expected.size()).text, QString());
    log.clear();
    QCOMPARE(log.size(), 0);
}

QTEST_GUILESS_MAIN(TestCapture)
#include "tst_capture.moc"
