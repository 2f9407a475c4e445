// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/fields/definitionreader.h"

#include "core/fields/fielddefinitions.h"
#include "core/frames/frameheader.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <string_view>

// The parser is compiled into this file alone, reporting its errors by value.
#define TOML_HEADER_ONLY 1
#define TOML_EXCEPTIONS 0
#define TOML_ENABLE_FORMATTERS 0
#include <toml++/toml.h>

namespace Korvex {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("DefinitionReader", text);
}

QString fromUtf8View(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString typeName(toml::node_type type)
{
    switch (type) {
    case toml::node_type::string:
        return tr("a string");
    case toml::node_type::integer:
        return tr("an integer");
    case toml::node_type::floating_point:
        return tr("a floating-point number");
    case toml::node_type::boolean:
        return tr("true or false");
    case toml::node_type::array:
        return tr("an array");
    case toml::node_type::table:
        return tr("a table");
    default:
        return tr("a date or time");
    }
}

// The payload sizes a frame can have, in bits: those of size codes 0 to 6.
constexpr int PayloadBits[] = {8, 32, 64, 96, 128, 256, 512};
constexpr int LargestPayloadBits = 512;

// Words of the filter language, which a condition could not tell from a field of that name.
constexpr const char *FilterWords[] = {"and", "or", "not", "in", "contains"};

struct Position
{
    int line = 0;
    int column = 0;
};

Position positionOf(const toml::source_position &position)
{
    return {int(position.line), int(position.column)};
}

struct Mistake
{
    Position at;
    QString text;
};

/// The TOML parser's test for blanks has no answer for some characters past ASCII (it reaches
/// a point its authors took for unreachable: undefined behaviour), and it makes that test
/// between tokens and while it looks ahead over a value. It reads such characters as stand-ins
/// from the Private Use Area, which it judges soundly, one for each; the texts taken from it
/// get the characters back. A character keeps its column, which counts characters.
class StandIns
{
public:
    /// The text with stand-ins, or a null array when the Private Use Area has too few left.
    QByteArray replace(const QByteArray &text);
    QString restore(QString text) const;

private:
    static bool unjudged(char32_t c)
    {
        return (c >= 0xA1 && c <= 0x499) || (c >= 0x2C5E && c <= 0x3057 && c != 0x3000)
               || (c >= 0xFB26 && c <= 0xFEFE);
    }
    // The character of a well-formed sequence of two or three bytes at `at`, and its length;
    // 0 for anything else, which the parser refuses or reads as it is.
    static char32_t decode(const QByteArray &text, qsizetype at, int *length);

    std::map<char32_t, char32_t> m_standIn;
    std::map<char16_t, char16_t> m_original;
};

char32_t StandIns::decode(const QByteArray &text, qsizetype at, int *length)
{
    const auto byte = [&text](qsizetype i) { return i < text.size() ? uchar(text[i]) : 0u; };
    const auto continuation = [&byte](qsizetype i) { return (byte(i) & 0xC0) == 0x80; };
    const uint lead = byte(at);
    if (lead >= 0xC2 && lead <= 0xDF && continuation(at + 1)) {
        *length = 2;
        return char32_t((lead & 0x1F) << 6 | (byte(at + 1) & 0x3F));
    }
    if (lead >= 0xE0 && lead <= 0xEF && continuation(at + 1) && continuation(at + 2)) {
        const char32_t c = char32_t((lead & 0x0F) << 12 | (byte(at + 1) & 0x3F) << 6
                                    | (byte(at + 2) & 0x3F));
        // No overlong forms, no surrogates: the parser refuses those.
        if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {
            *length = 3;
            return c;
        }
    }
    *length = 1;
    return 0;
}

QByteArray StandIns::replace(const QByteArray &text)
{
    constexpr char32_t FirstPrivate = 0xE000;
    constexpr char32_t LastPrivate = 0xF8FF;
    std::vector<bool> taken(LastPrivate - FirstPrivate + 1);
    for (qsizetype at = 0; at < text.size();) {
        int length = 1;
        const char32_t c = decode(text, at, &length);
        if (c >= FirstPrivate && c <= LastPrivate)
            taken[c - FirstPrivate] = true;
        else if (unjudged(c))
            m_standIn.emplace(c, 0);
        at += length;
    }
    if (m_standIn.empty())
        return text;
    char32_t next = FirstPrivate;
    for (auto &[c, standIn] : m_standIn) {
        while (next <= LastPrivate && taken[next - FirstPrivate])
            ++next;
        if (next > LastPrivate)
            return QByteArray();
        standIn = next++;
        m_original.emplace(char16_t(standIn), char16_t(c));
    }
    QByteArray replaced;
    replaced.reserve(text.size() + text.size() / 2);
    for (qsizetype at = 0; at < text.size();) {
        int length = 1;
        const auto found = m_standIn.find(decode(text, at, &length));
        if (found == m_standIn.end()) {
            replaced.append(text.constData() + at, length);
        } else {
            const char32_t standIn = found->second;
            replaced += char(0xE0 | standIn >> 12);
            replaced += char(0x80 | (standIn >> 6 & 0x3F));
            replaced += char(0x80 | (standIn & 0x3F));
        }
        at += length;
    }
    return replaced;
}

QString StandIns::restore(QString text) const
{
    if (m_original.empty())
        return text;
    for (QChar &c : text) {
        const auto found = m_original.find(c.unicode());
        if (found != m_original.end())
            c = QChar(found->second);
    }
    return text;
}

/// One reading of a definition file's text.
class Reader
{
public:
    Reader(const QByteArray &text, const QString &fileName)
        : m_text(text)
        , m_fileName(fileName)
    {
    }

    std::shared_ptr<const FieldDefinitions> read();
    QStringList errors() const;

private:
    struct Field
    {
        FieldDefinition definition;
        Position start;
        Position name;
    };

    void fail(Position at, const QString &text) { m_mistakes.push_back({at, text}); }
    void fail(const toml::source_position &at, const QString &text) { fail(positionOf(at), text); }

    void checkKeys(const toml::table &table, std::initializer_list<std::string_view> keys,
                   const QString &where);
    const toml::node *value(const toml::table &table, std::string_view key,
                            std::initializer_list<toml::node_type> types, bool required,
                            const QString &where);
    std::optional<QString> name(const toml::table &table, const QString &where);
    std::optional<MessageDefinition> message(const toml::table &table, QString *match,
                                             Position *matchAt);
    std::optional<Field> field(const toml::table &table);
    bool channel(const toml::node &node, quint8 *channel);
    bool values(const toml::table &table, FieldDefinition &field);
    std::optional<double> number(const toml::table &table, std::string_view key, double fallback,
                                 const QString &where);
    bool plainText(const toml::node &node, const QString &text, const QString &what);
    QString qt(std::string_view text) const { return m_standIns.restore(fromUtf8View(text)); }
    Position insideString(const toml::source_position &quote, qsizetype index) const;

    QByteArray m_text;
    QString m_fileName;
    StandIns m_standIns;
    std::vector<Mistake> m_mistakes;
};

bool isName(const QString &name)
{
    if (name.isEmpty() || !(name.front().isLetter() || name.front() == u'_'))
        return false;
    return std::all_of(name.begin(), name.end(),
                       [](QChar c) { return c.isLetter() || c.isDigit() || c == u'_'; });
}

QStringList errorsOf(const std::vector<Mistake> &mistakes, const QString &fileName)
{
    std::vector<Mistake> sorted = mistakes;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Mistake &a, const Mistake &b) {
        return a.at.line != b.at.line ? a.at.line < b.at.line : a.at.column < b.at.column;
    });
    QStringList errors;
    for (const Mistake &mistake : sorted) {
        errors.append(QStringLiteral("%1:%2:%3: %4")
                          .arg(fileName)
                          .arg(mistake.at.line)
                          .arg(mistake.at.column)
                          .arg(mistake.text));
    }
    return errors;
}

