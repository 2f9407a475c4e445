// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/framedetail.h"

#include "core/frames/framerecord.h"
#include "core/text/timetext.h"

#include <QCoreApplication>
#include <QtGlobal>

namespace Korvex {

namespace {

const char hexDigits[] = "0123456789ABCDEF";

QChar asciiOf(uchar byte)
{
    return byte >= 0x20 && byte <= 0x7E ? QChar(QLatin1Char(char(byte))) : QChar(u'.');
}

// Nanoseconds, and beside them the same time in a unit to read it by where that says more.
QString nsText(qint64 ns)
{
    const QString readable = TimeText::readable(ns);
    const QString exact = QStringLiteral("%1 ns").arg(ns);
    return readable == exact ? exact : QStringLiteral("%1 (%2)").arg(exact, readable);
}

} // namespace

QString FrameDetail::headerField(uint value, int base, int binaryWidth)
{
    const QString digits = QStringLiteral("%1").arg(value, base == 2 ? binaryWidth : 0, base,
                                                   QLatin1Char('0'));
    return base == 16 ? QStringLiteral("0x") + digits : digits;
}

QString FrameDetail::payloadSizeField(const FrameRecord &record, int base)
{
    return headerField(record.payloadSizeCode(), base, 3);
}

QString FrameDetail::channelTypeField(const FrameRecord &record, int base)
{
    return headerField(record.channelType(), base, 4);
}

QString FrameDetail::ctsField(const FrameRecord &record, int base)
{
    return headerField(record.ctsBit(), base, 0);
}

QString FrameDetail::payloadSizeLabel(const FrameRecord &record)
{
    return QStringLiteral("(%1 bit)").arg(record.payloadSizeBits());
}

QString FrameDetail::channelTypeLabel(const FrameRecord &record)
{
    return QStringLiteral("(%1)").arg(record.channelTypeName());
}

QString FrameDetail::statusText(const FrameRecord &record)
{
    return record.headerText();
}

FrameDetail::DumpPlace FrameDetail::dumpPlace(int byte, int bytesPerColumn, int columns,
                                               int byteOrder)
{
    // The dump's own clamping and its four-digit address (payloads are below 64 KiB).
    const int groupBytes = qMax(1, bytesPerColumn);
    const int lineBytes = groupBytes * qMax(1, columns);
    const int inLine = byte % lineBytes;
    const int inGroup = byteOrder == LittleEndian ? groupBytes - 1 - inLine % groupBytes
                                                  : inLine % groupBytes;
    DumpPlace place;
    place.line = byte / lineBytes;
    place.hexColumn = 4 + 2 + (inLine / groupBytes) * (2 * groupBytes + 1) + 2 * inGroup;
    place.asciiColumn = asciiColumn(bytesPerColumn, columns) + inLine;
    return place;
}

int FrameDetail::asciiColumn(int bytesPerColumn, int columns, int addressDigits)
{
    // The same clamping as the dump's, so that both agree on any layout.
    const int groupChars = 2 * qMax(1, bytesPerColumn) + 1;
    return addressDigits + 2 + groupChars * qMax(1, columns) + 2;
}

QString FrameDetail::timeText(const FrameRecord &record, TimeMode mode, qint64 reference,
                              std::optional<qint64> shownNs)
{
    if (record.isMissing())
        return QCoreApplication::translate("Framescope", "Time missing");
    QString text = QCoreApplication::translate("Framescope", "Time since first frame %1")
                       .arg(nsText(qint64(record.timeNs())));
    if (mode == TimeMode::SinceFirst)
        return text;
    const QString name = TimeText::shownName(mode, reference);
    if (!shownNs)
        return QCoreApplication::translate("Framescope", "%1; %2: none").arg(text, name);
    return QCoreApplication::translate("Framescope", "%1; %2 %3").arg(text, name, nsText(*shownNs));
}

QString FrameDetail::payloadDump(const QByteArray &payload, int bytesPerColumn, int columns,
                                 int byteOrder)
{
    // The controls never offer less than one, but a zero here would mean lines without bytes.
    const qsizetype groupBytes = qMax(1, bytesPerColumn);
    const qsizetype lineBytes = groupBytes * qMax(1, columns);
    const qsizetype size = payload.size();
    const bool little = byteOrder == LittleEndian;
    const auto *bytes = reinterpret_cast<const uchar *>(payload.constData());

    QString dump;
    const qsizetype lines = (size + lineBytes - 1) / lineBytes;
    // Address, groups with their spaces, three spaces, ASCII part and line feed.
    dump.reserve(lines * (8 + lineBytes * 3 + lineBytes / groupBytes + 3));
    for (qsizetype address = 0; address < size; address += lineBytes) {
        dump += QStringLiteral("%1: ").arg(address, 4, 16, QLatin1Char('0'));
        for (qsizetype group = address; group < address + lineBytes; group += groupBytes) {
            for (qsizetype j = 0; j < groupBytes; ++j) {
                // Little endian shows the group's last byte first; blanks keep the group's width.
                const qsizetype at = little ? group + groupBytes - 1 - j : group + j;
                if (at < size) {
                    dump += QLatin1Char(hexDigits[bytes[at] >> 4]);
                    dump += QLatin1Char(hexDigits[bytes[at] & 0x0F]);
                } else {
                    dump += QLatin1String("  ");
                }
            }
            dump += QLatin1Char(' ');
        }
        dump += QLatin1String("  ");
        // The ASCII part keeps payload order in both byte orders.
        for (qsizetype at = address; at < qMin(address + lineBytes, size); ++at)
            dump += asciiOf(bytes[at]);
        dump += QLatin1Char('\n');
    }
    return dump;
}

} // namespace Korvex
