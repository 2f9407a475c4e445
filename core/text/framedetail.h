// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_TEXT_FRAMEDETAIL_H
#define CORE_TEXT_FRAMEDETAIL_H

#include "core/text/timetext.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace Korvex {

class FrameRecord;

/// The texts of the detail panel for one frame: header fields, their labels, the status text
/// and the payload dump. The viewer and drfdump both print through it.
class FrameDetail
{
public:
    /// Byte order of the payload dump within one column group.
    enum ByteOrder { BigEndian = 0, LittleEndian = 1 };

    /// A header field: "0x" before base 16 digits (lower case), zero-padded to binaryWidth
    /// in base 2 only.
    static QString headerField(uint value, int base, int binaryWidth);

    static QString payloadSizeField(const FrameRecord &record, int base);
    static QString channelTypeField(const FrameRecord &record, int base);
    static QString ctsField(const FrameRecord &record, int base);

    static QString payloadSizeLabel(const FrameRecord &record);
    static QString channelTypeLabel(const FrameRecord &record);
    static QString statusText(const FrameRecord &record);
    /// The frame's time since the first frame in nanoseconds and in a unit to read it by,
    /// "Time since first frame 1234567 ns (1.234 567 ms)", followed in another time mode by what
    /// the time column shows (`shownNs`, nothing for an empty cell): "...; Δ to previous frame
    /// 312 ns", "...; since frame 4 -2000 ns (-2 µs)", "...; Δ to previous frame: none".
    /// "Time missing" for a frame no longer in the file.
    static QString timeText(const FrameRecord &record, TimeMode mode = TimeMode::SinceFirst,
                            qint64 reference = -1, std::optional<qint64> shownNs = std::nullopt);

    /// The hex dump: address, the column groups, three spaces and the ASCII part on every line,
    /// each line ended by a line feed; an empty payload gives an empty text.
    static QString payloadDump(const QByteArray &payload, int bytesPerColumn, int columns,
                               int byteOrder);

    /// Where one payload byte stands in the dump: its line, and the columns of its two hex
    /// digits and of its ASCII character in that line.
    struct DumpPlace
    {
        int line = 0;
        int hexColumn = 0;
        int asciiColumn = 0;
    };
    static DumpPlace dumpPlace(int byte, int bytesPerColumn, int columns, int byteOrder);

    /// Where the ASCII part of every dump line starts, for a layout and an address of
    /// addressDigits digits (four below 64 KiB): after the address, ": ", each column group
    /// with its space, and two more spaces. Blanks in a group or in the ASCII text do not move it.
    static int asciiColumn(int bytesPerColumn, int columns, int addressDigits = 4);
};

} // namespace Korvex

#endif // CORE_TEXT_FRAMEDETAIL_H
