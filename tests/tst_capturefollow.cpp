// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturebuilder.h"
#include "capturefixture.h"

#include "core/files/capture.h"
#include "core/files/frameindex.h"
#include "core/files/loglines.h"
#include "core/text/frametext.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

using namespace Korvex;
using namespace CaptureBuilder;
using CaptureFixture::QuietSink;

namespace {

// A DigRF v4 capture: header and time words only.
QByteArray randomV4Capture(int frames, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray block;
    for (int i = 0; i < frames; ++i)
        block += frame(random.generate(), random.bounded(1000u));
    return capture(block);
}

// Every cell of every frame, then every log line with its level: what a capture shows.
QStringList shown(const Capture &capture)
{
    QStringList texts;
    for (qint64 n = 0; n < capture.frameCount(); ++n) {
        const FrameRecord record = capture.frame(n);
        QString row;
        for (int column = 0; column < FrameText::ColumnCount; ++column)
            row += FrameText::cell(record, column, capture.protocolVersion()) + QLatin1Char('|');
        texts.append(row);
    }
    for (qint64 row = 0; row < capture.log().size(); ++row) {
        const LogLines::Line line = capture.log().at(row);
        texts.append(QString::number(int(line.level)) + line.text);
    }
    return texts;
}

/// Runs `work` on a thread of its own until stop() or its end: a failed check leaves no thread
/// running.
class Background
{
public:
    explicit Background(const std::function<void(const std::atomic<bool> &stop)> &work)
        : m_thread([this, work] { work(m_stop); })
    {
    }
    ~Background() { stop(); }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

bool append(QFile &file, const QByteArray &bytes)
{
    return file.write(bytes) == bytes.size() && file.flush();
}

} // namespace

class TestCaptureFollow : public QObject
{
    Q_OBJECT

private slots:
    void followsWhatIsWritten_data();
    void followsWhatIsWritten();
    void stopsWhenTheFileChanges_data();
    void stopsWhenTheFileChanges();
    void indexReadWhileAppended();
};

void TestCaptureFollow::followsWhatIsWritten_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("protocolVersion");
    // Pieces of 1 to this many bytes; 1 cuts at every byte.
    QTest::addColumn<int>("largestPiece");
    QTest::addColumn<quint32>("seed");

    const QByteArray closed = randomCapture(60, 11);
    QTest::newRow("byte by byte") << closed << 0 << 1 << 1u;
    for (quint32 seed : {2u, 3u, 4u, 5u})
        QTest::addRow("pieces, seed %u", seed) << randomCapture(400, seed) << 0 << 90 << seed;
    // An instrument's file: no closing brace.
    QTest::newRow("open end") << closed.chopped(1) << 0 << 7 << 6u;
    // A last frame cut short: an invalid frame once following stops.
    QTest::newRow("partial last frame") << closed.chopped(6) << 0 << 5 << 7u;
    QTest::newRow("partial header word") << closed.chopped(1) + word(0xC5).left(2) << 0 << 3 << 8u;
    QTest::newRow("tags only") << QByteArray("{TYPE:test}{DATA LIS") << 0 << 2 << 9u;
    QTest::newRow("DigRF v4") << randomV4Capture(200, 12) << 1 << 11 << 12u;
    QTest::newRow("large pieces") << randomCapture(20000, 13).chopped(1) << 0 << 3000 << 13u;
}

void TestCaptureFollow::followsWhatIsWritten()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, protocolVersion);
    QFETCH(int, largestPiece);
    QFETCH(quint32, seed);

    QTemporaryDir dir;
    const QString suffix = protocolVersion == 0 ? QStringLiteral(".drf3") : QStringLiteral(".drf4");
    const QString path = dir.filePath(QStringLiteral("growing") + suffix);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));

    Capture followed(path);
    QuietSink sink;
    QVERIFY(followed.open(sink));
    const std::unique_ptr<Capture> reference = CaptureFixture::load(bytes, protocolVersion);
    QVERIFY(reference);

    // Another thread reads the newest frames published while the file is read on.
    std::atomic<qint64> wrong{0};
    Background reader([&](const std::atomic<bool> &stop) {
        while (!stop) {
            const qint64 count = followed.frameCount();
            for (qint64 n = qMax<qint64>(0, count - 70); n < count; ++n) {
                const FrameRecord got = followed.frame(n);
                const FrameRecord expected = reference->frame(n);
                wrong += got.payload() != expected.payload() || got.time() != expected.time();
            }
        }
    });
    QRandomGenerator random(seed);
    qint64 written = 0;
    qint64 frames = 0;
    while (written < bytes.size()) {
        const qint64 piece = 1 + qint64(random.bounded(largestPiece));
        QVERIFY(append(file, bytes.mid(written, piece)));
        written = qMin(written + piece, bytes.size());
        const Capture::Status status = followed.readNewBytes(sink);
        QVERIFY(followed.frameCount() >= frames);
        frames = followed.frameCount();
        // The closing lines wait for the end.
        if (status == Capture::Status::Following)
            QVERIFY(!followed.log().at(followed.log().size() - 1).text.endsWith(" frames loaded."));
    }
    reader.stop();
    QCOMPARE(wrong.load(), 0);
    followed.finish(sink);

    Capture whole(path);
    whole.load(sink);
    QCOMPARE(followed.status(), whole.status());
    QCOMPARE(followed.frameCount(), whole.frameCount());
    QCOMPARE(followed.dataEnd(), whole.dataEnd());
    QCOMPARE(shown(followed), shown(whole));
}

