// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILTERS_FILTEREXPRESSION_H
#define CORE_FILTERS_FILTEREXPRESSION_H

#include "core/filters/bytepattern.h"
#include "core/filters/filtererror.h"
#include "core/frames/payloadfield.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>
#include <utility>
#include <vector>

namespace Korvex {

struct FrameFacts;
class MessageCatalog;

/// A parsed filter: comparisons of a frame's fields (channel, size, code, cts, frame, time),
/// payload patterns and, given field definitions, the message a payload holds and its fields,
/// joined by and, or and not. The viewer's display filter, its Find and
/// drfdump all parse and evaluate through it, so they agree on every frame. An expression
/// made with the default constructor matches every frame.
class FilterExpression
{
public:
    enum class Field : quint8 { Channel, Size, Code, Cts, Frame, Time, Payload, Message, MessageField };
    /// The answer of a frame when not everything about it is known yet.
    enum class Truth : quint8 { False, True, Unknown };

    FilterExpression();

    /// Parses the text; on a mistake the error says where and what was expected, and the
    /// expression returned matches every frame.
    static FilterExpression parse(const QString &text, FilterError *error);
    /// Parses a filter that may also name the catalog's messages and fields:
    /// `message == "RegWrite"`, `RegWrite.gain >= -3.5` (the physical value),
    /// `RegWrite.op == "Write"` (a value name). The expression keeps the catalog.
    static FilterExpression parse(const QString &text, FilterError *error,
                                  std::shared_ptr<const MessageCatalog> messages);
    /// Parses the condition of one of the catalog's messages: its fields are named without the
    /// message's name (`op == 1`), and a frame's number and time are not known. The
    /// expression does not keep the catalog, which may still be under construction.
    static FilterExpression parseCondition(const QString &text, FilterError *error,
                                           const MessageCatalog &messages, int message);
    /// Frames whose payload holds the pattern.
    static FilterExpression payloadContains(const BytePattern &pattern);

    /// The field names and the words of the language, for completion.
    static QStringList keywords();
    /// The channel names a filter accepts, as in the colour files.
    static QStringList channelNames();

    bool matchesEverything() const { return m_root < 0; }

    /// The first use of a field that frames of this protocol version do not have: outside
    /// DigRF 3G only frame and time can be compared. No error when every field is there.
    FilterError checkFor(int protocolVersion) const;

    bool uses(Field field) const;
    /// Whether frames must be read from the file (time or payload) to be judged.
    bool needsFile() const { return uses(Field::Time) || needsPayload(); }
    /// Whether frames' payloads must be read to judge them: payload patterns, messages, fields.
    bool needsPayload() const
    {
        return uses(Field::Payload) || uses(Field::Message) || uses(Field::MessageField);
    }

    /// Where the expression's payload patterns occur in a payload: the first byte and the
    /// length of every occurrence, in the order of the patterns; for showing what a search
    /// found, so a pattern under "not" counts too.
    std::vector<std::pair<int, int>> payloadMatches(const QByteArray &payload) const;

    /// A byte that the payload of every frame this expression matches holds, or -1: a frame
    /// whose bytes lack it is judged without taking its payload out.
    int requiredPayloadByte() const { return m_root < 0 ? -1 : requiredPayloadByte(m_root); }

    /// A frame no longer in the file matches only where its header byte and number decide it:
    /// it matches no comparison of its time or payload, nor their negation.
    bool matches(const FrameFacts &facts) const;
    /// The answer for a frame of which the header byte and payload alone are known, as for a
    /// message's condition.
    bool matches(quint8 header, const uchar *payload, int length) const;
    /// The answer for a frame of which only the header byte and the number are known:
    /// Unknown when it depends on its time or payload.
    Truth decide(quint8 header, qint64 frame) const;

    /// Frame numbers at which a comparison with the frame number may change its answer, in
    /// increasing order: between two of them every such comparison gives one answer.
    std::vector<qint64> frameBreaks() const;

private:
    friend class FilterParser;

    enum class Op : quint8 {
        In, NotIn, Less, LessEqual, Greater, GreaterEqual, Contains, And, Or, Not
    };

    struct Node
    {
        Op op = Op::In;
        Field field = Field::Frame;
        qsizetype position = 0;
        /// Sorted: the set of In and NotIn, or the one bound of a comparison.
        std::vector<quint64> values;
        BytePattern pattern;
        std::vector<int> children;
        /// A message's field: which one and where its bits are. A field of the message whose
        /// condition this is (`own`) is read from any frame; otherwise only from frames that
        /// are that message. Message comparisons hold message numbers in `values`.
        int message = -1;
        int messageField = -1;
        bool own = false;
        PayloadField layout;
        /// The numbers a field is compared with; empty when it is compared with value names,
        /// whose raw values are then in `values`.
        std::vector<PayloadField::Number> numbers;
        /// The message or field as written, for messages about the comparison.
        QString word;
    };

    /// A frame as the comparisons see it; the message it is, found when first asked for.
    struct Subject;

    bool matches(int node, const Subject &subject) const;
    Truth decide(int node, const Subject &subject) const;
    int requiredPayloadByte(int node) const;
    bool compare(const Node &node, quint64 value) const;
    bool compareField(const Node &node, const Subject &subject) const;

    std::vector<Node> m_nodes;
    int m_root = -1;
    std::shared_ptr<const MessageCatalog> m_messages;
};

} // namespace Korvex

#endif // CORE_FILTERS_FILTEREXPRESSION_H
