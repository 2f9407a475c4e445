// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/fields/fielddefinition.h"

#include <algorithm>

namespace Korvex {

int FieldDefinition::valueIndex(quint64 raw) const
{
    const auto found = std::lower_bound(values.begin(), values.end(), raw,
                                        [](const auto &entry, quint64 v) { return entry.first < v; });
    return found != values.end() && found->first == raw ? int(found - values.begin()) : -1;
}

const QString *FieldDefinition::valueName(quint64 raw) const
{
    const int index = valueIndex(raw);
    return index >= 0 ? &values[std::size_t(index)].second : nullptr;
}

std::vector<quint64> FieldDefinition::valuesNamed(QStringView name) const
{
    std::vector<quint64> raws;
    for (const auto &[raw, text] : values) {
        if (text == name)
            raws.push_back(raw);
    }
    return raws;
}

QStringList FieldDefinition::valueNames() const
{
    QStringList names;
    for (const auto &entry : values) {
        if (!names.contains(entry.second))
            names.append(entry.second);
    }
    return names;
}

} // namespace Korvex
