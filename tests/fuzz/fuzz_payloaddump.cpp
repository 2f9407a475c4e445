// SPDX-License-Identifier: GPL-3.0-or-later
// The detail panel's texts over arbitrary payloads and settings: bytes per column 1, 2 or 4,
// 1 to 99 columns, either byte order, any header base. The first six input bytes choose the
// settings and the header fields, the rest is the payload. Each dump line must be well formed
// (address, the groups at their width, three spaces, one ASCII character per payload byte of
// the line, a line feed) and the dump must give back the payload it was made from.

#include "fuzzcheck.h"

#include "core/frames/framerecord.h"
#include "core/text/framedetail.h"
#include "core/text/frametext.h"

#include <QStringList>

#include <cstdint>

using namespace Korvex;

namespace {

QChar asciiOf(uchar byte)
{
    return byte >= 0x20 && byte <= 0x7E ? QChar(QLatin1Char(char(byte))) : QChar(u'.');
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

void checkDump(const QByteArray &payload, int bytesPerColumn, int columns, int byteOrder)
{
    const QString dump = FrameDetail::payloadDump(payload, bytesPerColumn, columns, byteOrder);
    const QString where = QStringLiteral("%1 x %2 bytes, order %3, payload %4")
                              .arg(columns)
                              .arg(bytesPerColumn)
                              .arg(byteOrder)
                              .arg(fuzzHex(payload));
    if (payload.isEmpty()) {
        FUZZ_CHECK(dump.isEmpty(), where);
        return;
    }
    FUZZ_CHECK(dump.endsWith(QLatin1Char('\n')), where);
    const qsizetype lineBytes = qsizetype(bytesPerColumn) * columns;
    const qsizetype lineCount = (payload.size() + lineBytes - 1) / lineBytes;
    const QStringList lines = dump.split(QLatin1Char('\n'));
    // Every line ends with a line feed: the text after the last one is empty.
    FUZZ_CHECK(lines.size() == lineCount + 1 && lines.last().isEmpty(), where);

    QByteArray decoded;
    for (qsizetype k = 0; k < lineCount; ++k) {
        const QString &line = lines.at(k);
        const qsizetype address = k * lineBytes;
        const qsizetype count = qMin(lineBytes, payload.size() - address);
        const QString addressText = QStringLiteral("%1").arg(address, 4, 16, QLatin1Char('0'));
        const QString lineWhere = QStringLiteral("line %1 '%2' ").arg(k).arg(line) + where;
        FUZZ_CHECK(line.startsWith(addressText + QStringLiteral(": ")), lineWhere);
        qsizetype at = addressText.size() + 2;
        // Every group is two characters a byte wide and followed by one space.
        const qsizetype groupsWidth = columns * (2 * bytesPerColumn + 1);
        FUZZ_CHECK(line.size() == at + groupsWidth + 2 + count, lineWhere);
        QByteArray lineBytesRead(lineBytes, '\0');
        QList<bool> present(lineBytes, false);
        for (int c = 0; c < columns; ++c) {
            for (int j = 0; j < bytesPerColumn; ++j) {
                const QChar high = line.at(at + 2 * j);
                const QChar low = line.at(at + 2 * j + 1);
                const int index = c * bytesPerColumn
                                  + (byteOrder == FrameDetail::LittleEndian ? bytesPerColumn - 1 - j : j);
                if (high == QLatin1Char(' ') && low == QLatin1Char(' ')) {
                    FUZZ_CHECK(index >= count, lineWhere);
                    continue;
                }
                FUZZ_CHECK(hexValue(high) >= 0 && hexValue(low) >= 0 && index < count, lineWhere);
                lineBytesRead[index] = char(hexValue(high) << 4 | hexValue(low));
                present[index] = true;
            }
            at += 2 * bytesPerColumn;
            FUZZ_CHECK(line.at(at) == QLatin1Char(' '), lineWhere);
            ++at;
        }
        FUZZ_CHECK(line.mid(at, 2) == QStringLiteral("  "), lineWhere);
        at += 2;
        for (qsizetype i = 0; i < count; ++i) {
            FUZZ_CHECK(present.at(i), lineWhere);
            FUZZ_CHECK(line.at(at + i) == asciiOf(uchar(lineBytesRead.at(i))), lineWhere);
        }
        decoded += lineBytesRead.left(count);
    }
    FUZZ_CHECK(decoded == payload, where);
}

void checkHeaderField(uint value, int base, int binaryWidth)
{
    const QString text = FrameDetail::headerField(value, base, binaryWidth);
    const QString where = QStringLiteral("%1 in base %2: '%3'").arg(value).arg(base).arg(text);
    QString digits = text;
    if (base == 16) {
        FUZZ_CHECK(digits.startsWith(QLatin1String("0x")), where);
        digits.remove(0, 2);
    }
    FUZZ_CHECK(!digits.isEmpty() && digits == digits.toLower(), where);
    bool ok = false;
    FUZZ_CHECK(digits.toUInt(&ok, base) == value && ok, where);
    // Only binary digits are padded.
    const qsizetype plain = QString::number(value, base).size();
    FUZZ_CHECK(digits.size() == (base == 2 ? qMax<qsizetype>(plain, binaryWidth) : plain), where);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 6)
        return 0;
    static const int bytesPerColumnChoices[] = {1, 2, 4};
    static const int bases[] = {2, 16, 8, 10};
    const int bytesPerColumn = bytesPerColumnChoices[data[0] % 3];
    const int columns = 1 + data[1] % 99;
    const int byteOrder = data[2] & 1;
    const int base = bases[(data[2] >> 1) & 3];
    const QByteArray payload(reinterpret_cast<const char *>(data + 6), qsizetype(size - 6));

    checkDump(payload, bytesPerColumn, columns, byteOrder);

    // The header texts and the table's cells of a record with these fields and this payload,
    // whatever its payload size claims; and of the same record when it is not DigRF 3G.
    FrameRecord record;
    record.setPayloadSizeCode(data[3]);
    record.setChannelType(data[4]);
    record.setCtsBit(data[5]);
    record.setPayload(payload);
    checkHeaderField(record.payloadSizeCode(), base, 3);
    checkHeaderField(record.channelType(), base, 4);
    checkHeaderField(record.ctsBit(), base, 0);
    FUZZ_CHECK(FrameDetail::payloadSizeField(record, base)
                   == FrameDetail::headerField(record.payloadSizeCode(), base, 3),
               QString());
    FUZZ_CHECK(FrameDetail::payloadSizeLabel(record)
                   == QStringLiteral("(%1 bit)").arg(record.payloadSizeBits()),
               QString());
    FUZZ_CHECK(FrameDetail::channelTypeLabel(record)
                   == QStringLiteral("(%1)").arg(record.channelTypeName()),
               QString());
    FUZZ_CHECK(FrameDetail::statusText(record) == record.headerText(), QString());

    for (int version : {0, 1}) {
        for (int column = -1; column <= FrameText::ColumnCount; ++column) {
            const QString cell = FrameText::cell(record, column, version);
            if (column < 0 || column >= FrameText::ColumnCount)
                FUZZ_CHECK(cell.isEmpty(), QString::number(column));
        }
        // The payload cell: two digits a byte, a space after every second byte.
        const QString payloadCell = FrameText::cell(record, 4, version);
        FUZZ_CHECK(payloadCell.size() == payload.size() * 2 + payload.size() / 2, payloadCell);
        FUZZ_CHECK(QString(payloadCell).remove(QLatin1Char(' ')) == record.payloadHex(), payloadCell);
    }
    return 0;
}