QStringList Reader::errors() const
{
    return errorsOf(m_mistakes, m_fileName);
}

std::shared_ptr<const FieldDefinitions> Reader::read()
{
    const QByteArray parsedText = m_standIns.replace(m_text);
    if (parsedText.isNull()) {
        fail(Position{1, 1}, tr("too many different characters past ASCII"));
        return nullptr;
    }
    toml::parse_result parsed =
        toml::parse(std::string_view(parsedText.constData(), std::size_t(parsedText.size())));
    if (!parsed) {
        fail(parsed.error().source().begin, qt(parsed.error().description()));
        return nullptr;
    }
    const toml::table &root = parsed.table();
    checkKeys(root, {"format", "message"}, tr("the file"));
    if (const toml::node *format = value(root, "format", {toml::node_type::integer}, true,
                                         tr("the file"))) {
        if (format->as_integer()->get() != 1)
            fail(format->source().begin, tr("'format' must be 1, the only format there is"));
    }

    std::vector<MessageDefinition> messages;
    std::vector<QString> matches;
    std::vector<Position> matchPositions;
    std::map<QString, int> names;
    if (const toml::node *list = value(root, "message", {toml::node_type::array}, false,
                                       tr("the file"))) {
        for (const toml::node &element : *list->as_array()) {
            if (!element.is_table()) {
                fail(element.source().begin,
                     tr("a message must be a table, not %1").arg(typeName(element.type())));
                continue;
            }
            QString match;
            Position matchAt;
            std::optional<MessageDefinition> message = this->message(*element.as_table(), &match,
                                                                    &matchAt);
            if (!message)
                continue;
            const int line = int(element.source().begin.line);
            if (const auto first = names.find(message->name); first != names.end()) {
                fail(element.source().begin, tr("a second message named '%1' (the first is on "
                                                "line %2)")
                                                 .arg(message->name)
                                                 .arg(first->second));
            } else {
                names.emplace(message->name, line);
            }
            messages.push_back(std::move(*message));
            matches.push_back(match);
            matchPositions.push_back(matchAt);
        }
    }
    if (!m_mistakes.empty())
        return nullptr;

    // The conditions name their message's fields, so they are read once every message is.
    const FieldDefinitions catalog(messages);
    for (std::size_t m = 0; m < messages.size(); ++m) {
        if (matches[m].isNull())
            continue;
        FilterError error;
        messages[m].match = FilterExpression::parseCondition(matches[m], &error, catalog, int(m));
        if (error.isError()) {
            const QString found = error.found.isEmpty() ? tr("the end of the condition")
                                                        : QStringLiteral("'%1'").arg(error.found);
            const toml::source_position quote{toml::source_index(matchPositions[m].line),
                                              toml::source_index(matchPositions[m].column)};
            fail(insideString(quote, error.position),
                 tr("match: expected %1, found %2").arg(error.expected, found));
        }
    }
    if (!m_mistakes.empty())
        return nullptr;
    return std::make_shared<const FieldDefinitions>(std::move(messages));
}

