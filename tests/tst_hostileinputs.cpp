// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturebuilder.h"
#include "hangguard.h"

#include "core/colors/colorfile.h"
#include "core/files/capture.h"
#include "core/files/capturefile.h"
#include "core/files/framereader.h"
#include "core/files/loglines.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Korvex;
using namespace CaptureBuilder;

namespace {

/// Hashes the log exactly as drfdump --log prints it, and keeps what the checks need of it.
class DigestSink final : public FrameReaderSink
{
public:
    void log(const QString &text, LogLevel level) override
    {
        static const char *const names[] = {"info", "warning", "error"};
        const QString line = QLatin1String(names[int(level)]) + QLatin1Char('\t') + text;
        // drfdump writes a backslash, tab, line feed and carriage return in the text escaped.
        QString escaped = text;
        escaped.replace(QLatin1String("\\"), QLatin1String("\\\\"))
            .replace(QLatin1String("\t"), QLatin1String("\\t"))
            .replace(QLatin1String("\n"), QLatin1String("\\n"))
            .replace(QLatin1String("\r"), QLatin1String("\\r"));
        digest.addData((QLatin1String(names[int(level)]) + QLatin1Char('\t') + escaped
                        + QLatin1Char('\n')).toUtf8());
        if (keepLines)
            lines.append(line);
        last = line;
        ++count;
    }
    void progress(int value) override { values.append(value); }
    bool wantsFrames() const override { return true; }
    void frame(const ScannedFrame &frame) override
    {
        const int bytes = protocolVersion != 0
                              ? 0
                              : FrameHeader::fromWord(quint8(frame.bytes[0])).payloadSizeBits() / 8;
        log(LogLines::frameLine(frame.number + 1, bytes), LogLevel::Info);
    }

    int protocolVersion = 0;
    QCryptographicHash digest{QCryptographicHash::Sha256};
    bool keepLines = true;
    QStringList lines;
    QString last;
    qint64 count = 0;
    QList<int> values;
};

/// One load of a capture: the result, the log and the frames read back.
struct Read
{
    Capture::Status result = Capture::Status::NotLoaded;
    QList<FrameRecord> frames;
    DigestSink sink;

    void load(const QString &path)
    {
        Capture capture(path);
        sink.protocolVersion = capture.protocolVersion();
        result = capture.load(sink);
        for (qint64 n = 0; n < capture.frameCount(); ++n)
            frames.append(capture.frame(n));
    }
};

void readBytes(const QByteArray &bytes, int protocolVersion, Read &out)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(protocolVersion == 0 ? "bytes.drf3" : "bytes.drf4");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    out.load(path);
    // The reader's own lines, without the protocol version and the file's opening.
    out.sink.lines = out.sink.lines.mid(2);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Progress as the reader reports it: 5, 10, values that grow and count at most the whole
// file (80), then 85; an aborted load stops after 5.
bool progressIsSound(const QList<int> &values, bool aborted)
{
    if (values.isEmpty() || values.first() != 5)
        return false;
    if (aborted)
        return values.size() == 1;
    if (values.size() < 3 || values.at(1) != 10 || values.last() != 85)
        return false;
    for (qsizetype i = 2; i + 1 < values.size(); ++i) {
        if (values.at(i) < 0 || values.at(i) > 80 || (i > 2 && values.at(i) <= values.at(i - 1)))
            return false;
    }
    return true;
}

const QString OpenTag = QStringLiteral("info\tTag 'DATA LIST' is open and EOF reached!");

} // namespace

/// What the reader, drfdump and the colour files make of inputs no instrument writes: random
/// bytes, cut frames, endless tags, extreme lengths, huge colour files, and a disk that fills up.
class TestHostileInputs : public QObject
{
    Q_OBJECT

private slots:
    void randomHundredMegabytes_data();
    void randomHundredMegabytes();
    void framesCutAnywhere_data();
    void framesCutAnywhere();
    void endlessTag_data();
    void endlessTag();
    void dataListLength_data();
    void dataListLength();
    void millionLineColourFile();
    void colourFileWithoutLineEnds();
    void readOnlyColourFolder();
    void fullDiskWhenGenerating_data();
    void fullDiskWhenGenerating();

private:
    QTemporaryDir m_dir;
};

