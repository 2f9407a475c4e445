// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"
#include "drfdumprun.h"

#include "core/files/capture.h"
#include "core/export/frameexporter.h"
#include "core/filters/framebitmap.h"
#include "core/filters/framerows.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Korvex;

namespace {

FrameRows everyNth(qint64 total, qint64 step, qint64 first = 0)
{
    auto bits = std::make_shared<FrameBitmap>(total);
    for (qint64 n = first; n < total; n += step)
        bits->set(n);
    bits->finish();
    return FrameRows(bits);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

} // namespace

/// Export of frames to a capture that reads back as the same frames with the same times, and
/// to CSV and JSON as drfdump prints them; failures leave no file behind.
class TestFrameExport : public QObject
{
    Q_OBJECT

private slots:
    void captureReadsBackTheSameFrames_data();
    void captureReadsBackTheSameFrames();
    void tablesAreWhatDrfdumpPrints_data();
    void tablesAreWhatDrfdumpPrints();
    void failuresLeaveNoFile_data();
    void failuresLeaveNoFile();

private:
    QTemporaryDir m_dir;
};

void TestFrameExport::captureReadsBackTheSameFrames_data()
{
    QTest::addColumn<int>("protocolVersion");
    QTest::addColumn<qint64>("step");
    QTest::addColumn<qint64>("first");

    QTest::newRow("every frame") << 0 << qint64(1) << qint64(0);
    QTest::newRow("every third from the second") << 0 << qint64(3) << qint64(1);
    QTest::newRow("one frame") << 0 << qint64(100000) << qint64(2500);
    QTest::newRow("DigRF v4, every other") << 1 << qint64(2) << qint64(1);
}

void TestFrameExport::captureReadsBackTheSameFrames()
{
    QFETCH(int, protocolVersion);
    QFETCH(qint64, step);
    QFETCH(qint64, first);
    QList<quint32> deltas;
    for (int i = 0; i < 3000; ++i)
        deltas.append(quint32(i * 7919 % 1000));
    const auto source = protocolVersion == 0
                            ? CaptureFixture::load(CaptureBuilder::randomCapture(3000, 9))
                            : CaptureFixture::loadV4(deltas);
    QVERIFY(source && source->frameCount() == 3000);
    const FrameRows frames = step == 1 ? FrameRows(source->frameCount())
                                       : everyNth(source->frameCount(), step, first);
    const QString path = m_dir.filePath(protocolVersion == 0 ? QStringLiteral("out.drf3")
                                                             : QStringLiteral("out.drf4"));
    QString error;
    QCOMPARE(FrameExporter::write(*source, frames, FrameExporter::Format::Capture, path, {}, &error),
             FrameExporter::Result::Written);

    Capture exported(path);
    CaptureFixture::QuietSink sink;
    QCOMPARE(exported.load(sink), Capture::Status::Loaded);
    QCOMPARE(exported.frameCount(), frames.count());
    const quint64 start = source->ticks(frames.frameAt(0));
    for (qint64 row = 0; row < frames.count(); ++row) {
        const FrameRecord a = source->frame(frames.frameAt(row));
        const FrameRecord b = exported.frame(row);
        // The first exported frame is at time 0, the others as far from it as in the source.
        if (b.payload() != a.payload() || b.headerText() != a.headerText()
            || b.ctsBit() != a.ctsBit() || b.time() != a.time() - start || !b.isValid())
            QFAIL(qPrintable(QStringLiteral("frame %1 (row %2)").arg(frames.frameAt(row)).arg(row)));
    }
}

void TestFrameExport::tablesAreWhatDrfdumpPrints_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("first");

    QTest::newRow("csv") << int(FrameExporter::Format::Csv) << "csv" << qint64(0);
    QTest::newRow("json") << int(FrameExporter::Format::Json) << "json" << qint64(0);
    // Rows that leave frames out keep their frames' numbers.
    QTest::newRow("csv of some frames") << int(FrameExporter::Format::Csv) << "csv" << qint64(250);
    QTest::newRow("json of some frames") << int(FrameExporter::Format::Json) << "json" << qint64(250);
}

