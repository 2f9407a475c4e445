// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FIELDS_MESSAGEDEFINITION_H
#define CORE_FIELDS_MESSAGEDEFINITION_H

#include "core/fields/fielddefinition.h"
#include "core/filters/filterexpression.h"

#include <QString>
#include <QtGlobal>

#include <vector>

namespace Korvex {

/// One message of a definition file: the frames it stands for (a logical channel type, the
/// payload sizes it comes in, a condition on its fields) and its fields in the file's order.
struct MessageDefinition
{
    QString name;
    quint8 channel = 0;
    /// Bit k is set for each payload size code k the message comes in; all of 0 to 6 when the
    /// file names no sizes.
    quint8 sizeCodes = 0x7F;
    std::vector<FieldDefinition> fields;
    /// The condition a frame's fields must meet; the default matches every frame.
    FilterExpression match;

    /// The bit after the last bit any field takes: the payload a frame needs at least.
    int endBit() const;
    /// Whether a frame with this header byte can be the message: channel, size code and the
    /// fields lying inside the payload.
    bool allows(quint8 header) const;
    /// The field of that name, or -1.
    int fieldIndex(QStringView name) const;
};

} // namespace Korvex

#endif // CORE_FIELDS_MESSAGEDEFINITION_H