void TestHostileInputs::randomHundredMegabytes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("head");
    QTest::newRow("random bytes") << "random.drf3" << QByteArray();
    QTest::newRow("random frame block") << "block.drf3" << QByteArray("{TYPE:x}{DATA LIST-1:#");
}

void TestHostileInputs::randomHundredMegabytes()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, head);
    const QString path = m_dir.filePath(name);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(head);
        QRandomGenerator random(20111);
        QByteArray chunk(1 << 20, Qt::Uninitialized);
        for (int i = 0; i < 100; ++i) {
            random.fillRange(reinterpret_cast<quint32 *>(chunk.data()), chunk.size() / 4);
            QCOMPARE(file.write(chunk), chunk.size());
        }
    }

    Read read;
    read.sink.keepLines = false;
    read.load(path);
    const Capture::Status result = read.result;
    QVERIFY(result != Capture::Status::CannotOpen);
    QVERIFY(progressIsSound(read.sink.values, result == Capture::Status::Aborted));
    for (const FrameRecord &record : std::as_const(read.frames))
        QVERIFY(record.isValid());
    if (result == Capture::Status::Loaded)
        QCOMPARE(read.sink.last, QStringLiteral("info\t%1 frames loaded.").arg(read.frames.size()));

    // drfdump prints the same log, byte for byte, and says whether the load went through.
    QProcess dump;
    dump.setStandardOutputFile(m_dir.filePath(QStringLiteral("log.txt")));
    dump.start(QStringLiteral(DRFDUMP_PATH), {QStringLiteral("--log"), path});
    QVERIFY(dump.waitForFinished(HangGuardMs));
    QCOMPARE(dump.exitStatus(), QProcess::NormalExit);
    QCOMPARE(dump.exitCode(), result == Capture::Status::Loaded ? 0 : 1);
    QFile log(m_dir.filePath(QStringLiteral("log.txt")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCryptographicHash printed(QCryptographicHash::Sha256);
    QVERIFY(printed.addData(&log));
    QCOMPARE(printed.result().toHex(), read.sink.digest.result().toHex());

    log.remove();
    QFile::remove(path);
}

void TestHostileInputs::framesCutAnywhere_data()
{
    QTest::addColumn<int>("protocolVersion");
    QTest::newRow("DigRF 3G") << 0;
    QTest::newRow("DigRF v4") << 1;
}

void TestHostileInputs::framesCutAnywhere()
{
    // Frames of 72, 12 and 40 bytes; the capture is cut after every byte of them.
    QFETCH(int, protocolVersion);
    const QList<QByteArray> frames = {frame(6, 1, 0, 10), frame(0, 4, 1, 20), frame(5, 11, 1, 30)};
    const QByteArray block = frames.join();
    for (qsizetype cut = 0; cut <= block.size(); ++cut) {
        Read read;
        readBytes(capture(block.left(cut)), protocolVersion, read);
        const QByteArray where = "cut after " + QByteArray::number(cut) + " bytes";
        QVERIFY2(read.result == Capture::Status::Loaded, where);
        QVERIFY2(progressIsSound(read.sink.values, false), where);

        QStringList tail;
        qsizetype kept = 0;
        if (protocolVersion != 0) {
            // Undecoded frames are two words each; a short last one still counts as a frame.
            kept = (cut + 7) / 8;
        } else {
            qsizetype start = 0;
            while (kept < frames.size() && start + frames.at(kept).size() <= cut)
                start += frames.at(kept++).size();
            if (start < cut) {
                // A frame cut in its header reads as header word 0, a one-word payload.
                const qsizetype left = cut - start;
                const qsizetype words = left < 4 ? 1 : (frames.at(kept).size() - 8) / 4;
                const qsizetype missing = left < 8 ? words : words - (left - 8) / 4;
                tail << QStringLiteral("warning\tFound invalid frame: Incomplete payload: %1 words "
                                       "are missing. No further frames will be loaded.")
                            .arg(missing);
            }
        }
        tail << OpenTag << QStringLiteral("info\t%1 frames loaded.").arg(kept);
        QCOMPARE(read.frames.size(), kept);
        QVERIFY2(read.sink.lines.size() >= tail.size(), where);
        QCOMPARE(read.sink.lines.mid(read.sink.lines.size() - tail.size()), tail);
        // The kept frames are whole: payload bytes 00 01 02 ... as the builder stores them.
        for (qsizetype i = 0; protocolVersion == 0 && i < kept; ++i) {
            QByteArray payload(read.frames.at(i).payloadSizeBits() / 8, Qt::Uninitialized);
            for (qsizetype b = 0; b < payload.size(); ++b)
                payload[b] = char(b);
            QCOMPARE(read.frames.at(i).payload(), payload);
        }
    }
}

void TestHostileInputs::endlessTag_data()
{
    // Four mebibytes with no closing character: the last byte, whose reading reaches the end of
    // the file, is not part of the text, of which the log keeps the first 64 KiB.
    const qsizetype size = qsizetype(4) << 20;
    const QString cut = QStringLiteral("\u2026 (%1 bytes)").arg(size - 1);
    const QString name = QString(TagTextChars, QLatin1Char('N')) + cut;
    const QString value = QString(TagTextChars, QLatin1Char('v')) + cut;
    const QString digits = QString(TagTextChars - 10, QLatin1Char('1')) + cut;
    const QStringList afterTags = {QStringLiteral("info\tParsing frames ..."), OpenTag,
                                   QStringLiteral("info\t0 frames loaded.")};

    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("name without colon")
        << "{" + QByteArray(size, 'N') << 0
        << QStringList{"info\tFound tag '" + name + "'", QStringLiteral("info\tTag value: ")} + afterTags;
    QTest::newRow("value without brace")
        << "{NAME:" + QByteArray(size, 'v') << 0
        << QStringList{QStringLiteral("info\tFound tag 'NAME'"), "info\tTag value: " + value} + afterTags;
    QTest::newRow("DATA LIST name without colon")
        << "{DATA LIST-" + QByteArray(size - 10, '1') << -1
        << QStringList{"info\tFound tag 'DATA LIST-" + digits + "'",
                       "error\tWrong data length (0) in 'DATA LIST-" + digits
                           + "' tag! File load aborted."};
    // The length is read from the whole name, also where the log no longer shows it.
    const QByteArray longName = "DATA LIST-" + QByteArray(size, 'x') + "- 12";
    QTest::newRow("DATA LIST length past what is kept")
        << "{" + longName + ":#" + frame(1, 4, 0, 5) << 1
        << QStringList{"info\tFound tag '" + QString::fromLatin1(longName.left(TagTextChars))
                           + QStringLiteral("\u2026 (%1 bytes)'").arg(longName.size()),
                       QStringLiteral("info\tParsing frames ..."),
                       QStringLiteral("info\tFrame 1: payload size 4 bytes"), OpenTag,
                       QStringLiteral("info\t1 frames loaded.")};
}

void TestHostileInputs::endlessTag()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, result);
    QFETCH(QStringList, lines);
    Read read;
    readBytes(bytes, 0, read);
    QCOMPARE(read.result, result >= 0 ? Capture::Status::Loaded : Capture::Status::Aborted);
    QCOMPARE(read.frames.size(), qMax(result, 0));
    // Compared line by line: a failure should not print megabytes.
    QCOMPARE(read.sink.lines.size(), lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        QVERIFY2(read.sink.lines.at(i) == lines.at(i), qPrintable(lines.at(i).left(80)));
}