void Reader::checkKeys(const toml::table &table, std::initializer_list<std::string_view> keys,
                       const QString &where)
{
    QStringList known;
    for (std::string_view key : keys)
        known.append(qt(key));
    for (const auto &[key, node] : table) {
        if (std::find(keys.begin(), keys.end(), key.str()) == keys.end()) {
            fail(key.source().begin, tr("unknown key '%1' in %2 (it takes %3)")
                                         .arg(qt(key.str()), where,
                                              known.join(QLatin1String(", "))));
        }
    }
}

const toml::node *Reader::value(const toml::table &table, std::string_view key,
                                std::initializer_list<toml::node_type> types, bool required,
                                const QString &where)
{
    const toml::node *node = table.get(key);
    if (!node) {
        // The root table has no place of its own: its mistakes are at the file's start.
        if (required)
            fail(table.source().begin.line > 0 ? positionOf(table.source().begin) : Position{1, 1},
                 tr("%1 needs '%2'").arg(where, qt(key)));
        return nullptr;
    }
    if (std::find(types.begin(), types.end(), node->type()) == types.end()) {
        QStringList wanted;
        for (toml::node_type type : types)
            wanted.append(typeName(type));
        fail(node->source().begin, tr("'%1' must be %2, not %3")
                                       .arg(qt(key), wanted.join(tr(" or ")),
                                            typeName(node->type())));
        return nullptr;
    }
    return node;
}

