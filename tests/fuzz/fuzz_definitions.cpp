// SPDX-License-Identifier: GPL-3.0-or-later
// The definition-file reader over arbitrary bytes: it never crashes; a text gives either
// definitions or mistakes, each at a line and column inside the text, in the text's order;
// definitions decode frames by the first-match rule, and a filter on a message agrees with the
// decoder whether it judges the whole frame or the header byte alone.

#include "fuzzcheck.h"

#include "core/fields/fieldcolumns.h"
#include "core/fields/fielddefinitions.h"
#include "core/fields/fieldtext.h"
#include "core/filters/filterexpression.h"
#include "core/filters/framefacts.h"

#include <QRegularExpression>

#include <cmath>
#include <cstdint>

using namespace Korvex;

namespace {

void checkErrors(const QStringList &errors, const QByteArray &bytes)
{
    static const QRegularExpression place(QStringLiteral("^fuzz\\.toml:(\\d+):(\\d+): \\S"));
    const qsizetype lines = bytes.count('\n') + 1;
    qint64 lastLine = 0;
    qint64 lastColumn = 0;
    for (const QString &error : errors) {
        const QRegularExpressionMatch match = place.match(error);
        FUZZ_CHECK(match.hasMatch(), error + QLatin1Char(' ') + fuzzHex(bytes));
        const qint64 line = match.captured(1).toLongLong();
        const qint64 column = match.captured(2).toLongLong();
        FUZZ_CHECK(line >= 1 && line <= lines && column >= 1, error + QLatin1Char(' ') + fuzzHex(bytes));
        FUZZ_CHECK(line > lastLine || (line == lastLine && column >= lastColumn), errors.join(u'\n'));
        lastLine = line;
        lastColumn = column;
    }
}

// Frames made of the input's own bytes, so that the values in it turn up in payloads.
void checkDecoding(const std::shared_ptr<const FieldDefinitions> &shared, const QByteArray &bytes)
{
    static constexpr int PayloadBytes[8] = {1, 4, 8, 12, 16, 32, 64, 0};
    const FieldDefinitions &definitions = *shared;
    const FieldColumns columns(shared);
    for (qsizetype at = 0; at < qMin<qsizetype>(bytes.size(), 256); at += 16) {
        FrameFacts facts;
        facts.header = quint8(bytes.at(at));
        facts.payloadLength = int(qMin<qsizetype>(bytes.size() - at, PayloadBytes[facts.header >> 5]));
        for (int i = 0; i < facts.payloadLength; ++i)
            facts.payload[std::size_t(i)] = uchar(bytes.at(at + i));
        const uchar *payload = facts.payload.data();
        const int found = definitions.messageOf(facts.header, payload, facts.payloadLength);
        const bool whole = facts.payloadLength == PayloadBytes[facts.header >> 5];
        // No message before the one found, in the file's order, fits the frame.
        const int last = found < 0 ? definitions.messageCount() : found;
        for (int m = 0; m < last; ++m) {
            const MessageDefinition &message = definitions.message(m);
            FUZZ_CHECK(!whole || !message.allows(facts.header)
                           || !message.match.matches(facts.header, payload, facts.payloadLength),
                       fuzzHex(bytes));
        }
        if (found < 0)
            continue;
        const MessageDefinition &message = definitions.message(found);
        FUZZ_CHECK(whole && message.allows(facts.header) && definitions.mayBe(found, facts.header),
                   fuzzHex(bytes));
        FUZZ_CHECK(columns.cell(0, found, payload) == message.name, fuzzHex(bytes));
        for (int k = 1; k < columns.count(); ++k)
            FUZZ_CHECK(!columns.cell(k, found, payload).isEmpty() == (columns.column(k).message == found),
                       fuzzHex(bytes));
        for (const FieldDefinition &field : message.fields) {
            const double value = field.layout.physical(field.layout.raw(payload));
            if (std::isfinite(value))
                FUZZ_CHECK(FieldText::number(value).toDouble() == value, fuzzHex(bytes));
        }
    }
}

// Every message and field name makes a filter that agrees with the decoder.
void checkFilters(const std::shared_ptr<const FieldDefinitions> &definitions, const QByteArray &bytes)
{
    for (int m = 0; m < qMin(definitions->messageCount(), 8); ++m) {
        FilterError error;
        const MessageDefinition &message = definitions->message(m);
        const FilterExpression is = FilterExpression::parse(
            QStringLiteral("message == \"%1\"").arg(message.name), &error, definitions);
        FUZZ_CHECK(!error.isError(), error.message());
        QString fieldText = QStringLiteral("frame >= 0");
        if (!message.fields.empty())
            fieldText = QStringLiteral("%1.%2 >= -0.5").arg(message.name, message.fields.front().name);
        const FilterExpression field = FilterExpression::parse(fieldText, &error, definitions);
        FUZZ_CHECK(!error.isError(), error.message());
        for (qsizetype at = 0; at < qMin<qsizetype>(bytes.size(), 128); at += 16) {
            FrameFacts facts;
            facts.header = quint8(bytes.at(at) ^ 0x20);
            facts.payloadLength = int(qMin<qsizetype>(bytes.size() - at, 64));
            for (int i = 0; i < facts.payloadLength; ++i)
                facts.payload[std::size_t(i)] = uchar(bytes.at(at + i));
            const int found = definitions->messageOf(facts.header, facts.payload.data(),
                                                     facts.payloadLength);
            FUZZ_CHECK(is.matches(facts) == (found == m), fuzzHex(bytes));
            for (const FilterExpression *expression : {&is, &field}) {
                const FilterExpression::Truth truth = expression->decide(facts.header, 0);
                if (truth != FilterExpression::Truth::Unknown)
                    FUZZ_CHECK((truth == FilterExpression::Truth::True) == expression->matches(facts),
                               fuzzHex(bytes));
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList errors;
    const std::shared_ptr<const FieldDefinitions> definitions =
        FieldDefinitions::parse(bytes, QStringLiteral("fuzz.toml"), &errors);
    FUZZ_CHECK(definitions ? errors.isEmpty() : !errors.isEmpty(), fuzzHex(bytes));
    checkErrors(errors, bytes);
    if (!definitions)
        return 0;
    checkDecoding(definitions, bytes);
    checkFilters(definitions, bytes);
    return 0;
}