void TestHostileInputs::dataListLength_data()
{
    QTest::addColumn<QByteArray>("length");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("largest 32-bit") << QByteArray("4294967295") << true;
    QTest::newRow("leading zeros") << QByteArray("0000000000000000000000001") << true;
    QTest::newRow("one past 32 bits") << QByteArray("4294967296") << false;
    QTest::newRow("past 64 bits") << QByteArray("18446744073709551616") << false;
    QTest::newRow("ten thousand nines") << QByteArray(10000, '9') << false;
    // Blanks around the digits and one plus sign, as QString::toUInt takes them; a NUL byte,
    // where that conversion would stop reading, makes it no number.
    QTest::newRow("blank before the digits") << QByteArray(" 12") << true;
    QTest::newRow("blank after the digits") << QByteArray("12 ") << true;
    QTest::newRow("tabs around") << QByteArray("\t7\t") << true;
    QTest::newRow("plus sign") << QByteArray("+5") << true;
    QTest::newRow("a megabyte of blanks") << QByteArray(1 << 20, ' ') + "3" << true;
    QTest::newRow("two plus signs") << QByteArray("++5") << false;
    QTest::newRow("blank inside") << QByteArray("1 2") << false;
    QTest::newRow("NUL after the digits") << QByteArray("112\0xyz", 7) << false;
    QTest::newRow("NUL in the blanks") << QByteArray(" 1\0 ", 4) << false;
}

