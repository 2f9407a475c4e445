// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturebuilder.h"

#include "core/files/capture.h"
#include "core/files/capturefile.h"
#include "core/files/datalength.h"
#include "core/files/framereader.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace Korvex;
using namespace CaptureBuilder;

namespace {

/// Keeps everything the reader reports; log lines as "LEVEL<TAB>TEXT" like drfdump prints them.
class RecordingSink final : public FrameReaderSink
{
public:
    void log(const QString &text, LogLevel level) override
    {
        static const char *const names[] = {"info", "warning", "error"};
        lines.append(QLatin1String(names[int(level)]) + QLatin1Char('\t') + text);
    }
    void progress(int value) override { values.append(value); }

    QStringList lines;
    QList<int> values;
};

/// What loading a capture file gave: the whole log as drfdump prints it (from the first tag on),
/// the frames read back from the file, the progress values.
struct LoadedCapture
{
    Capture::Status status = Capture::Status::NotLoaded;
    QList<FrameRecord> frames;
    QStringList lines;
    QList<int> values;
};

void readBytes(const QByteArray &bytes, int protocolVersion, LoadedCapture &out)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(protocolVersion == 0 ? "capture.drf3" : "capture.drf4");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    Capture capture(path);
    RecordingSink sink;
    out.status = capture.load(sink);
    out.values = sink.values;
    for (qint64 row = 2; row < capture.log().size(); ++row) {
        static const char *const names[] = {"info", "warning", "error"};
        const LogLines::Line line = capture.log().at(row);
        out.lines.append(QLatin1String(names[int(line.level)]) + QLatin1Char('\t') + line.text);
    }
    for (qint64 n = 0; n < capture.frameCount(); ++n)
        out.frames.append(capture.frame(n));
}

QStringList info(const QStringList &texts)
{
    QStringList lines;
    for (const QString &text : texts)
        lines.append(QStringLiteral("info\t") + text);
    return lines;
}

const QString OpenTag = QStringLiteral("info\tTag 'DATA LIST' is open and EOF reached!");

} // namespace

/// The reader: the log of every kind of capture, the frames it keeps, their times, progress.
class TestFrameReader : public QObject
{
    Q_OBJECT

private slots:
    void log_data();
    void log();
    void firstFrameFields();
    void timeAccumulation_data();
    void timeAccumulation();
    void progressValues();
    void chunkBoundaries_data();
    void chunkBoundaries();
    void largestFrameAcrossChunks_data();
    void largestFrameAcrossChunks();
    void anyBytes();
    void dataLengthAsToUInt();
    void protocolVersionOf_data();
    void protocolVersionOf();
    void captureFile();
};

