// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FIELDS_FIELDCOLUMNS_H
#define CORE_FIELDS_FIELDCOLUMNS_H

#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

namespace Korvex {

class FieldDefinitions;
class FrameRecord;

/// Columns of decoded fields that follow the frame table's own: a "Message" column and fields
/// titled MESSAGE.FIELD. A frame's cell in a field's column is empty unless the frame is that
/// field's message. The table, printing, copying, export and drfdump all take their texts from
/// here. Copies share the definitions; reading them from several threads at once is safe.
class FieldColumns
{
public:
    /// A column: a message's field, or the Message column (message and field -1).
    struct Column
    {
        int message = -1;
        int field = -1;
    };

    /// No columns.
    FieldColumns();
    /// The Message column, then every field of every message in the file's order.
    explicit FieldColumns(std::shared_ptr<const FieldDefinitions> definitions);
    /// The columns chosen, in this order.
    FieldColumns(std::shared_ptr<const FieldDefinitions> definitions, std::vector<Column> columns);

    int count() const { return int(m_columns.size()); }
    const Column &column(int k) const { return m_columns[std::size_t(k)]; }
    const std::shared_ptr<const FieldDefinitions> &definitions() const { return m_definitions; }

    /// "Message" or MESSAGE.FIELD.
    QString title(int k) const;
    /// The message a frame is, decoded once per row for all its cells; -1 for none.
    int messageOf(const FrameRecord &record) const;
    /// Column k's text for a frame that is `message` (-1 for none), whose payload in dump
    /// order is `payload`.
    QString cell(int k, int message, const uchar *payload) const;

private:
    std::shared_ptr<const FieldDefinitions> m_definitions;
    std::vector<Column> m_columns;
};

} // namespace Korvex

#endif // CORE_FIELDS_FIELDCOLUMNS_H