void TestCaptureFollow::stopsWhenTheFileChanges_data()
{
    QTest::addColumn<bool>("shrink");
    QTest::newRow("shrinks") << true;
    QTest::newRow("written over") << false;
}

void TestCaptureFollow::stopsWhenTheFileChanges()
{
    QFETCH(bool, shrink);
    const QByteArray bytes = randomCapture(50, 21).chopped(1);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("growing.drf3"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(append(file, bytes.left(bytes.size() / 2)));

    Capture capture(path);
    QuietSink sink;
    QVERIFY(capture.open(sink));
    QCOMPARE(capture.readNewBytes(sink), Capture::Status::Following);
    QVERIFY(capture.frameCount() > 10);
    if (shrink) {
        QVERIFY(file.resize(file.size() - 30));
    } else {
        // Another capture written from the start, as long as the first.
        QVERIFY(file.seek(0));
        QVERIFY(append(file, randomCapture(50, 22).left(bytes.size() / 2)));
    }
    QCOMPARE(capture.readNewBytes(sink), Capture::Status::Changed);
    const LogLines::Line last = capture.log().at(capture.log().size() - 1);
    QCOMPARE(last.level, LogLevel::Error);
    QCOMPARE(last.text, QStringLiteral("The file %1 was changed by another program; reload it to "
                                       "see its frames.")
                            .arg(path));
    QVERIFY(capture.isMissing(0));
    // Following has stopped for good.
    QVERIFY(file.seek(file.size()));
    QVERIFY(append(file, bytes));
    QCOMPARE(capture.readNewBytes(sink), Capture::Status::Changed);
    QCOMPARE(capture.finish(sink), Capture::Status::Changed);
}

void TestCaptureFollow::indexReadWhileAppended()
{
    // Three chunks of frames, published in uneven steps; a frame's header and checkpoint are
    // made from its number, so a reader knows what it must find.
    constexpr qint64 Frames = 3 * 65536 + 100;
    FrameIndex index(0);
    const auto header = [](qint64 n) { return quint8((n * 37) & 0xFF); };
    std::atomic<qint64> wrong{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 3; ++r) {
        readers.emplace_back([&] {
            qint64 seen = 0;
            while (seen < Frames) {
                const qint64 count = index.count();
                if (count < seen || (count > 0 && index.dataEnd() < quint64(count) * 10))
                    ++wrong;
                for (qint64 n = seen; n < count; ++n) {
                    const FrameIndex::Checkpoint &point = index.checkpoint(n);
                    const qint64 at = n - n % FrameIndex::CheckpointEvery;
                    if (index.header(n) != header(n) || point.offset != quint64(at) * 10
                        || point.ticks != quint64(at) * 3)
                        ++wrong;
                }
                seen = count;
            }
        });
    }
    for (qint64 n = 0; n < Frames; ++n) {
        index.append(header(n), quint64(n) * 10, quint64(n) * 3);
        if (n % 997 == 0)
            index.publish(quint64(n + 1) * 10);
    }
    index.publish(quint64(Frames) * 10);
    for (std::thread &reader : readers)
        reader.join();
    QCOMPARE(wrong.load(), 0);
    QCOMPARE(index.count(), Frames);
    qint64 available = 0;
    QCOMPARE(index.headers(Frames - 100, &available)[0], header(Frames - 100));
    QCOMPARE(available, 100);
}

QTEST_GUILESS_MAIN(TestCaptureFollow)
#include "tst_capturefollow.moc"