std::optional<QString> Reader::name(const toml::table &table, const QString &where)
{
    const toml::node *node = value(table, "name", {toml::node_type::string}, true, where);
    if (!node)
        return std::nullopt;
    const QString text = qt(node->as_string()->get());
    if (!isName(text)) {
        fail(node->source().begin, tr("'%1' is not a name: letters, digits and _, not starting "
                                      "with a digit")
                                       .arg(text));
        return std::nullopt;
    }
    for (const char *word : FilterWords) {
        if (text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0) {
            fail(node->source().begin,
                 tr("'%1' is a word of the filter language and cannot be a name").arg(text));
            return std::nullopt;
        }
    }
    return text;
}

std::optional<MessageDefinition> Reader::message(const toml::table &table, QString *match,
                                                 Position *matchAt)
{
    const QString where = tr("a message");
    const std::size_t before = m_mistakes.size();
    checkKeys(table, {"name", "channel", "payload_bits", "match", "field"}, where);
    MessageDefinition message;
    message.name = name(table, where).value_or(QString());
    if (const toml::node *node = value(table, "channel",
                                       {toml::node_type::string, toml::node_type::integer}, true,
                                       where))
        channel(*node, &message.channel);

    if (const toml::node *node = value(table, "payload_bits", {toml::node_type::array}, false,
                                       where)) {
        message.sizeCodes = 0;
        for (const toml::node &size : *node->as_array()) {
            const auto bits = size.value<std::int64_t>();
            const auto code = std::find(std::begin(PayloadBits), std::end(PayloadBits),
                                        bits.value_or(-1));
            if (!size.is_integer() || code == std::end(PayloadBits)) {
                fail(size.source().begin, tr("a payload size is 8, 32, 64, 96, 128, 256 or 512 "
                                             "bits"));
                continue;
            }
            message.sizeCodes |= quint8(1 << (code - std::begin(PayloadBits)));
        }
        if (node->as_array()->empty())
            fail(node->source().begin, tr("'payload_bits' names no payload size"));
    }

    if (const toml::node *node = value(table, "match", {toml::node_type::string}, false, where)) {
        *match = qt(node->as_string()->get());
        *matchAt = positionOf(node->source().begin);
    }

    std::vector<Field> fields;
    if (const toml::node *list = value(table, "field", {toml::node_type::array}, false, where)) {
        for (const toml::node &element : *list->as_array()) {
            if (!element.is_table()) {
                fail(element.source().begin,
                     tr("a field must be a table, not %1").arg(typeName(element.type())));
                continue;
            }
            if (std::optional<Field> field = this->field(*element.as_table()))
                fields.push_back(std::move(*field));
        }
    }

    // Field names are unique within the message; every field lies inside a payload size the
    // message comes in.
    int largest = 0;
    for (std::size_t code = 0; code < std::size(PayloadBits); ++code) {
        if (message.sizeCodes >> code & 1)
            largest = PayloadBits[code];
    }
    for (std::size_t f = 0; f < fields.size(); ++f) {
        const Field &field = fields[f];
        const auto first = std::find_if(fields.begin(), fields.begin() + qsizetype(f),
                                        [&field](const Field &other) {
                                            return other.definition.name == field.definition.name;
                                        });
        if (first != fields.begin() + qsizetype(f)) {
            fail(field.name, tr("a second field named '%1' in message '%2' (the first is on line "
                                "%3)")
                                 .arg(field.definition.name, message.name)
                                 .arg(first->name.line));
        }
        if (field.definition.layout.end() > largest && message.sizeCodes != 0x7F) {
            fail(field.start, tr("field '%1' ends at bit %2, past the largest payload of this "
                                 "message (%3 bits)")
                                  .arg(field.definition.name)
                                  .arg(field.definition.layout.end() - 1)
                                  .arg(largest));
        }
        message.fields.push_back(field.definition);
    }
    if (m_mistakes.size() != before)
        return std::nullopt;
    return message;
}

