// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/filters/filterexpression.h"

#include "core/filters/filterparser.h"
#include "core/filters/framefacts.h"
#include "core/filters/messagecatalog.h"
#include "core/frames/framerecord.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace Korvex {

namespace {

// Payload bits of the size codes; code 7 is not a size a loaded frame can have.
constexpr quint64 SizeBits[8] = {8, 32, 64, 96, 128, 256, 512, 0};

// The value a message comparison sees for a frame that is no message.
constexpr quint64 NoMessage = ~quint64(0);

} // namespace

struct FilterExpression::Subject
{
    static constexpr int Unidentified = -2;

    quint8 header = 0;
    qint64 number = 0;
    quint64 ticks = 0;
    const uchar *payload = nullptr;
    int length = 0;
    mutable int message = Unidentified;

    quint64 value(Field field) const
    {
        switch (field) {
        case Field::Channel:
            return (header >> 1) & 0x0F;
        case Field::Size:
            return SizeBits[header >> 5];
        case Field::Code:
            return header >> 5;
        case Field::Cts:
            return header & 1;
        case Field::Frame:
            return quint64(number);
        case Field::Time:
            return FrameRecord::nsOfTicks(ticks);
        case Field::Payload:
        case Field::Message:
        case Field::MessageField:
            break;
        }
        return 0;
    }

    // Decoded once per frame, however many comparisons ask.
    int messageIn(const MessageCatalog &messages) const
    {
        if (message == Unidentified)
            message = messages.messageOf(header, payload, length);
        return message;
    }
};

FilterExpression::FilterExpression() = default;

FilterExpression FilterExpression::parse(const QString &text, FilterError *error)
{
    return FilterParser(text).parse(error);
}

FilterExpression FilterExpression::parse(const QString &text, FilterError *error,
                                         std::shared_ptr<const MessageCatalog> messages)
{
    FilterParser parser(text);
    parser.setMessages(messages.get(), -1);
    FilterExpression expression = parser.parse(error);
    if (!expression.matchesEverything())
        expression.m_messages = std::move(messages);
    return expression;
}

FilterExpression FilterExpression::parseCondition(const QString &text, FilterError *error,
                                                  const MessageCatalog &messages, int message)
{
    FilterParser parser(text);
    parser.setMessages(&messages, message);
    return parser.parse(error);
}

FilterExpression FilterExpression::payloadContains(const BytePattern &pattern)
{
    FilterExpression expression;
    Node node;
    node.op = Op::Contains;
    node.field = Field::Payload;
    node.pattern = pattern;
    expression.m_nodes.push_back(node);
    expression.m_root = 0;
    return expression;
}

std::vector<std::pair<int, int>> FilterExpression::payloadMatches(const QByteArray &payload) const
{
    std::vector<std::pair<int, int>> found;
    const auto *bytes = reinterpret_cast<const uchar *>(payload.constData());
    const int length = int(payload.size());
    for (const Node &node : m_nodes) {
        if (node.op != Op::Contains || node.pattern.isEmpty())
            continue;
        for (int at = node.pattern.indexIn(bytes, length); at >= 0;
             at = node.pattern.indexIn(bytes, length, at + 1))
            found.emplace_back(at, node.pattern.size());
    }
    return found;
}

QStringList FilterExpression::keywords()
{
    return FilterParser::keywords();
}

QStringList FilterExpression::channelNames()
{
    return FilterParser::channelNames();
}

FilterError FilterExpression::checkFor(int protocolVersion) const
{
    FilterError error;
    if (protocolVersion == 0)
        return error;
    for (const Node &node : m_nodes) {
        const bool compares = node.op != Op::And && node.op != Op::Or && node.op != Op::Not;
        if (compares && node.field != Field::Frame && node.field != Field::Time
            && (!error.isError() || node.position < error.position)) {
            error.position = node.position;
            error.found = node.word.isEmpty() ? FilterParser::fieldName(node.field) : node.word;
        }
    }
    if (error.isError()) {
        error.expected = QCoreApplication::translate(
            "Framescope", "frame or time (the frames of a DigRF v4 capture are not decoded)");
    }
    return error;
}

bool FilterExpression::uses(Field field) const
{
    return std::any_of(m_nodes.begin(), m_nodes.end(), [field](const Node &node) {
        return node.op != Op::And && node.op != Op::Or && node.op != Op::Not
               && node.field == field;
    });
}

int FilterExpression::requiredPayloadByte(int index) const
{
    const Node &node = m_nodes[std::size_t(index)];
    // Only an and passes on what one of its parts requires.
    if (node.op == Op::And) {
        for (int child : node.children) {
            const int byte = requiredPayloadByte(child);
            if (byte >= 0)
                return byte;
        }
        return -1;
    }
    return node.op == Op::Contains && node.field == Field::Payload ? node.pattern.requiredByte()
                                                                   : -1;
}

bool FilterExpression::matches(const FrameFacts &facts) const
{
    if (m_root < 0)
        return true;
    if (facts.missing)
        return decide(facts.header, facts.number) == Truth::True;
    Subject subject;
    subject.header = facts.header;
    subject.number = facts.number;
    subject.ticks = facts.ticks;
    subject.payload = facts.payload.data();
    subject.length = facts.payloadLength;
    return matches(m_root, subject);
}

bool FilterExpression::matches(quint8 header, const uchar *payload, int length) const
{
    if (m_root < 0)
        return true;
    Subject subject;
    subject.header = header;
    subject.payload = payload;
    subject.length = length;
    return matches(m_root, subject);
}