void TestHostileInputs::dataListLength()
{
    // The length only has to be a valid non-zero number; it never bounds or sizes anything.
    QFETCH(QByteArray, length);
    QFETCH(bool, accepted);
    const QByteArray name = "DATA LIST-" + length;
    Read read;
    readBytes("{" + name + ":#" + frame(1, 4, 0, 5), 0, read);
    if (accepted) {
        QCOMPARE(read.result, Capture::Status::Loaded);
        QCOMPARE(read.frames.size(), 1);
        QCOMPARE(read.sink.last, QStringLiteral("info\t1 frames loaded."));
    } else {
        QCOMPARE(read.result, Capture::Status::Aborted);
        QVERIFY(read.frames.isEmpty());
        QCOMPARE(read.sink.last, QStringLiteral("error\tWrong data length (0) in '%1' tag! File load aborted.")
                                     .arg(QString::fromLatin1(name.left(TagTextChars))
                                          + (name.size() > TagTextChars
                                                 ? QStringLiteral("\u2026 (%1 bytes)").arg(name.size())
                                                 : QString())));
    }
}

void TestHostileInputs::millionLineColourFile()
{
    // A million lines over a thousand names: each name keeps its last line.
    QByteArray bytes;
    bytes.reserve(40 << 20);
    for (int i = 0; i < 1000000; ++i) {
        const int c = i % 256;
        bytes += "Name " + QByteArray::number(i % 1000) + ';' + QByteArray::number(c) + ";0;"
                 + QByteArray::number(255 - c) + ";1;2;" + QByteArray::number(i / 1000 % 256)
                 + "\r\n";
    }
    const QString path = m_dir.filePath(QStringLiteral("million.lst"));
    QVERIFY(writeFile(path, bytes));
    const std::optional<ColorFile::Table> table = ColorFile::read(path);
    QVERIFY(table.has_value());
    QCOMPARE(table->size(), 1000);
    for (int k : {0, 1, 499, 999}) {
        const int i = 999000 + k;
        const ColorFile::Entry entry = table->value(QStringLiteral("Name %1").arg(k));
        QCOMPARE(entry.text, ColorFile::Color::fromRgb(i % 256, 0, 255 - i % 256));
        QCOMPARE(entry.background, ColorFile::Color::fromRgb(1, 2, i / 1000 % 256));
    }
    QFile::remove(path);
}

void TestHostileInputs::colourFileWithoutLineEnds()
{
    // One line of sixteen mebibytes: a name that long is kept; the same line with an eighth
    // field, and a file of nothing but separators, give no entry.
    const QByteArray name(16 << 20, 'x');
    QCOMPARE(ColorFile::parse(name + ";1;2;3;4;5;6").size(), 1);
    QCOMPARE(ColorFile::parse(name + ";1;2;3;4;5;6").firstKey().size(), name.size());
    QVERIFY(ColorFile::parse(name + ";1;2;3;4;5;6;").isEmpty());
    QVERIFY(ColorFile::parse(QByteArray(16 << 20, ';')).isEmpty());
}