bool Reader::channel(const toml::node &node, quint8 *channel)
{
    if (const auto number = node.value_exact<std::int64_t>()) {
        if (*number < 0 || *number > 15) {
            fail(node.source().begin, tr("channel %1 is none of 0 to 15").arg(*number));
            return false;
        }
        *channel = quint8(*number);
        return true;
    }
    const QString name = qt(node.as_string()->get());
    const std::vector<quint8> types = FrameHeader::channelTypesNamed(name);
    if (types.size() > 1) {
        fail(node.source().begin, tr("'%1' stands for channels %2 to %3: give one of those "
                                     "numbers")
                                      .arg(name)
                                      .arg(types.front())
                                      .arg(types.back()));
        return false;
    }
    if (types.empty()) {
        // The names a message may take: those of one channel type each.
        QStringList names = FilterExpression::channelNames();
        names.removeIf([](const QString &name) {
            return FrameHeader::channelTypesNamed(name).size() != 1;
        });
        fail(node.source().begin, tr("unknown channel '%1': a channel is a number from 0 to 15 "
                                     "or one of \"%2\"")
                                      .arg(name, names.join(QLatin1String("\", \""))));
        return false;
    }
    *channel = types.front();
    return true;
}

std::optional<Reader::Field> Reader::field(const toml::table &table)
{
    const QString where = tr("a field");
    const std::size_t before = m_mistakes.size();
    checkKeys(table, {"name", "start", "length", "signed", "byte_order", "scale", "offset", "unit",
                      "base", "values"},
              where);
    Field field;
    FieldDefinition &definition = field.definition;
    definition.name = name(table, where).value_or(QString());
    if (const toml::node *node = table.get("name"))
        field.name = positionOf(node->source().begin);

    std::int64_t start = 0;
    std::int64_t length = 1;
    const toml::node *startNode = value(table, "start", {toml::node_type::integer}, true, where);
    const toml::node *lengthNode = value(table, "length", {toml::node_type::integer}, true, where);
    if (startNode) {
        start = startNode->as_integer()->get();
        field.start = positionOf(startNode->source().begin);
        if (start < 0)
            fail(field.start, tr("start %1 lies before the payload's first bit, 0").arg(start));
    }
    if (lengthNode) {
        length = lengthNode->as_integer()->get();
        if (length < 1 || length > 64) {
            fail(lengthNode->source().begin,
                 tr("length %1: a field is 1 to 64 bits long").arg(length));
        }
    }
    if (startNode && lengthNode && start >= 0 && length >= 1 && length <= 64
        && start + length > LargestPayloadBits) {
        fail(field.start, tr("field '%1' ends at bit %2, past the largest payload (512 bits)")
                              .arg(definition.name)
                              .arg(start + length - 1));
    }

    bool isSigned = false;
    if (const toml::node *node = value(table, "signed", {toml::node_type::boolean}, false, where))
        isSigned = node->as_boolean()->get();
    bool little = false;
    if (const toml::node *node = value(table, "byte_order", {toml::node_type::string}, false,
                                       where)) {
        const std::string_view order = node->as_string()->get();
        little = order == "little";
        if (!little && order != "big") {
            fail(node->source().begin,
                 tr("byte order '%1' is neither \"big\" nor \"little\"").arg(qt(order)));
        } else if (little && (start % 8 != 0 || length % 8 != 0)) {
            fail(node->source().begin, tr("\"little\" needs a field of whole bytes: start and "
                                          "length multiples of 8"));
        }
    }
    const std::optional<double> scale = number(table, "scale", 1, where);
    const std::optional<double> offset = number(table, "offset", 0, where);
    if (const toml::node *node = value(table, "unit", {toml::node_type::string}, false, where)) {
        definition.unit = qt(node->as_string()->get());
        plainText(*node, definition.unit, tr("a unit"));
    }
    if (const toml::node *node = value(table, "base", {toml::node_type::integer}, false, where)) {
        definition.base = int(std::clamp<std::int64_t>(node->as_integer()->get(), 0, 99));
        if (definition.base != 2 && definition.base != 8 && definition.base != 10
            && definition.base != 16) {
            fail(node->source().begin, tr("base %1 is none of 2, 8, 10 or 16")
                                           .arg(node->as_integer()->get()));
        }
    }
    definition.layout = PayloadField(int(std::clamp<std::int64_t>(start, 0, LargestPayloadBits)),
                                     int(std::clamp<std::int64_t>(length, 1, 64)), isSigned, little,
                                     scale.value_or(1), offset.value_or(0));
    if (const toml::node *node = value(table, "values", {toml::node_type::table}, false, where)) {
        if (m_mistakes.size() == before)
            values(*node->as_table(), definition);
    }
    if (m_mistakes.size() != before)
        return std::nullopt;
    return field;
}

