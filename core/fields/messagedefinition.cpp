// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/fields/messagedefinition.h"

#include "core/frames/frameheader.h"

namespace Korvex {

int MessageDefinition::endBit() const
{
    int end = 0;
    for (const FieldDefinition &field : fields)
        end = qMax(end, field.layout.end());
    return end;
}

bool MessageDefinition::allows(quint8 header) const
{
    const FrameHeader fields = FrameHeader::fromWord(header);
    return fields.channelType == channel && (sizeCodes >> fields.payloadSizeCode & 1) != 0
           && fields.payloadSizeBits() >= endBit();
}

int MessageDefinition::fieldIndex(QStringView name) const
{
    for (std::size_t f = 0; f < fields.size(); ++f) {
        if (fields[f].name == name)
            return int(f);
    }
    return -1;
}

} // namespace Korvex