void TestFrameExport::tablesAreWhatDrfdumpPrints()
{
    QFETCH(int, format);
    QFETCH(QString, name);
    QFETCH(qint64, first);
    const QString capturePath = m_dir.filePath(QStringLiteral("table.drf3"));
    QFile file(capturePath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(CaptureBuilder::randomCapture(500, 4));
    file.close();
    Capture capture(capturePath);
    CaptureFixture::QuietSink sink;
    QCOMPARE(capture.load(sink), Capture::Status::Loaded);

    const QString path = m_dir.filePath(QStringLiteral("table.") + name);
    QString error;
    auto shown = std::make_shared<FrameBitmap>(capture.frameCount());
    for (qint64 n = first; n < capture.frameCount(); ++n)
        shown->set(n);
    shown->finish();
    QCOMPARE(FrameExporter::write(capture, FrameRows(shown), FrameExporter::Format(format), path,
                                  {}, &error),
             FrameExporter::Result::Written);
    const DrfdumpRun run = drfdump({QStringLiteral("--format"), name, QStringLiteral("--filter"),
                                    QStringLiteral("frame >= %1").arg(first), capturePath});
    QCOMPARE(run.status, 0);
    QCOMPARE(readAll(path), run.out);
}

void TestFrameExport::failuresLeaveNoFile_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("message");

    QTest::newRow("time gap too long") << "gap" << "13.7 s";
    QTest::newRow("folder missing") << "folder" << "cannot be written";
    QTest::newRow("cancelled") << "cancel" << "cancelled";
    QTest::newRow("wrong suffix") << "suffix" << ".drf3";
    QTest::newRow("frames gone from the file") << "cut" << "no longer in the file";
    QTest::newRow("no frames") << "none" << "no frames";
    QTest::newRow("onto the capture itself") << "itself" << "would overwrite its own input";
}

void TestFrameExport::failuresLeaveNoFile()
{
    QFETCH(QString, failure);
    QFETCH(QString, message);
    QTemporaryDir dir;
    // Frames 0 and 2 lie two 0xF0000000-tick steps apart: more than a time word holds.
    using CaptureFixture::frameOf;
    QByteArray block = frameOf(1, 2, 0, 0) + frameOf(1, 2, 0, 0xF0000000u) + frameOf(1, 2, 0, 0xF0000000u);
    for (int i = 0; i < 5000; ++i)
        block += frameOf(i % 7, i % 16, i % 2, quint32(i % 1000), QByteArray(64, char(i)));
    const QByteArray bytes = CaptureBuilder::capture(block, "}");
    const QString sourcePath = dir.filePath(QStringLiteral("source.drf3"));
    QFile source(sourcePath);
    QVERIFY(source.open(QIODevice::WriteOnly) && source.write(bytes) == bytes.size());
    source.close();
    Capture capture(sourcePath);
    CaptureFixture::QuietSink sink;
    capture.load(sink);
    QVERIFY(capture.frameCount() > 1000);

    QString target = dir.filePath(QStringLiteral("old.drf3"));
    QFile old(target);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old contents") == 12);
    old.close();
    FrameRows frames = everyNth(capture.frameCount(), 2, 0);
    FrameExporter::Format format = FrameExporter::Format::Capture;
    WorkProgress progress;
    if (failure == QLatin1String("folder")) {
        target = dir.filePath(QStringLiteral("no such folder/out.drf3"));
    } else if (failure == QLatin1String("cancel")) {
        format = FrameExporter::Format::Csv;
        frames = FrameRows(capture.frameCount());
        progress = [](qint64 done, qint64 total) { return done < total / 2; };
    } else if (failure == QLatin1String("suffix")) {
        format = FrameExporter::Format::Capture;
        target = dir.filePath(QStringLiteral("old.drf4"));
        QVERIFY(old.copy(target));
    } else if (failure == QLatin1String("cut")) {
        frames = everyNth(capture.frameCount(), 1, capture.frameCount() - 10);
        QVERIFY(source.resize(source.size() - 2000));
    } else if (failure == QLatin1String("none")) {
        frames = everyNth(capture.frameCount(), 1, capture.frameCount());
    } else if (failure == QLatin1String("itself")) {
        target = dir.path() + QStringLiteral("/./source.drf3");
        frames = everyNth(capture.frameCount(), 2, 4);
    }
    const QStringList before = QDir(dir.path()).entryList(QDir::Files);

    QString error;
    const FrameExporter::Result result =
        FrameExporter::write(capture, frames, format, target, progress, &error);
    QCOMPARE(result, failure == QLatin1String("cancel") ? FrameExporter::Result::Cancelled
                                                         : FrameExporter::Result::Failed);
    QVERIFY2(error.contains(message, Qt::CaseInsensitive), qPrintable(error));
    // No new file, not even a temporary one, and the old file as it was.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), before);
    QCOMPARE(readAll(dir.filePath(QStringLiteral("old.drf3"))), QByteArray("old contents"));
    QCOMPARE(readAll(sourcePath).size(), failure == QLatin1String("cut") ? bytes.size() - 2000 : bytes.size());
}

QTEST_GUILESS_MAIN(TestFrameExport)
#include "tst_frameexport.moc"