void TestHostileInputs::readOnlyColourFolder()
{
    // Saving into a folder the user may not write: the old working copy stays, nothing is left
    // beside it. Folder permissions do not stop the administrator, so as root the save runs in
    // a child process that has become an ordinary user.
    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("Framescope"));
    const QString path = folder + QStringLiteral("/colors3G.lst");
    const QByteArray previous("Data Channel A;0;0;0;255;255;0\n");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(writeFile(path, previous));
    QVERIFY(QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                   | QFile::ReadOther | QFile::ExeOther));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther
                                              | QFile::ExeOther));
    const ColorFile::Table table{{QStringLiteral("X"), ColorFile::Entry{}}};

    bool saved = true;
    if (geteuid() != 0) {
        saved = ColorFile::write(path, table);
    } else {
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            // The user "nobody"; the child only saves and reports through its exit status.
            if (setgid(65534) != 0 || setuid(65534) != 0)
                _exit(3);
            _exit(ColorFile::write(path, table) ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QVERIFY2(WEXITSTATUS(status) != 3, "cannot become an ordinary user");
        saved = WEXITSTATUS(status) == 0;
    }
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(!saved);
    QCOMPARE(readFile(path), previous);
    QCOMPARE(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             QStringList{QStringLiteral("colors3G.lst")});
}

void TestHostileInputs::fullDiskWhenGenerating_data()
{
    // drfdump writes exactly what the viewer's generator writes; a file size limit makes the
    // disk "full" at a chosen byte, also for a user to whom permissions mean nothing.
    QTest::addColumn<int>("frames");
    QTest::addColumn<qint64>("limit");
    QTest::newRow("nothing fits") << 10 << qint64(0);
    QTest::newRow("full inside the tags") << 10 << qint64(100);
    QTest::newRow("full in the last buffered bytes") << 10 << qint64(300);
    QTest::newRow("full in the frame block") << 100000 << qint64(1 << 20);
    QTest::newRow("room enough") << 10 << qint64(1 << 20);
}

void TestHostileInputs::fullDiskWhenGenerating()
{
    QFETCH(int, frames);
    QFETCH(qint64, limit);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("existing.drf3"));
    const QByteArray previous = capture(frame(1, 4, 0, 0));
    QVERIFY(writeFile(path, previous));

    QProcess generate;
    generate.setChildProcessModifier([limit] {
        // Only async-signal-safe calls here: the child runs them between fork and exec.
        const rlimit size{rlim_t(limit), rlim_t(limit)};
        setrlimit(RLIMIT_FSIZE, &size);
        signal(SIGXFSZ, SIG_IGN);
    });
    generate.start(QStringLiteral(DRFDUMP_PATH),
                   {QStringLiteral("--generate"), QString::number(frames), QStringLiteral("--seed"),
                    QStringLiteral("3"), QStringLiteral("-o"), path});
    QVERIFY(generate.waitForFinished(HangGuardMs));
    QCOMPARE(generate.exitStatus(), QProcess::NormalExit);
    const QStringList left = QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
    QCOMPARE(left, QStringList{QStringLiteral("existing.drf3")});

    if (limit >= (1 << 20) && frames == 10) {
        QCOMPARE(generate.exitCode(), 0);
        Read read;
        read.load(path);
        QCOMPARE(read.result, Capture::Status::Loaded);
        QCOMPARE(read.frames.size(), frames);
        return;
    }
    // A failed generation says so and leaves the previous file as it was.
    QCOMPARE(generate.exitCode(), 1);
    QVERIFY(generate.readAllStandardError().contains("cannot write file"));
    QCOMPARE(readFile(path), previous);
}

QTEST_APPLESS_MAIN(TestHostileInputs)
#include "tst_hostileinputs.moc"