void TestFrameReader::log_data()
{
    constexpr Capture::Status Loaded = Capture::Status::Loaded;
    constexpr Capture::Status Aborted = Capture::Status::Aborted;
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("version");
    QTest::addColumn<Capture::Status>("result");
    QTest::addColumn<int>("frames");
    QTest::addColumn<QStringList>("lines");

    const QByteArray one = "{TYPE:X}{DATA LIST-12:#" + QByteArray::fromHex("280000000500000044332211");
    const QStringList oneHead = info({"Found tag 'TYPE'", "Tag value: X", "Found tag 'DATA LIST-12'",
                                      "Parsing frames ...", "Frame 1: payload size 4 bytes"});
    // Two good frames, then a code 7 frame (36 bytes in all).
    const QByteArray two = frame(1, 4, 0, 0) + frame(2, 5, 1, 3) + frame(headerWord(7, 0, 0), 9);
    const QStringList twoHead = info({"Found tag 'TYPE'", "Tag value: test",
                                      "Found tag 'DATA LIST-36'", "Parsing frames ...",
                                      "Frame 1: payload size 4 bytes",
                                      "Frame 2: payload size 8 bytes"});
    const QString code7 = QStringLiteral("warning\tFound invalid frame: Invalid payload size: 0 "
                                         "bytes. No further frames will be loaded.");
    const QString oneWordMissing = QStringLiteral("warning\tFound invalid frame: Incomplete "
                                                  "payload: 1 words are missing. No further "
                                                  "frames will be loaded.");

    QTest::newRow("one frame, file ends after it")
        << one << 0 << Loaded << 1 << oneHead + QStringList{OpenTag, "info\t1 frames loaded."};
    QTest::newRow("closing brace after the last frame")
        << one + "}" << 0 << Loaded << 1 << oneHead + info({"1 frames loaded."});
    QTest::newRow("closing brace, no frame")
        << QByteArray("{DATA LIST-1:#}") << 0 << Loaded << 0
        << info({"Found tag 'DATA LIST-1'", "Parsing frames ...", "0 frames loaded."});
    QTest::newRow("brace and line feed start one more frame")
        << one + "}\n" << 0 << Loaded << 1 << oneHead + QStringList{oneWordMissing, OpenTag,
                                                                "info\t1 frames loaded."};
    QTest::newRow("as DigRF v4: 8-byte frames, payload size 0")
        << one << 1 << Loaded << 2
        << info({"Found tag 'TYPE'", "Tag value: X", "Found tag 'DATA LIST-12'",
                 "Parsing frames ...", "Frame 1: payload size 0 bytes",
                 "Frame 2: payload size 0 bytes"})
               + QStringList{OpenTag, "info\t2 frames loaded."};
    QTest::newRow("bytes before a tag are skipped")
        << "junk" + one + "}" << 0 << Loaded << 1 << oneHead + info({"1 frames loaded."});
    QTest::newRow("empty file")
        << QByteArray() << 0 << Loaded << 0
        << info({"Parsing frames ..."}) + QStringList{OpenTag, "info\t0 frames loaded."};
    QTest::newRow("no DATA LIST tag")
        << QByteArray("{TYPE:X}{A:B}") << 0 << Loaded << 0
        << info({"Found tag 'TYPE'", "Tag value: X", "Found tag 'A'", "Tag value: B",
                 "Parsing frames ..."})
               + QStringList{OpenTag, "info\t0 frames loaded."};
    QTest::newRow("DATA LIST without hyphen")
        << QByteArray("{DATA LIST:#") + frame(1, 4, 0, 0) << 0 << Aborted << 0
        << QStringList{"info\tFound tag 'DATA LIST'",
                       "error\tWrong data length (0) in 'DATA LIST' tag! File load aborted."};
    QTest::newRow("DATA LIST-0")
        << QByteArray("{DATA LIST-0:#") + frame(1, 4, 0, 0) << 0 << Aborted << 0
        << QStringList{"info\tFound tag 'DATA LIST-0'",
                       "error\tWrong data length (0) in 'DATA LIST-0' tag! File load aborted."};
    QTest::newRow("DATA LIST-12a")
        << QByteArray("{DATA LIST-12a:#") + frame(1, 4, 0, 0) << 0 << Aborted << 0
        << QStringList{"info\tFound tag 'DATA LIST-12a'",
                       "error\tWrong data length (0) in 'DATA LIST-12a' tag! File load aborted."};
    QTest::newRow("missing hash sign")
        << QByteArray("{TYPE:X}{DATA LIST-5:x") + frame(1, 4, 0, 0) << 0 << Aborted << 0
        << QStringList{"info\tFound tag 'TYPE'", "info\tTag value: X",
                       "info\tFound tag 'DATA LIST-5'",
                       "error\tMissing # symbol in 'DATA LIST-5' tag! File load aborted."};
    // The byte whose reading reaches the end of the file is not part of the name.
    QTest::newRow("DATA LIST name cut by the end of the file")
        << QByteArray("{DATA LIST-12") << 0 << Aborted << 0
        << QStringList{"info\tFound tag 'DATA LIST-1'",
                       "error\tMissing # symbol in 'DATA LIST-1' tag! File load aborted."};
    QTest::newRow("code 7 mid-file, bytes after it without a brace")
        << capture(two, "ABCD")
        << 0 << Loaded << 2
        << twoHead + QStringList{code7, "warning\t3 bytes ignored after last frame.", OpenTag,
                                 "info\t2 frames loaded."};
    QTest::newRow("code 7, then bytes, a brace and more bytes")
        << capture(two, "AB}CD")
        << 0 << Loaded << 2
        << twoHead + QStringList{code7, "warning\t1 bytes ignored after last frame.",
                                 "warning\tFound data after 'DATA LIST' tag. It's ignored.",
                                 "info\t2 frames loaded."};
    QTest::newRow("code 7, then the closing brace")
        << capture(two, "}")
        << 0 << Loaded << 2 << twoHead + QStringList{code7, "info\t2 frames loaded."};
    QTest::newRow("unsupported size code in the first frame")
        << capture(frame(0x100, 5)) << 0 << Loaded << 0
        << info({"Found tag 'TYPE'", "Tag value: test", "Found tag 'DATA LIST-8'",
                 "Parsing frames ..."})
               + QStringList{"warning\tFound invalid frame: Unsupported payload size value: 8. "
                             "No further frames will be loaded.",
                             OpenTag, "info\t0 frames loaded."};
    QTest::newRow("payload cut inside its last word")
        << capture(frame(1, 4, 0, 0) + frame(2, 5, 1, 3).chopped(2)) << 0 << Loaded << 1
        << info({"Found tag 'TYPE'", "Tag value: test", "Found tag 'DATA LIST-26'",
                 "Parsing frames ...", "Frame 1: payload size 4 bytes"})
               + QStringList{oneWordMissing, OpenTag, "info\t1 frames loaded."};
}

