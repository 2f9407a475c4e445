// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FRAMES_FRAMEHEADER_H
#define CORE_FRAMES_FRAMEHEADER_H

#include <QString>
#include <QtGlobal>

#include <vector>

namespace Korvex {

/// The three fields of a DigRF 3G frame header, as carried in one 32-bit header word.
struct FrameHeader
{
    quint8 payloadSizeCode = 0;
    quint8 channelType = 0;
    quint8 ctsBit = 0;

    /// Bit 0 CTS, bits 1-4 channel type, bits 5-12 payload size code; the rest is ignored.
    static FrameHeader fromWord(quint32 word);
    /// Built from the stored fields without masking, as the capture format writes it.
    quint32 toWord() const;

    int payloadSizeBits() const;
    QString payloadSizeText() const;
    QString channelTypeName() const;
    /// The channel types a name stands for, in any case: one, or 12 to 15 for "Reserved for
    /// future use"; none for a name that is no channel's.
    static std::vector<quint8> channelTypesNamed(const QString &name);
};

} // namespace Korvex

#endif // CORE_FRAMES_FRAMEHEADER_H
