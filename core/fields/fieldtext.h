// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FIELDS_FIELDTEXT_H
#define CORE_FIELDS_FIELDTEXT_H

#include <QString>
#include <QtGlobal>

namespace Korvex {

class FieldDefinitions;
struct FieldDefinition;

/// The texts of decoded fields, shared by the field columns, the detail panel, the statistics
/// and drfdump so that all show a field alike.
namespace FieldText {

/// The shortest decimal text that reads back as the same double: "0.25", "-3", "1e+20".
QString number(double value);

/// The raw value in the field's base: decimal (signed when the field is), "0x" and upper-case
/// hex digits for all of the field's bits, "0o" and octal digits, or "0b" and one digit per bit.
QString rawText(const FieldDefinition &field, quint64 raw);
/// The physical value (raw * scale + offset) as number() writes it, then a space and the unit
/// when the field has one.
QString physicalText(const FieldDefinition &field, quint64 raw);
/// What a field shows in a table cell: its value name when it names the raw value; else the
/// raw value in its base when scale is 1, offset 0 and the unit empty; else the physical text.
QString cell(const FieldDefinition &field, quint64 raw);

/// The decoded message of a frame as drfdump prints it after the frame's dump: a line with the
/// message's name, then one line per field with its name, raw value, physical value and value
/// name, cells joined by TAB. `message` -1 gives the line that says no message matched.
QString messageReport(const FieldDefinitions &definitions, int message, const uchar *payload);

} // namespace FieldText

} // namespace Korvex

#endif // CORE_FIELDS_FIELDTEXT_H
