// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FIELDS_FIELDDEFINITIONS_H
#define CORE_FIELDS_FIELDDEFINITIONS_H

#include "core/fields/messagedefinition.h"
#include "core/filters/messagecatalog.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <array>
#include <memory>
#include <vector>

namespace Korvex {

class FrameRecord;

/// The messages of a definition file, which name the fields of frame payloads: what the
/// filter language, the field columns, the statistics and drfdump decode frames with. It never
/// changes once read and is shared (std::shared_ptr<const FieldDefinitions>) by everything that
/// decodes, on any thread. A frame is the first message, in the file's order, whose channel
/// and payload sizes its header byte fits, whose fields lie inside its payload and whose
/// condition its payload meets; otherwise it is no message.
class FieldDefinitions final : public MessageCatalog
{
public:
    explicit FieldDefinitions(std::vector<MessageDefinition> messages);

    /// Reads a definition file. On any mistake nothing is returned and `errors` receives every
    /// mistake found, in the file's order, as "FILE:LINE:COLUMN: what is wrong".
    static std::shared_ptr<const FieldDefinitions> read(const QString &fileName,
                                                        QStringList *errors);
    /// The same from the file's text; `fileName` only names it in the errors.
    static std::shared_ptr<const FieldDefinitions> parse(const QByteArray &text,
                                                         const QString &fileName,
                                                         QStringList *errors);
    /// The definition file that belongs to a capture: CAPTURE.fields.toml beside it.
    static QString fileBeside(const QString &captureFileName);

    int messageCount() const { return int(m_messages.size()); }
    const std::vector<MessageDefinition> &messages() const { return m_messages; }
    const MessageDefinition &message(int message) const
    {
        return m_messages[std::size_t(message)];
    }
    const FieldDefinition &field(int message, int field) const
    {
        return m_messages[std::size_t(message)].fields[std::size_t(field)];
    }

    /// The message of a decoded DigRF 3G frame, or -1.
    int messageOf(const FrameRecord &record) const;
    /// The words a filter may use for these messages: "message" and every MESSAGE.FIELD.
    QStringList filterWords() const;

    QStringList messageNames() const override;
    int messageIndex(QStringView name) const override;
    QStringList fieldNames(int message) const override;
    int fieldIndex(int message, QStringView name) const override;
    const PayloadField &fieldLayout(int message, int field) const override;
    QStringList valueNames(int message, int field) const override;
    std::vector<quint64> valuesNamed(int message, int field, QStringView name) const override;
    bool mayBe(int message, quint8 header) const override;
    int messageOf(quint8 header, const uchar *payload, int length) const override;

private:
    std::vector<MessageDefinition> m_messages;
    // The messages a header byte allows, in the file's order: m_candidates from
    // m_firstCandidate[header] up to m_firstCandidate[header + 1].
    std::array<quint32, 257> m_firstCandidate{};
    std::vector<int> m_candidates;
};

} // namespace Korvex

#endif // CORE_FIELDS_FIELDDEFINITIONS_H
