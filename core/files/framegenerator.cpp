// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/framegenerator.h"

#include "core/files/outputfile.h"
#include "core/frames/frameheader.h"
#include "core/frames/framerecord.h"

#include <QIODevice>
#include <QtEndian>

#include <array>

namespace Korvex {

namespace {

constexpr quint32 Multiplier = 214013;
constexpr quint32 Increment = 2531011;
constexpr int SizeCodes = 7;

// Payload bytes of the size codes the generator draws; code 7 (no payload) is never drawn,
// because the reader rejects it and would stop there.
constexpr std::array<int, SizeCodes> PayloadBytes = {1, 4, 8, 12, 16, 32, 64};

// Writes the record in the capture layout at out; returns the number of bytes written.
int writeCaptureFrame(const FrameRecord &record, char *out)
{
    const QByteArray payload = record.payload();
    const int words = (int(payload.size()) + 3) / 4;
    FrameHeader header;
    header.payloadSizeCode = record.payloadSizeCode();
    header.channelType = record.channelType();
    header.ctsBit = record.ctsBit();
    qToLittleEndian<quint32>(header.toWord(), out);
    qToLittleEndian<quint32>(quint32(record.time()), out + 4);
    const auto *bytes = reinterpret_cast<const uchar *>(payload.constData());
    for (int w = 0; w < words; ++w) {
        // The reader turns file bytes b0 b1 b2 b3 into payload bytes b3 b2 b1 b0, so the
        // payload's first byte of each word is the word's most significant byte.
        quint32 word = 0;
        for (int b = 0; b < 4; ++b) {
            const int i = 4 * w + b;
            word = word << 8 | (i < payload.size() ? bytes[i] : 0u);
        }
        qToLittleEndian<quint32>(word, out + 8 + 4 * w);
    }
    return 8 + 4 * words;
}

// The generator's state after n further steps, as one affine map: state × mul + add.
struct Skip
{
    quint32 mul = 1;
    quint32 add = 0;
};

// For each size code: the draws that follow the code (channel type, CTS bit, payload bytes),
// composed into one step, so that measuring a block costs two steps per frame.
std::array<Skip, SizeCodes> makeSkips()
{
    std::array<Skip, SizeCodes> skips;
    for (int code = 0; code < SizeCodes; ++code) {
        Skip skip;
        for (int i = 0; i < 2 + PayloadBytes[code]; ++i) {
            skip.mul *= Multiplier;
            skip.add = skip.add * Multiplier + Increment;
        }
        skips[code] = skip;
    }
    return skips;
}

} // namespace

FrameGenerator::FrameGenerator(quint32 seed)
    : m_state(seed)
{
}

int FrameGenerator::random()
{
    m_state = m_state * Multiplier + Increment;
    return int((m_state >> 16) & 0x7FFF);
}

void FrameGenerator::drawFrame(FrameRecord &record)
{
    record.setTime(0);
    record.setPayloadSizeCode(quint8(random() % SizeCodes));
    record.setChannelType(quint8(random() % 12));
    // random / 32767 rounded: 0 up to 16383, 1 from 16384.
    record.setCtsBit(quint8(random() * 3.051850947599719e-05 + 0.5));

    // Reuse the record's payload buffer: one allocation per record instead of one per frame.
    QByteArray payload = record.payload();
    record.setPayload(QByteArray());
    payload.resize(record.payloadSizeBits() / 8);
    char *bytes = payload.data();
    for (int i = 0; i < payload.size(); ++i)
        bytes[i] = char(random() % 256);
    record.setPayload(payload);
}

QByteArray FrameGenerator::captureBytes(const FrameRecord &record)
{
    QByteArray bytes(captureSize(int(record.payload().size())), Qt::Uninitialized);
    writeCaptureFrame(record, bytes.data());
    return bytes;
}

QByteArray FrameGenerator::tagText(const QDateTime &date, qint64 frameCount, qint64 blockLength)
{
    const QString text =
        QStringLiteral("{TYPE:QUELLBAY-DIGRF3G}{COPYRIGHT:2011 Kestrant}{DATE:%1}")
            .arg(date.toString(QStringLiteral("yyyy-MM-dd;hh:mm:ss")))
        + QStringLiteral("{COMMENT:NEXOPROBE DigRF 3G data}")
        + QStringLiteral("{FRAMES:%1}{DATA LIST-%2:#").arg(frameCount).arg(blockLength);
    return text.toLatin1();
}

qint64 FrameGenerator::blockLength(quint32 seed, qint64 frameCount)
{
    static const std::array<Skip, SizeCodes> skips = makeSkips();
    FrameGenerator generator(seed);
    qint64 length = 0;
    for (qint64 i = 0; i < frameCount; ++i) {
        const int code = generator.random() % SizeCodes;
        length += captureSize(PayloadBytes[code]);
        generator.m_state = generator.m_state * skips[code].mul + skips[code].add;
    }
    return length;
}

bool FrameGenerator::writeCapture(QIODevice &device, quint32 seed, qint64 frameCount,
                                  const QDateTime &date)
{
    if (frameCount < 1 || frameCount > MaxFrames)
        return false;
    // The tags carry the block length, so the block is measured first and written after.
    FrameGenerator generator(seed);
    return writeFrames(device, frameCount, blockLength(seed, frameCount), date,
                       [&generator](FrameRecord &record) { generator.drawFrame(record); });
}

bool FrameGenerator::writeFile(const QString &fileName, quint32 seed, qint64 frameCount,
                               const QDateTime &date, QString *errorText)
{
    return saveFile(
        fileName, frameCount,
        [&](QIODevice &device) { return writeCapture(device, seed, frameCount, date); },
        errorText);
}

bool FrameGenerator::writeFrames(QIODevice &device, qint64 frameCount, qint64 blockLength,
                                 const QDateTime &date,
                                 const std::function<void(FrameRecord &)> &draw)
{
    const QByteArray tags = tagText(date, frameCount, blockLength);
    if (device.write(tags) != tags.size())
        return false;

    constexpr int SliceSize = 1 << 20;
    constexpr int LargestFrame = captureSize(64);
    QByteArray slice(SliceSize, Qt::Uninitialized);
    char *const begin = slice.data();
    char *out = begin;

    FrameRecord record;
    for (qint64 i = 0; i < frameCount; ++i) {
        draw(record);
        out += writeCaptureFrame(record, out);
        if (out - begin > SliceSize - LargestFrame) {
            if (device.write(begin, out - begin) != out - begin)
                return false;
            out = begin;
        }
    }
    *out++ = '}';
    return device.write(begin, out - begin) == out - begin;
}

bool FrameGenerator::saveFile(const QString &fileName, qint64 frameCount,
                              const std::function<bool(QIODevice &)> &write, QString *errorText)
{
    if (frameCount < 1 || frameCount > MaxFrames) {
        if (errorText)
            *errorText = QStringLiteral("The frame count must be from 1 to %1").arg(MaxFrames);
        return false;
    }
    OutputFile file(fileName);
    if (file.open() && write(file.device()) && file.commit())
        return true;
    // The unfinished copy is discarded and an existing file keeps its content.
    if (errorText)
        *errorText = file.errorString();
    return false;
}

} // namespace Korvex
