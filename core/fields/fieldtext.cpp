// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/fields/fieldtext.h"

#include "core/fields/fielddefinitions.h"

#include <QCoreApplication>

#include <charconv>

namespace Korvex {

namespace FieldText {

QString number(double value)
{
    // The longest shortest form of a double is 24 characters ("-2.2250738585072014e-308").
    char digits[32];
    const std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, value);
    return QString::fromLatin1(digits, result.ptr - digits);
}

QString rawText(const FieldDefinition &field, quint64 raw)
{
    const int length = field.layout.length();
    switch (field.base) {
    case 16:
        return QLatin1String("0x")
               + QString::number(raw, 16).toUpper().rightJustified((length + 3) / 4, u'0');
    case 8:
        return QLatin1String("0o") + QString::number(raw, 8).rightJustified((length + 2) / 3, u'0');
    case 2:
        return QLatin1String("0b") + QString::number(raw, 2).rightJustified(length, u'0');
    default:
        return field.layout.isSigned() ? QString::number(field.layout.signedValue(raw))
                                       : QString::number(raw);
    }
}

QString physicalText(const FieldDefinition &field, quint64 raw)
{
    QString text = number(field.layout.physical(raw));
    if (!field.unit.isEmpty())
        text += QLatin1Char(' ') + field.unit;
    return text;
}

QString cell(const FieldDefinition &field, quint64 raw)
{
    if (const QString *name = field.valueName(raw))
        return *name;
    return field.showsRaw() ? rawText(field, raw) : physicalText(field, raw);
}

QString messageReport(const FieldDefinitions &definitions, int message, const uchar *payload)
{
    if (message < 0)
        return QCoreApplication::translate("FieldText", "Message\tnone of the definitions\n");
    const MessageDefinition &definition = definitions.message(message);
    QString text = QLatin1String("Message\t") + definition.name + QLatin1Char('\n');
    text += QCoreApplication::translate("FieldText", "Field\tRaw value\tPhysical value\tValue name\n");
    for (const FieldDefinition &field : definition.fields) {
        const quint64 raw = field.layout.raw(payload);
        const QString *name = field.valueName(raw);
        text += field.name + QLatin1Char('\t') + rawText(field, raw) + QLatin1Char('\t')
                + physicalText(field, raw) + QLatin1Char('\t') + (name ? *name : QString())
                + QLatin1Char('\n');
    }
    return text;
}

} // namespace FieldText

} // namespace Korvex
