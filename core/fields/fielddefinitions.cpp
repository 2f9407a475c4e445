// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/fields/fielddefinitions.h"

#include "core/fields/definitionreader.h"
#include "core/frames/framerecord.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>

namespace Korvex {

namespace {

// A definition file is a page or two of text; anything far larger is not one.
constexpr qint64 LargestFile = qint64(4) << 20;

} // namespace

FieldDefinitions::FieldDefinitions(std::vector<MessageDefinition> messages)
    : m_messages(std::move(messages))
{
    for (int header = 0; header < 256; ++header) {
        m_firstCandidate[std::size_t(header)] = quint32(m_candidates.size());
        for (std::size_t m = 0; m < m_messages.size(); ++m) {
            if (m_messages[m].allows(quint8(header)))
                m_candidates.push_back(int(m));
        }
    }
    m_firstCandidate[256] = quint32(m_candidates.size());
}

std::shared_ptr<const FieldDefinitions> FieldDefinitions::read(const QString &fileName,
                                                               QStringList *errors)
{
    QFile file(fileName);
    QString problem;
    if (!file.open(QIODevice::ReadOnly))
        problem = file.errorString();
    else if (file.size() > LargestFile)
        problem = QCoreApplication::translate("FieldDefinitions", "larger than 4 MiB");
    const QByteArray text = problem.isEmpty() ? file.readAll() : QByteArray();
    if (problem.isEmpty() && file.error() != QFileDevice::NoError)
        problem = file.errorString();
    if (!problem.isEmpty()) {
        if (errors) {
            *errors = QStringList{
                QCoreApplication::translate("FieldDefinitions", "%1: cannot be read: %2")
                    .arg(fileName, problem)};
        }
        return nullptr;
    }
    return parse(text, fileName, errors);
}

std::shared_ptr<const FieldDefinitions> FieldDefinitions::parse(const QByteArray &text,
                                                                const QString &fileName,
                                                                QStringList *errors)
{
    return DefinitionReader::read(text, fileName, errors);
}

QString FieldDefinitions::fileBeside(const QString &captureFileName)
{
    return captureFileName + QLatin1String(".fields.toml");
}

int FieldDefinitions::messageOf(const FrameRecord &record) const
{
    if (record.protocolVersion() != 0 || !record.isValid() || record.isMissing())
        return -1;
    const quint8 header = quint8(record.payloadSizeCode() << 5 | (record.channelType() & 0x0F) << 1
                                 | (record.ctsBit() & 1));
    const QByteArray payload = record.payload();
    return messageOf(header, reinterpret_cast<const uchar *>(payload.constData()),
                     int(payload.size()));
}

QStringList FieldDefinitions::filterWords() const
{
    QStringList words{QStringLiteral("message")};
    for (const MessageDefinition &message : m_messages) {
        for (const FieldDefinition &field : message.fields)
            words.append(message.name + QLatin1Char('.') + field.name);
    }
    return words;
}

QStringList FieldDefinitions::messageNames() const
{
    QStringList names;
    for (const MessageDefinition &message : m_messages)
        names.append(message.name);
    return names;
}

int FieldDefinitions::messageIndex(QStringView name) const
{
    for (std::size_t m = 0; m < m_messages.size(); ++m) {
        if (m_messages[m].name == name)
            return int(m);
    }
    return -1;
}

QStringList FieldDefinitions::fieldNames(int message) const
{
    QStringList names;
    for (const FieldDefinition &field : this->message(message).fields)
        names.append(field.name);
    return names;
}

int FieldDefinitions::fieldIndex(int message, QStringView name) const
{
    return this->message(message).fieldIndex(name);
}

const PayloadField &FieldDefinitions::fieldLayout(int message, int field) const
{
    return this->field(message, field).layout;
}

QStringList FieldDefinitions::valueNames(int message, int field) const
{
    return this->field(message, field).valueNames();
}

std::vector<quint64> FieldDefinitions::valuesNamed(int message, int field, QStringView name) const
{
    return this->field(message, field).valuesNamed(name);
}

bool FieldDefinitions::mayBe(int message, quint8 header) const
{
    const auto first = m_candidates.begin() + m_firstCandidate[header];
    const auto last = m_candidates.begin() + m_firstCandidate[header + 1];
    return std::find(first, last, message) != last;
}

int FieldDefinitions::messageOf(quint8 header, const uchar *payload, int length) const
{
    // A payload cut short (a frame no longer in its file) holds no message.
    static constexpr int PayloadBytes[8] = {1, 4, 8, 12, 16, 32, 64, 0};
    if (length < PayloadBytes[header >> 5])
        return -1;
    for (quint32 c = m_firstCandidate[header]; c < m_firstCandidate[header + 1]; ++c) {
        const int message = m_candidates[c];
        const FilterExpression &match = m_messages[std::size_t(message)].match;
        if (match.matchesEverything() || match.matches(header, payload, length))
            return message;
    }
    return -1;
}

} // namespace Korvex