bool FilterExpression::matches(int index, const Subject &subject) const
{
    const Node &node = m_nodes[std::size_t(index)];
    switch (node.op) {
    case Op::And:
        return std::all_of(node.children.begin(), node.children.end(),
                           [&](int child) { return matches(child, subject); });
    case Op::Or:
        return std::any_of(node.children.begin(), node.children.end(),
                           [&](int child) { return matches(child, subject); });
    case Op::Not:
        return !matches(node.children.front(), subject);
    case Op::Contains:
        return node.pattern.foundIn(subject.payload, subject.length);
    default:
        break;
    }
    if (node.field == Field::MessageField)
        return compareField(node, subject);
    if (node.field == Field::Message) {
        const int message = subject.messageIn(*m_messages);
        return compare(node, message < 0 ? NoMessage : quint64(message));
    }
    return compare(node, subject.value(node.field));
}

bool FilterExpression::compareField(const Node &node, const Subject &subject) const
{
    // A frame that is not the message never matches a comparison of its fields, not even
    // one with !=; the fields of a message's own condition are read from every frame tried.
    if (node.own ? node.layout.end() > subject.length * 8
                 : subject.messageIn(*m_messages) != node.message)
        return false;
    const quint64 raw = node.layout.raw(subject.payload);
    if (node.numbers.empty())
        return compare(node, raw);
    const auto equal = [&](const PayloadField::Number &number) {
        return node.layout.compare(raw, number) == 0;
    };
    switch (node.op) {
    case Op::In:
        return std::any_of(node.numbers.begin(), node.numbers.end(), equal);
    case Op::NotIn:
        return std::none_of(node.numbers.begin(), node.numbers.end(), equal);
    case Op::Less:
        return node.layout.compare(raw, node.numbers.front()) < 0;
    case Op::LessEqual:
        return node.layout.compare(raw, node.numbers.front()) <= 0;
    case Op::Greater:
        return node.layout.compare(raw, node.numbers.front()) > 0;
    case Op::GreaterEqual:
        return node.layout.compare(raw, node.numbers.front()) >= 0;
    default:
        return false;
    }
}

FilterExpression::Truth FilterExpression::decide(quint8 header, qint64 frame) const
{
    if (m_root < 0)
        return Truth::True;
    Subject subject;
    subject.header = header;
    subject.number = frame;
    return decide(m_root, subject);
}

FilterExpression::Truth FilterExpression::decide(int index, const Subject &subject) const
{
    const Node &node = m_nodes[std::size_t(index)];
    switch (node.op) {
    case Op::And:
    case Op::Or: {
        // Three-valued: a False decides an and, a True decides an or.
        const Truth deciding = node.op == Op::And ? Truth::False : Truth::True;
        Truth answer = node.op == Op::And ? Truth::True : Truth::False;
        for (int child : node.children) {
            const Truth truth = decide(child, subject);
            if (truth == deciding)
                return deciding;
            if (truth == Truth::Unknown)
                answer = Truth::Unknown;
        }
        return answer;
    }
    case Op::Not: {
        const Truth truth = decide(node.children.front(), subject);
        return truth == Truth::Unknown ? truth : truth == Truth::True ? Truth::False : Truth::True;
    }
    default:
        // A payload shorter than the pattern, as its size code tells, cannot hold it.
        if (node.op == Op::Contains && quint64(node.pattern.size()) * 8 > SizeBits[subject.header >> 5])
            return Truth::False;
        if (node.field == Field::Time || node.field == Field::Payload)
            return Truth::Unknown;
        if (node.field == Field::Message || (node.field == Field::MessageField && !node.own)) {
            // Frames whose header rules the messages out are decided without their payload.
            const bool possible =
                node.field == Field::MessageField
                    ? m_messages->mayBe(node.message, subject.header)
                    : std::any_of(node.values.begin(), node.values.end(), [&](quint64 message) {
                          return m_messages->mayBe(int(message), subject.header);
                      });
            if (possible)
                return Truth::Unknown;
            return node.field == Field::Message && node.op == Op::NotIn ? Truth::True : Truth::False;
        }
        if (node.field == Field::MessageField)
            return Truth::Unknown;
        return compare(node, subject.value(node.field)) ? Truth::True : Truth::False;
    }
}

bool FilterExpression::compare(const Node &node, quint64 value) const
{
    switch (node.op) {
    case Op::In:
        return std::binary_search(node.values.begin(), node.values.end(), value);
    case Op::NotIn:
        return !std::binary_search(node.values.begin(), node.values.end(), value);
    case Op::Less:
        return value < node.values.front();
    case Op::LessEqual:
        return value <= node.values.front();
    case Op::Greater:
        return value > node.values.front();
    case Op::GreaterEqual:
        return value >= node.values.front();
    default:
        return false;
    }
}

std::vector<qint64> FilterExpression::frameBreaks() const
{
    std::vector<qint64> breaks;
    for (const Node &node : m_nodes) {
        if (node.field != Field::Frame || node.op == Op::And || node.op == Op::Or
            || node.op == Op::Not || node.op == Op::Contains)
            continue;
        // A comparison with v answers alike below v, at v, and above v.
        for (quint64 value : node.values) {
            if (value < quint64(std::numeric_limits<qint64>::max())) {
                breaks.push_back(qint64(value));
                breaks.push_back(qint64(value) + 1);
            }
        }
    }
    std::sort(breaks.begin(), breaks.end());
    breaks.erase(std::unique(breaks.begin(), breaks.end()), breaks.end());
    return breaks;
}

} // namespace Korvex
