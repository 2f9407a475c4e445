// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TESTS_CAPTUREFIXTURE_H
#define TESTS_CAPTUREFIXTURE_H

#include "capturebuilder.h"

#include "core/files/capture.h"
#include "core/frames/framerecord.h"

#include <QFile>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

/// Captures for the tests, written to a temporary file and loaded as the viewer loads them.
/// The capture keeps its file open, so the file may go once it is loaded.
namespace CaptureFixture {

/// Discards what a load reports.
class QuietSink final : public Korvex::FrameReaderSink
{
public:
    void log(const QString &, Korvex::LogLevel) override {}
    void progress(int) override {}
};

/// Keeps the warnings and errors of a load.
class ProblemSink final : public Korvex::FrameReaderSink
{
public:
    void log(const QString &text, Korvex::LogLevel level) override
    {
        if (level != Korvex::LogLevel::Info)
            problems.append(text);
    }
    void progress(int) override {}
    QStringList problems;
};

inline std::unique_ptr<Korvex::Capture> load(const QByteArray &bytes, int protocolVersion = 0)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(protocolVersion == 0 ? QStringLiteral("capture.drf3")
                                                           : QStringLiteral("capture.drf4"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return nullptr;
    file.close();
    auto capture = std::make_unique<Korvex::Capture>(path);
    QuietSink sink;
    capture->load(sink);
    return capture;
}

/// A frame of the given fields whose payload words carry `payload` (the reader turns each
/// file word b0 b1 b2 b3 into the payload bytes b3 b2 b1 b0); a short payload is padded with
/// zeros to the size its code says.
inline QByteArray frameOf(int code, int channelType, int cts, quint32 delta,
                          const QByteArray &payload = {})
{
    using namespace CaptureBuilder;
    static const int bytes[] = {1, 4, 8, 12, 16, 32, 64};
    QByteArray padded = payload.left(bytes[code]);
    padded.resize(4 * payloadWords(code), '\0');
    QByteArray words;
    for (qsizetype at = 0; at < padded.size(); at += 4) {
        const auto *b = reinterpret_cast<const uchar *>(padded.constData() + at);
        words += word(quint32(b[0]) << 24 | quint32(b[1]) << 16 | quint32(b[2]) << 8 | b[3]);
    }
    return frame(headerWord(code, channelType, cts), delta, words);
}

/// A capture of `frames` random frames (CaptureBuilder::randomCapture) written to a file of the
/// given name, which stays, and loaded from it; nullptr when it cannot be written.
inline std::unique_ptr<Korvex::Capture> loadFile(const QString &path, int frames, quint32 seed)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return nullptr;
    file.write(CaptureBuilder::randomCapture(frames, seed));
    file.close();
    auto capture = std::make_unique<Korvex::Capture>(path);
    QuietSink sink;
    capture->load(sink);
    return capture;
}

/// A DigRF 3G capture of the frames, closed by a brace.
inline std::unique_ptr<Korvex::Capture> load3G(const QByteArray &frames)
{
    return load(CaptureBuilder::capture(frames, "}"), 0);
}

/// A DigRF v4 capture of frames that carry these time deltas.
inline std::unique_ptr<Korvex::Capture> loadV4(const QList<quint32> &deltas)
{
    QByteArray block;
    for (quint32 delta : deltas)
        block += CaptureBuilder::frame(0, delta);
    return load(CaptureBuilder::capture(block, "}"), 1);
}

} // namespace CaptureFixture

#endif // TESTS_CAPTUREFIXTURE_H
