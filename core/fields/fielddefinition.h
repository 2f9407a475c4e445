// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FIELDS_FIELDDEFINITION_H
#define CORE_FIELDS_FIELDDEFINITION_H

#include "core/frames/payloadfield.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <utility>
#include <vector>

namespace Korvex {

/// One named field of a message, as a definition file gives it: its bits, how its raw value
/// is shown (base, unit, value names) and what its physical value is (the layout's scale and
/// offset).
struct FieldDefinition
{
    QString name;
    PayloadField layout;
    /// 2, 8, 10 or 16: how a raw value without scale, offset, unit or name is shown.
    int base = 10;
    QString unit;
    /// Names of raw values (the field's bits, so a signed -1 of 4 bits is 15), sorted by value.
    std::vector<std::pair<quint64, QString>> values;

    /// The entry of `values` that names the raw value, or -1.
    int valueIndex(quint64 raw) const;
    /// The name the raw value has, or nullptr.
    const QString *valueName(quint64 raw) const;
    /// The raw values named `name`.
    std::vector<quint64> valuesNamed(QStringView name) const;
    /// Every value name once, in order of the first value that has it.
    QStringList valueNames() const;
    /// Whether a raw value without a name is shown as it is, in the base: scale 1, offset 0
    /// and no unit. Otherwise the physical value is shown.
    bool showsRaw() const { return layout.isIdentity() && unit.isEmpty(); }
};

} // namespace Korvex

#endif // CORE_FIELDS_FIELDDEFINITION_H