void TestFrameReader::log()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, version);
    QFETCH(QStringList, lines);
    QFETCH(Capture::Status, result);
    QFETCH(int, frames);
    LoadedCapture read;
    readBytes(bytes, version, read);
    QCOMPARE(read.lines, lines);
    QCOMPARE(read.status, result);
    QCOMPARE(read.frames.size(), frames);
}

void TestFrameReader::firstFrameFields()
{
    LoadedCapture read;
    readBytes("{TYPE:X}{DATA LIST-12:#" + QByteArray::fromHex("280000000500000044332211"), 0, read);
    QCOMPARE(read.frames.size(), 1);
    const FrameRecord *record = &read.frames.first();
    QCOMPARE(record->payloadSizeCode(), quint8(1));
    QCOMPARE(record->channelType(), quint8(4));
    QCOMPARE(record->ctsBit(), quint8(0));
    QCOMPARE(record->time(), quint64(0));
    QCOMPARE(record->payload(), QByteArray::fromHex("11223344"));
    QCOMPARE(record->protocolVersion(), 0);
}

void TestFrameReader::timeAccumulation_data()
{
    QTest::addColumn<QList<quint32>>("deltas");
    QTest::addColumn<QList<quint64>>("times");
    QTest::newRow("first delta ignored") << QList<quint32>{7, 100, 50} << QList<quint64>{0, 100, 150};
    QTest::newRow("past 2^32 ticks")
        << QList<quint32>{5, 0xFFFFFFFFu, 0xFFFFFFFFu, 1}
        << QList<quint64>{0, 0xFFFFFFFFull, 0x1FFFFFFFEull, 0x1FFFFFFFFull};
}

void TestFrameReader::timeAccumulation()
{
    QFETCH(QList<quint32>, deltas);
    QFETCH(QList<quint64>, times);
    for (int version : {0, 1}) {
        // DigRF v4 frames are the header and time words alone.
        QByteArray block;
        for (quint32 delta : std::as_const(deltas))
            block += version == 0 ? frame(0, 2, 1, delta) : frame(headerWord(0, 2, 1), delta);
        LoadedCapture read;
        readBytes(capture(block, "}"), version, read);
        QList<quint64> got;
        for (const FrameRecord &record : std::as_const(read.frames))
            got.append(record.time());
        QCOMPARE(got, times);
    }
}

void TestFrameReader::progressValues()
{
    // 1000 frames of 72 bytes: each adds about 0.08 to the value, so every value from 0 to 79
    // comes once, each reported once.
    QByteArray block;
    for (int i = 0; i < 1000; ++i)
        block += frame(6, i % 16, i % 2, quint32(i));
    LoadedCapture read;
    readBytes(capture(block), 0, read);
    QList<int> expected{5, 10};
    for (int value = 0; value < 80; ++value)
        expected.append(value);
    expected.append(85);
    QCOMPARE(read.values, expected);

    LoadedCapture aborted;
    readBytes("{DATA LIST-0:#", 0, aborted);
    QCOMPARE(aborted.values, QList<int>{5});
}

void TestFrameReader::chunkBoundaries_data()
{
    // The reader takes the file a mebibyte at a time; frames and the end of the file around
    // that boundary must decode as they do from one piece.
    QTest::addColumn<int>("cut");
    const QByteArray whole = randomCapture(60000, 7);
    QTest::newRow("whole file") << int(whole.size());
    for (int offset : {-72, -9, -1, 0, 1, 5, 71})
        QTest::addRow("cut at 1 MiB %+d", offset) << (1 << 20) + offset;
}

