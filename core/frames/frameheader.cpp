// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/frames/frameheader.h"

#include <QStringList>

namespace Korvex {

FrameHeader FrameHeader::fromWord(quint32 word)
{
    FrameHeader header;
    header.payloadSizeCode = quint8(word >> 5);
    header.channelType = quint8((word >> 1) & 0x0F);
    header.ctsBit = quint8(word & 0x01);
    return header;
}

quint32 FrameHeader::toWord() const
{
    return ((quint32(payloadSizeCode) * 16 | channelType) * 2) | ctsBit;
}

int FrameHeader::payloadSizeBits() const
{
    static const int bits[] = {8, 32, 64, 96, 128, 256, 512, 0};
    return payloadSizeCode < 8 ? bits[payloadSizeCode] : -1;
}

QString FrameHeader::payloadSizeText() const
{
    const int bits = payloadSizeBits();
    if (bits == -1)
        return QStringLiteral("Profile Defined bit");
    return QStringLiteral("%1 bit").arg(bits);
}

QString FrameHeader::channelTypeName() const
{
    static const QStringList names = {
        QStringLiteral("Interface Control"),
        QStringLiteral("Time Accurate Strobe Message"),
        QStringLiteral("RF IC Control"),
        QStringLiteral("Reserved"),
        QStringLiteral("Data Channel A"),
        QStringLiteral("Data Channel B"),
        QStringLiteral("Data Channel C"),
        QStringLiteral("Data Channel D"),
        QStringLiteral("Data Channel E"),
        QStringLiteral("Data Channel F"),
        QStringLiteral("Data Channel G"),
        QStringLiteral("Data Channel H"),
    };
    if (channelType < names.size())
        return names.at(channelType);
    return QStringLiteral("Reserved for future use");
}

std::vector<quint8> FrameHeader::channelTypesNamed(const QString &name)
{
    std::vector<quint8> types;
    for (quint8 type = 0; type < 16; ++type) {
        FrameHeader header;
        header.channelType = type;
        if (header.channelTypeName().compare(name, Qt::CaseInsensitive) == 0)
            types.push_back(type);
    }
    return types;
}

} // namespace Korvex