std::optional<double> Reader::number(const toml::table &table, std::string_view key,
                                     double fallback, const QString &where)
{
    const toml::node *node = value(table, key, {toml::node_type::floating_point,
                                                toml::node_type::integer},
                                   false, where);
    if (!node)
        return table.get(key) ? std::nullopt : std::optional<double>(fallback);
    const double number = node->value<double>().value_or(0);
    if (!std::isfinite(number)) {
        fail(node->source().begin, tr("'%1' must be a finite number").arg(qt(key)));
        return std::nullopt;
    }
    return number;
}

bool Reader::values(const toml::table &table, FieldDefinition &field)
{
    const PayloadField &layout = field.layout;
    // The numbers a key may be: the field's raw values, or with a sign its signed values.
    const qint64 lowest =
        layout.isSigned() ? layout.signedValue(quint64(1) << (layout.length() - 1)) : 0;
    const quint64 highest = layout.isSigned() ? layout.mask() >> 1 : layout.mask();
    std::map<quint64, int> lines;
    bool good = true;
    // In the file's order, so that the second of two keys for one value is the one reported.
    std::vector<std::pair<const toml::key *, const toml::node *>> entries;
    for (const auto &[key, node] : table)
        entries.emplace_back(&key, &node);
    std::sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) {
        const toml::source_position &p = a.first->source().begin;
        const toml::source_position &q = b.first->source().begin;
        return p.line != q.line ? p.line < q.line : p.column < q.column;
    });
    for (const auto &[keyOf, nodeOf] : entries) {
        const toml::key &key = *keyOf;
        const toml::node &node = *nodeOf;
        const QString text = qt(key.str());
        const bool negative = text.startsWith(u'-');
        const QStringView digits = QStringView(text).mid(negative ? 1 : 0);
        const bool hex = digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
        bool ok = !digits.isEmpty() && digits.front().isDigit();
        const quint64 magnitude = ok ? digits.mid(hex ? 2 : 0).toULongLong(&ok, hex ? 16 : 10) : 0;
        if (!ok) {
            fail(key.source().begin, tr("'%1' is not a value: a whole number, decimal or 0x hex")
                                         .arg(text));
            good = false;
            continue;
        }
        const bool fits = negative ? layout.isSigned() && magnitude <= 0 - quint64(lowest)
                                   : magnitude <= highest;
        if (!fits) {
            fail(key.source().begin, tr("value %1 does not fit the field's %2 bits (%3 to %4)")
                                         .arg(text)
                                         .arg(layout.length())
                                         .arg(lowest)
                                         .arg(highest));
            good = false;
            continue;
        }
        const quint64 raw = (negative ? 0 - magnitude : magnitude) & layout.mask();
        if (!node.is_string()) {
            fail(node.source().begin,
                 tr("a value name must be a string, not %1").arg(typeName(node.type())));
            good = false;
            continue;
        }
        const QString name = qt(node.as_string()->get());
        if (name.isEmpty()) {
            fail(node.source().begin, tr("a value name cannot be empty"));
            good = false;
        }
        good = plainText(node, name, tr("a value name")) && good;
        if (const auto first = lines.find(raw); first != lines.end()) {
            fail(key.source().begin, tr("value %1 is named twice (first on line %2)")
                                         .arg(text)
                                         .arg(first->second));
            good = false;
            continue;
        }
        lines.emplace(raw, int(key.source().begin.line));
        field.values.emplace_back(raw, name);
    }
    std::sort(field.values.begin(), field.values.end());
    return good;
}