void TestFrameReader::chunkBoundaries()
{
    QFETCH(int, cut);
    const QByteArray bytes = randomCapture(60000, 7).left(cut);

    // Reference: the same frames decoded one after another from a stream on the whole block.
    const qsizetype blockStart = bytes.indexOf('#') + 1;
    QDataStream reference(bytes.mid(blockStart));
    reference.setByteOrder(QDataStream::LittleEndian);
    QList<FrameRecord *> expected;
    QString invalidText;
    while (!reference.atEnd()) {
        if (reference.device()->bytesAvailable() == 1 && bytes.endsWith('}'))
            break;
        auto *record = new FrameRecord(0, reference);
        if (!record->isValid()) {
            invalidText = record->errorText();
            delete record;
            break;
        }
        expected.append(record);
    }

    LoadedCapture read;
    readBytes(bytes, 0, read);
    QCOMPARE(read.frames.size(), expected.size());
    quint64 time = 0;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const FrameRecord *got = &read.frames.at(i);
        if (i > 0)
            time += expected.at(i)->time();
        QCOMPARE(got->payloadSizeCode(), expected.at(i)->payloadSizeCode());
        QCOMPARE(got->channelType(), expected.at(i)->channelType());
        QCOMPARE(got->ctsBit(), expected.at(i)->ctsBit());
        QCOMPARE(got->payload(), expected.at(i)->payload());
        QCOMPARE(got->time(), time);
    }
    qDeleteAll(expected);
    const bool reportsInvalid = read.lines.join('\n').contains(QStringLiteral("Found invalid frame"));
    QCOMPARE(reportsInvalid, !invalidText.isEmpty());
    if (reportsInvalid)
        QVERIFY(read.lines.join('\n').contains(invalidText));
    QCOMPARE(read.lines.last(), QStringLiteral("info\t%1 frames loaded.").arg(expected.size()));
}

void TestFrameReader::largestFrameAcrossChunks_data()
{
    QTest::addColumn<int>("offset");
    for (int offset : {-73, -72, -71, -70, -69, -68, -8, -4, 0, 4})
        QTest::addRow("64-byte payload frame at 1 MiB %+d", offset) << offset;
}

void TestFrameReader::largestFrameAcrossChunks()
{
    // A frame with a 64-byte payload placed at every position around the first refill.
    QFETCH(int, offset);
    const int start = (1 << 20) + offset;
    QByteArray head;
    for (int pad = 0; (head.size() - start) % 4 != 0 || head.isEmpty(); ++pad)
        head = "{TYPE:" + QByteArray(pad, 'p') + "}{DATA LIST-1048576:#";
    const int filler = start - int(head.size());
    const int sixteens = (filler % 12) / 4;
    QByteArray block;
    for (int i = 0; i < sixteens; ++i)
        block += frame(2, 1, 0, 1);
    while (block.size() < filler)
        block += frame(0, 0, 1, 1);
    QCOMPARE(head.size() + block.size(), start);
    block += frame(6, 7, 1, 5) + frame(1, 4, 0, 2);
    LoadedCapture read;
    readBytes(head + block + "}", 0, read);

    const int count = sixteens + (filler - 16 * sixteens) / 12 + 2;
    QCOMPARE(read.frames.size(), count);
    const FrameRecord *large = &read.frames.at(count - 2);
    QCOMPARE(large->payloadSizeCode(), quint8(6));
    QByteArray payload;
    for (int i = 0; i < 64; ++i)
        payload += char(i);
    QCOMPARE(large->payload(), payload);
    QCOMPARE(read.frames.last().payload(), QByteArray::fromHex("00010203"));
    QCOMPARE(read.lines.last(), QStringLiteral("info\t%1 frames loaded.").arg(count));
}

void TestFrameReader::anyBytes()
{
    // Random bytes, bare or behind a valid DATA LIST tag: the reader ends, keeps its count
    // consistent with what it logged, and never reads outside the bytes it was given.
    QRandomGenerator random(2024);
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes(int(random.bounded(300)), Qt::Uninitialized);
        for (char &byte : bytes)
            byte = char(random.bounded(256));
        if (round % 2 == 1)
            bytes.prepend("{DATA LIST-9:#");
        for (int version : {0, 1}) {
            LoadedCapture read;
            readBytes(bytes, version, read);
            const QStringList frameLines =
                read.lines.filter(QRegularExpression(QStringLiteral("^info\tFrame \\d+:")));
            QCOMPARE(frameLines.size(), read.frames.size());
            if (read.status == Capture::Status::Loaded)
                QCOMPARE(read.lines.last(),
                         QStringLiteral("info\t%1 frames loaded.").arg(read.frames.size()));
            else
                QVERIFY(read.lines.last().startsWith(QLatin1String("error\t")));
        }
    }
}

