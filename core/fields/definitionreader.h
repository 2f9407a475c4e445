// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FIELDS_DEFINITIONREADER_H
#define CORE_FIELDS_DEFINITIONREADER_H

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

namespace Korvex {

class FieldDefinitions;

/// Reads the TOML text of a definition file into field definitions, checking every key, type,
/// range and name on the way. It reports each mistake with its line and column (counted in
/// characters from 1), a mistake in a message's `match` at its place inside the file; a text
/// with any mistake gives no definitions at all.
class DefinitionReader
{
public:
    /// The definitions, or nullptr with the mistakes as "FILE:LINE:COLUMN: what is wrong" in
    /// the file's order.
    static std::shared_ptr<const FieldDefinitions> read(const QByteArray &text,
                                                        const QString &fileName,
                                                        QStringList *errors);
};

} // namespace Korvex

#endif // CORE_FIELDS_DEFINITIONREADER_H
