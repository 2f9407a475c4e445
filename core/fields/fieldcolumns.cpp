// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/fields/fieldcolumns.h"

#include "core/fields/fielddefinitions.h"
#include "core/fields/fieldtext.h"

#include <QCoreApplication>

namespace Korvex {

FieldColumns::FieldColumns() = default;

FieldColumns::FieldColumns(std::shared_ptr<const FieldDefinitions> definitions)
    : m_definitions(std::move(definitions))
{
    m_columns.push_back(Column());
    for (int m = 0; m < m_definitions->messageCount(); ++m) {
        for (int f = 0; f < int(m_definitions->message(m).fields.size()); ++f)
            m_columns.push_back({m, f});
    }
}

FieldColumns::FieldColumns(std::shared_ptr<const FieldDefinitions> definitions,
                           std::vector<Column> columns)
    : m_definitions(std::move(definitions))
    , m_columns(std::move(columns))
{
}

QString FieldColumns::title(int k) const
{
    const Column &c = column(k);
    if (c.message < 0)
        return QCoreApplication::translate("FieldColumns", "Message");
    return m_definitions->message(c.message).name + QLatin1Char('.')
           + m_definitions->field(c.message, c.field).name;
}

int FieldColumns::messageOf(const FrameRecord &record) const
{
    return m_definitions ? m_definitions->messageOf(record) : -1;
}

QString FieldColumns::cell(int k, int message, const uchar *payload) const
{
    const Column &c = column(k);
    if (message < 0)
        return QString();
    if (c.message < 0)
        return m_definitions->message(message).name;
    if (c.message != message)
        return QString();
    const FieldDefinition &field = m_definitions->field(c.message, c.field);
    return FieldText::cell(field, field.layout.raw(payload));
}

} // namespace Korvex