void TestFrameReader::protocolVersionOf_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("logText");
    QTest::newRow("drf3") << "capture.drf3" << 0 << "Set DigRF Version to 3G";
    QTest::newRow("DRF3") << "/data/capture.DRF3" << 0 << "Set DigRF Version to 3G";
    QTest::newRow("Drf3 after other dots") << "run.1.Drf3" << 0 << "Set DigRF Version to 3G";
    QTest::newRow("drf4") << "capture.drf4" << 1 << "Set DigRF Version to v4";
    QTest::newRow("bin") << "capture.bin" << 1 << "Set DigRF Version to v4";
    QTest::newRow("no suffix") << "capture" << 1 << "Set DigRF Version to v4";
    QTest::newRow("drf3 in the folder only") << "x.drf3/capture" << 1 << "Set DigRF Version to v4";
    QTest::newRow("drf3.bak") << "capture.drf3.bak" << 1 << "Set DigRF Version to v4";
}

void TestFrameReader::protocolVersionOf()
{
    QFETCH(QString, fileName);
    QFETCH(int, version);
    QFETCH(QString, logText);
    QCOMPARE(Korvex::protocolVersionOf(fileName), version);
    QCOMPARE(protocolVersionLogText(version), logText);
}

void TestFrameReader::captureFile()
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.drf4"));
    const QString aborted = dir.filePath(QStringLiteral("bad.drf3"));
    for (const auto &[name, bytes] :
         {std::pair{good, capture(frame(1, 4, 0, 0), "}")}, std::pair{aborted, QByteArray("{DATA LIST:#")}}) {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    struct Case
    {
        QString fileName;
        Capture::Status status;
        int version;
        QStringList firstLines;
    };
    const QList<Case> cases{
        {good, Capture::Status::Loaded, 1,
         info({"Set DigRF Version to v4", "Open file " + good + ": success"})},
        {aborted, Capture::Status::Aborted, 0,
         info({"Set DigRF Version to 3G", "Open file " + aborted + ": success"})},
        {dir.filePath("missing.drf3"), Capture::Status::CannotOpen, 0,
         QStringList{"info\tSet DigRF Version to 3G",
                     "error\tCannot open file " + dir.filePath("missing.drf3"),
                     "error\tNo such file or directory"}},
        {dir.path(), Capture::Status::CannotOpen, 1,
         QStringList{"info\tSet DigRF Version to v4", "error\tCannot open file " + dir.path(),
                     "error\tfile to open is a directory"}},
    };
    for (const Case &c : cases) {
        Capture capture(c.fileName);
        RecordingSink sink;
        QCOMPARE(capture.load(sink), c.status);
        QCOMPARE(capture.protocolVersion(), c.version);
        QCOMPARE(sink.lines.mid(0, c.firstLines.size()), c.firstLines);
        if (c.status == Capture::Status::CannotOpen)
            QCOMPARE(sink.lines.size(), 3);
        QCOMPARE(capture.frameCount(), c.fileName == good ? 2 : 0);
    }
}

void TestFrameReader::dataLengthAsToUInt()
{
    // Every text of up to four of these characters after the hyphen: the length is what
    // QString::toUInt (base 10) gives for the text after the last hyphen, but none where a NUL
    // byte is, at which that conversion stops reading.
    const QByteArray characters("07 \t\v+-a\0", 9);
    QList<QByteArray> texts{QByteArray()};
    for (qsizetype from = 0; texts.at(from).size() < 4; ++from) {
        for (const char c : characters)
            texts.append(texts.at(from) + c);
    }
    for (const QByteArray &text : std::as_const(texts)) {
        const QByteArray name = "DATA LIST-" + text;
        const QByteArray last = name.mid(name.lastIndexOf('-') + 1);
        bool ok = false;
        const uint value = QString::fromLatin1(last).toUInt(&ok, 10);
        const quint32 expected = ok && !last.contains('\0') ? value : 0;
        QVERIFY2(DataLength::of(name) == expected, text.toHex().constData());
    }
    QCOMPARE(DataLength::of("DATA LIST- +4294967295\r\n"), quint32(4294967295u));
    QCOMPARE(DataLength::of("DATA LIST-4294967296"), quint32(0));
}

QTEST_GUILESS_MAIN(TestFrameReader)
#include "tst_framereader.moc"