bool Reader::plainText(const toml::node &node, const QString &text, const QString &what)
{
    // Cells are written as tab-separated lines: no line breaks or tabs inside them.
    const bool control = std::any_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() < 0x20 || c.unicode() == 0x7F;
    });
    if (control)
        fail(node.source().begin, tr("%1 cannot hold control characters").arg(what));
    return !control;
}

Position Reader::insideString(const toml::source_position &quote, qsizetype index) const
{
    const QByteArray &t = m_text;
    const qsizetype size = t.size();
    // The quote's byte: its line's start, then its column in characters.
    qsizetype at = 0;
    for (int line = 1; line < int(quote.line) && at < size; ++at) {
        if (t[at] == '\n')
            ++line;
    }
    const auto isContinuation = [&t](qsizetype i) { return (uchar(t[i]) & 0xC0) == 0x80; };
    for (int column = 1; column < int(quote.column) && at < size; ++column) {
        ++at;
        while (at < size && isContinuation(at))
            ++at;
    }
    Position position{int(quote.line), int(quote.column)};
    if (at >= size)
        return position;
    const char delimiter = t[at];
    const bool basic = delimiter == '"';
    const QByteArray triple(3, delimiter);
    const bool multiLine = t.mid(at, 3) == triple;
    const auto newLine = [&](qsizetype bytes) {
        at += bytes;
        ++position.line;
        position.column = 1;
    };
    const auto step = [&](qsizetype bytes, int columns) {
        at += bytes;
        position.column += columns;
    };
    step(multiLine ? 3 : 1, multiLine ? 3 : 1);
    // A line break right after the opening delimiter is not part of the text.
    if (multiLine && t.mid(at, 2) == "\r\n")
        newLine(2);
    else if (multiLine && at < size && t[at] == '\n')
        newLine(1);
    for (qsizetype decoded = 0; decoded < index && at < size;) {
        const char c = t[at];
        if (c == delimiter && (!multiLine || t.mid(at, 3) == triple))
            break;
        if (basic && c == '\\' && at + 1 < size) {
            const char escaped = t[at + 1];
            if (escaped == 'u' || escaped == 'U') {
                const int digits = escaped == 'u' ? 4 : 8;
                const uint code = t.mid(at + 2, digits).toUInt(nullptr, 16);
                decoded += code >= 0x10000 ? 2 : 1;
                step(2 + digits, 2 + digits);
            } else if (multiLine && (escaped == ' ' || escaped == '\t' || escaped == '\r'
                                     || escaped == '\n')) {
                // A backslash at a line's end drops the line break and the blanks after it.
                step(1, 1);
                while (at < size && (t[at] == ' ' || t[at] == '\t' || t[at] == '\r' || t[at] == '\n')) {
                    if (t[at] == '\n')
                        newLine(1);
                    else
                        step(1, 1);
                }
            } else {
                decoded += 1;
                step(2, 2);
            }
        } else if (c == '\n' || (c == '\r' && at + 1 < size && t[at + 1] == '\n')) {
            decoded += 1;
            newLine(c == '\n' ? 1 : 2);
        } else {
            const uchar lead = uchar(c);
            const int bytes = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            decoded += bytes == 4 ? 2 : 1;
            step(bytes, 1);
        }
    }
    return position;
}

} // namespace

std::shared_ptr<const FieldDefinitions> DefinitionReader::read(const QByteArray &text,
                                                               const QString &fileName,
                                                               QStringList *errors)
{
    Reader reader(text, fileName);
    std::shared_ptr<const FieldDefinitions> definitions = reader.read();
    if (errors)
        *errors = definitions ? QStringList() : reader.errors();
    return definitions;
}

} // namespace Korvex
