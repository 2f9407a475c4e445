#include "capturebuilder.h"
#include "capturefixture.h"

#include "core/files/capture.h"
#include "core/files/framecursor.h"
#include "core/files/loglines.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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
    void fileCutShortWhileOpen();
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

void TestCapture::fileCutShortWhileOpen()
{
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
    QVERIFY(capture.frame(300).isValid());

    // Cut inside frame 200: it and all after it are gone.
    qint64 at = bytes.indexOf('#') + 1;
    for (int n = 0; n < 200; ++n) {
        qint64 taken = 0;
        FrameRecord(0, bytes.constData() + at, bytes.size() - at, &taken);
        at += taken;
    }
    QVERIFY(QFile::resize(path, at + 5));

    QVERIFY(!capture.isMissing(199));
    QVERIFY(capture.frame(199).isValid());
    for (qint64 n : {200, 300, 499}) {
        const FrameRecord missing = capture.frame(n);
        QVERIFY(missing.isMissing());
        QVERIFY(!missing.isValid());
        QCOMPARE(missing.payloadSizeCode(), capture.fields(n).payloadSizeCode);
        QCOMPARE(missing.channelType(), capture.fields(n).channelType);
        QCOMPARE(capture.ticks(n), quint64(0));
    }
    FrameCursor walk(capture, 190, 210);
    int present = 0;
    while (walk.next())
        present += walk.isMissing() ? 0 : 1;
    QCOMPARE(present, 10);
    // Said once, naming the first frame found missing.
    QCOMPARE(reported.size(), 1);
    QCOMPARE(capture.log().at(capture.log().size() - 1).text, reported.first());
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
    const QString path = m_dir.filePath(QStringLiteral("limit.drf3"));
    QVERIFY(writeFile(path, randomCapture(100, 8)));
    for (const auto &[limit, status] : {std::pair{qint64(40), Capture::Status::Limited},
                                        std::pair{qint64(100), Capture::Status::Loaded}}) {
        Capture capture(path);
        capture.setFrameLimit(limit);
        StoppingSink sink;
        QCOMPARE(capture.load(sink), status);
        QCOMPARE(capture.frameCount(), limit);
        QCOMPARE(sink.lines.last(), QStringLiteral("%1 frames loaded.").arg(limit));
        const bool said = sink.lines.contains(QStringLiteral(
            "The capture holds more frames than can be shown; the first 40 frames are loaded."));
        QCOMPARE(said, status == Capture::Status::Limited);
    }
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
