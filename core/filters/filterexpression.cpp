#include "core/filters/filterexpression.h"

#include "core/filters/filterparser.h"
#include "core/filters/framefacts.h"
#include "core/frames/framerecord.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace Korvex {

namespace {

// Payload bits of the size codes; code 7 is not a size a loaded frame can have.
constexpr quint64 SizeBits[8] = {8, 32, 64, 96, 128, 256, 512, 0};

quint64 fieldValue(FilterExpression::Field field, const FrameFacts &facts)
{
    using Field = FilterExpression::Field;
    switch (field) {
    case Field::Channel:
        return (facts.header >> 1) & 0x0F;
    case Field::Size:
        return SizeBits[facts.header >> 5];
    case Field::Code:
        return facts.header >> 5;
    case Field::Cts:
        return facts.header & 1;
    case Field::Frame:
        return quint64(facts.number);
    case Field::Time:
        return FrameRecord::nsOfTicks(facts.ticks);
    case Field::Payload:
        break;
    }
    return 0;
}

} // namespace

FilterExpression::FilterExpression() = default;

FilterExpression FilterExpression::parse(const QString &text, FilterError *error)
{
    return FilterParser(text).parse(error);
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
            error.found = FilterParser::fieldName(node.field);
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

bool FilterExpression::matches(const FrameFacts &facts) const
{
    if (facts.missing)
        return decide(facts.header, facts.number) == Truth::True;
    return m_root < 0 || matches(m_root, facts);
}

bool FilterExpression::matches(int index, const FrameFacts &facts) const
{
    const Node &node = m_nodes[std::size_t(index)];
    switch (node.op) {
    case Op::And:
        return std::all_of(node.children.begin(), node.children.end(),
                           [&](int child) { return matches(child, facts); });
    case Op::Or:
        return std::any_of(node.children.begin(), node.children.end(),
                           [&](int child) { return matches(child, facts); });
    case Op::Not:
        return !matches(node.children.front(), facts);
    case Op::Contains:
        return node.pattern.foundIn(facts.payload.data(), facts.payloadLength);
    default:
        return compare(node, fieldValue(node.field, facts));
    }
}

FilterExpression::Truth FilterExpression::decide(quint8 header, qint64 frame) const
{
    if (m_root < 0)
        return Truth::True;
    FrameFacts facts;
    facts.header = header;
    facts.number = frame;
    return decide(m_root, facts);
}

FilterExpression::Truth FilterExpression::decide(int index, const FrameFacts &facts) const
{
    const Node &node = m_nodes[std::size_t(index)];
    switch (node.op) {
    case Op::And:
    case Op::Or: {
        // Three-valued: a False decides an and, a True decides an or.
        const Truth deciding = node.op == Op::And ? Truth::False : Truth::True;
        Truth answer = node.op == Op::And ? Truth::True : Truth::False;
        for (int child : node.children) {
            const Truth truth = decide(child, facts);
            if (truth == deciding)
                return deciding;
            if (truth == Truth::Unknown)
                answer = Truth::Unknown;
        }
        return answer;
    }
    case Op::Not: {
        const Truth truth = decide(node.children.front(), facts);
        return truth == Truth::Unknown ? truth : truth == Truth::True ? Truth::False : Truth::True;
    }
    default:
        // A payload shorter than the pattern, as its size code tells, cannot hold it.
        if (node.op == Op::Contains && quint64(node.pattern.size()) * 8 > SizeBits[facts.header >> 5])
            return Truth::False;
        if (node.field == Field::Time || node.field == Field::Payload)
            return Truth::Unknown;
        return compare(node, fieldValue(node.field, facts)) ? Truth::True : Truth::False;
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
