// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/filters/filterparser.h"

#include "core/filters/messagecatalog.h"
#include "core/frames/frameheader.h"

#include <QCoreApplication>
#include <QtNumeric>

#include <algorithm>

namespace Korvex {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Framescope", text);
}

struct FieldWord
{
    const char *word;
    FilterExpression::Field field;
};

constexpr FieldWord Fields[] = {
    {"channel", FilterExpression::Field::Channel}, {"size", FilterExpression::Field::Size},
    {"code", FilterExpression::Field::Code},       {"cts", FilterExpression::Field::Cts},
    {"frame", FilterExpression::Field::Frame},     {"time", FilterExpression::Field::Time},
    {"payload", FilterExpression::Field::Payload},
};

constexpr quint64 Sizes[] = {8, 32, 64, 96, 128, 256, 512};

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'.';
}

// The channel type numbers a name stands for ("Reserved for future use" stands for four).
std::vector<quint64> channelsNamed(const QString &name)
{
    const std::vector<quint8> types = FrameHeader::channelTypesNamed(name);
    return std::vector<quint64>(types.begin(), types.end());
}

} // namespace

FilterParser::FilterParser(const QString &text)
    : m_text(text)
{
}

QStringList FilterParser::keywords()
{
    QStringList words;
    for (const FieldWord &field : Fields)
        words.append(QLatin1String(field.word));
    words << QStringLiteral("and") << QStringLiteral("or") << QStringLiteral("not")
          << QStringLiteral("in") << QStringLiteral("contains");
    return words;
}

QStringList FilterParser::channelNames()
{
    QStringList names;
    for (quint8 type = 0; type < 16; ++type) {
        FrameHeader header;
        header.channelType = type;
        if (!names.contains(header.channelTypeName()))
            names.append(header.channelTypeName());
    }
    return names;
}

QString FilterParser::fieldName(FilterExpression::Field field)
{
    for (const FieldWord &word : Fields) {
        if (word.field == field)
            return QLatin1String(word.word);
    }
    return QString();
}

FilterExpression FilterParser::parse(FilterError *error)
{
    int root = expression();
    if (root >= 0 && peek().kind != Kind::End)
        root = fail(peek(), tr("'and', 'or' or the end of the filter"));
    if (error)
        *error = m_error;
    if (root < 0 || m_error.isError())
        return FilterExpression();
    m_expression.m_root = root;
    return m_expression;
}

const FilterParser::Token &FilterParser::peek()
{
    if (!m_peeked)
        m_peeked = scan();
    return *m_peeked;
}

FilterParser::Token FilterParser::take()
{
    const Token token = peek();
    m_peeked.reset();
    return token;
}

FilterParser::Token FilterParser::scan()
{
    while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
        ++m_pos;
    Token token;
    token.position = m_pos;
    if (m_pos >= m_text.size())
        return token;

    const QChar c = m_text.at(m_pos);
    const QChar next = m_pos + 1 < m_text.size() ? m_text.at(m_pos + 1) : QChar();
    const auto symbol = [&](Kind kind, qsizetype length) {
        token.kind = kind;
        token.length = length;
        token.text = m_text.mid(m_pos, length);
        m_pos += length;
        return token;
    };
    if (isWordChar(c)) {
        qsizetype end = m_pos;
        while (end < m_text.size() && isWordChar(m_text.at(end)))
            ++end;
        return symbol(Kind::Word, end - m_pos);
    }
    if (c == u'"') {
        QString text;
        qsizetype at = m_pos + 1;
        while (at < m_text.size() && m_text.at(at) != u'"') {
            // A backslash takes the next character as it is: \" and \\ .
            if (m_text.at(at) == u'\\' && at + 1 < m_text.size())
                ++at;
            text += m_text.at(at++);
        }
        if (at >= m_text.size()) {
            fail(m_text.size(), tr("a closing '\"'"), QString());
            return symbol(Kind::Invalid, m_text.size() - m_pos);
        }
        symbol(Kind::Text, at + 1 - m_pos);
        token.text = text;
        return token;
    }
    switch (c.unicode()) {
    case u'=':
        return next == u'=' ? symbol(Kind::Equal, 2) : symbol(Kind::Invalid, 1);
    case u'!':
        return next == u'=' ? symbol(Kind::NotEqual, 2) : symbol(Kind::Bang, 1);
    case u'<':
        return next == u'=' ? symbol(Kind::LessEqual, 2) : symbol(Kind::Less, 1);
    case u'>':
        return next == u'=' ? symbol(Kind::GreaterEqual, 2) : symbol(Kind::Greater, 1);
    case u'&':
        return next == u'&' ? symbol(Kind::AndAnd, 2) : symbol(Kind::Invalid, 1);
    case u'|':
        return next == u'|' ? symbol(Kind::OrOr, 2) : symbol(Kind::Invalid, 1);
    case u'(':
        return symbol(Kind::LeftParen, 1);
    case u')':
        return symbol(Kind::RightParen, 1);
    case u'{':
        return symbol(Kind::LeftBrace, 1);
    case u'}':
        return symbol(Kind::RightBrace, 1);
    case u',':
        return symbol(Kind::Comma, 1);
    default:
        return symbol(Kind::Invalid, 1);
    }
}

bool FilterParser::isKeyword(const Token &token, const char *word) const
{
    return token.kind == Kind::Word && token.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

int FilterParser::expression()
{
    const int first = term();
    if (first < 0 || !(isKeyword(peek(), "or") || peek().kind == Kind::OrOr))
        return first;
    Node node;
    node.op = Op::Or;
    node.children.push_back(first);
    while (isKeyword(peek(), "or") || peek().kind == Kind::OrOr) {
        take();
        const int next = term();
        if (next < 0)
            return -1;
        node.children.push_back(next);
    }
    return add(node);
}

int FilterParser::term()
{
    const int first = factor();
    if (first < 0 || !(isKeyword(peek(), "and") || peek().kind == Kind::AndAnd))
        return first;
    Node node;
    node.op = Op::And;
    node.children.push_back(first);
    while (isKeyword(peek(), "and") || peek().kind == Kind::AndAnd) {
        take();
        const int next = factor();
        if (next < 0)
            return -1;
        node.children.push_back(next);
    }
    return add(node);
}

int FilterParser::factor()
{
    const bool negation = isKeyword(peek(), "not") || peek().kind == Kind::Bang;
    if (!negation && peek().kind != Kind::LeftParen)
        return comparison();
    // Each "not" and each "(" is one more level of calls here and in the evaluation: a limit
    // keeps any text, however long, from exhausting the stack.
    if (m_depth >= MaxNesting) {
        if (!m_error.isError()) {
            m_error.position = peek().position;
            m_error.problem = tr("the expression is nested too deeply");
        }
        return -1;
    }
    ++m_depth;
    const int node = negation ? negated() : parenthesised();
    --m_depth;
    return node;
}

int FilterParser::negated()
{
    take();
    const int child = factor();
    if (child < 0)
        return -1;
    Node node;
    node.op = Op::Not;
    node.children.push_back(child);
    return add(node);
}

int FilterParser::parenthesised()
{
    take();
    const int inner = expression();
    if (inner < 0)
        return -1;
    if (peek().kind != Kind::RightParen)
        return fail(peek(), tr("'and', 'or' or ')'"));
    take();
    return inner;
}

int FilterParser::comparison()
{
    const Token name = take();
    const FieldWord *field = nullptr;
    for (const FieldWord &candidate : Fields) {
        if (isKeyword(name, candidate.word))
            field = &candidate;
    }
    if (isMessageWord(name))
        return messageComparison(name);
    if (!field || (m_ownMessage >= 0 && (field->field == Field::Frame || field->field == Field::Time)))
        return fail(name, fieldsExpected());
    Node node;
    node.field = field->field;
    node.position = name.position;

    const Token op = take();
    if (node.field == Field::Payload) {
        if (!isKeyword(op, "contains"))
            return fail(op, tr("'contains'"));
        node.op = Op::Contains;
        return pattern(node.pattern) ? add(node) : -1;
    }
    bool ordering = true;
    switch (op.kind) {
    case Kind::Equal:
        node.op = Op::In;
        ordering = false;
        break;
    case Kind::NotEqual:
        node.op = Op::NotIn;
        ordering = false;
        break;
    case Kind::Less:
        node.op = Op::Less;
        break;
    case Kind::LessEqual:
        node.op = Op::LessEqual;
        break;
    case Kind::Greater:
        node.op = Op::Greater;
        break;
    case Kind::GreaterEqual:
        node.op = Op::GreaterEqual;
        break;
    default:
        if (!isKeyword(op, "in"))
            return fail(op, tr("an operator (==, !=, <, <=, >, >= or in)"));
        node.op = Op::In;
        ordering = false;
        if (peek().kind != Kind::LeftBrace)
            return fail(peek(), tr("'{'"));
        take();
        do {
            if (!value(node.field, false, node.values))
                return -1;
            if (peek().kind == Kind::Comma)
                take();
        } while (peek().kind != Kind::RightBrace);
        take();
        break;
    }
    if (node.op != Op::In || op.kind == Kind::Equal) {
        if (!value(node.field, ordering, node.values))
            return -1;
    }
    std::sort(node.values.begin(), node.values.end());
    return add(node);
}

bool FilterParser::value(Field field, bool ordering, std::vector<quint64> &values)
{
    const Token token = take();
    switch (field) {
    case Field::Channel: {
        const QString expected = tr("a channel name in quotes or a channel number from 0 to 15");
        if (token.kind == Kind::Text) {
            const std::vector<quint64> channels = channelsNamed(token.text);
            if (channels.empty()) {
                QStringList names;
                for (const QString &name : channelNames())
                    names.append(QLatin1Char('"') + name + QLatin1Char('"'));
                return failSaying(token.position, m_text.mid(token.position, token.length),
                                  tr("unknown channel name \"%1\"; the names are %2, and the "
                                     "numbers 0 to 15")
                                      .arg(token.text, names.join(QStringLiteral(", "))))
                       >= 0;
            }
            if (ordering && channels.size() > 1)
                return fail(token, tr("a channel name that stands for one channel number")) >= 0;
            values.insert(values.end(), channels.begin(), channels.end());
            return true;
        }
        const std::optional<quint64> channel = number(token, expected);
        if (channel && *channel > 15)
            return fail(token, expected) >= 0;
        if (channel)
            values.push_back(*channel);
        return channel.has_value();
    }
    case Field::Size: {
        const QString expected = ordering
                                     ? tr("a payload size in bits")
                                     : tr("a payload size in bits: 8, 32, 64, 96, 128, 256 or 512");
        const std::optional<quint64> bits = number(token, expected);
        if (bits && !ordering && std::find(std::begin(Sizes), std::end(Sizes), *bits) == std::end(Sizes))
            return fail(token, expected) >= 0;
        if (bits)
            values.push_back(*bits);
        return bits.has_value();
    }
    case Field::Code:
    case Field::Cts: {
        const quint64 highest = field == Field::Code ? 7 : 1;
        const QString expected = field == Field::Code ? tr("a size code from 0 to 7") : tr("0 or 1");
        const std::optional<quint64> code = number(token, expected);
        if (code && !ordering && *code > highest)
            return fail(token, expected) >= 0;
        if (code)
            values.push_back(*code);
        return code.has_value();
    }
    case Field::Frame: {
        const std::optional<quint64> frame = number(token, tr("a frame number"));
        if (frame)
            values.push_back(*frame);
        return frame.has_value();
    }
    case Field::Time: {
        const std::optional<quint64> ns = time(token);
        if (ns)
            values.push_back(*ns);
        return ns.has_value();
    }
    case Field::Payload:
    case Field::Message:
    case Field::MessageField:
        break;
    }
    return false;
}

std::optional<quint64> FilterParser::number(const Token &token, const QString &expected)
{
    bool ok = token.kind == Kind::Word;
    quint64 value = 0;
    if (ok) {
        const bool hex = token.text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
        value = QStringView(token.text).mid(hex ? 2 : 0).toULongLong(&ok, hex ? 16 : 10);
        // No sign, blank or second prefix: digits only.
        for (const QChar c : QStringView(token.text).mid(hex ? 2 : 0))
            ok = ok && (hex ? isHexDigit(c) : c.isDigit());
    }
    if (!ok) {
        fail(token, expected);
        return std::nullopt;
    }
    return value;
}

std::optional<quint64> FilterParser::time(const Token &token)
{
    const QString expected = tr("a time such as 1500, 2.5us, 20ms or 1s");
    if (token.kind != Kind::Word) {
        fail(token, expected);
        return std::nullopt;
    }
    // A hex number counts nanoseconds, as a decimal number without a unit does.
    if (token.text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        return number(token, expected);
    // Digits, an optional fraction and a unit, which may also follow as a word of its own.
    const QString &text = token.text;
    qsizetype at = 0;
    while (at < text.size() && text.at(at).isDigit())
        ++at;
    const QString whole = text.left(at);
    QString fraction;
    if (at < text.size() && text.at(at) == u'.') {
        const qsizetype start = ++at;
        while (at < text.size() && text.at(at).isDigit())
            ++at;
        fraction = text.mid(start, at - start);
        if (fraction.isEmpty()) {
            fail(token, expected);
            return std::nullopt;
        }
    }
    QString unit = text.mid(at).toLower();
    static const QStringList units = {QStringLiteral("ns"), QStringLiteral("us"),
                                      QStringLiteral("ms"), QStringLiteral("s")};
    const auto unknownUnit = [this](qsizetype position, const QString &found) {
        failSaying(position, found,
                   tr("unknown time unit '%1' (%2)").arg(found, units.join(QStringLiteral(", "))));
        return std::nullopt;
    };
    if (!whole.isEmpty() && !unit.isEmpty() && !units.contains(unit))
        return unknownUnit(token.position + at, text.mid(at));
    // A word of letters after the number can only be its unit, or the and/or that follows.
    if (unit.isEmpty() && peek().kind == Kind::Word) {
        if (units.contains(peek().text.toLower()))
            unit = take().text.toLower();
        else if (peek().text.front().isLetter() && !isKeyword(peek(), "and")
                 && !isKeyword(peek(), "or"))
            return unknownUnit(peek().position, peek().text);
    }
    if (unit.isEmpty())
        unit = units.first();
    const qsizetype power = units.indexOf(unit) * 3;
    bool ok = !whole.isEmpty() && power >= 0;
    if (!ok) {
        fail(token, expected);
        return std::nullopt;
    }
    quint64 scale = 1;
    for (qsizetype i = 0; i < power; ++i)
        scale *= 10;
    quint64 ns = 0;
    const quint64 integer = whole.toULongLong(&ok);
    if (!ok || qMulOverflow(integer, scale, &ns)) {
        fail(token, tr("a time below 2^64 ns"));
        return std::nullopt;
    }
    // The fraction must come to whole nanoseconds: at most as many digits (trailing zeros
    // aside) as the unit has powers of ten.
    while (fraction.endsWith(u'0'))
        fraction.chop(1);
    if (fraction.size() > power) {
        fail(token, tr("a whole number of nanoseconds"));
        return std::nullopt;
    }
    if (!fraction.isEmpty()) {
        quint64 part = fraction.toULongLong();
        for (qsizetype i = fraction.size(); i < power; ++i)
            part *= 10;
        if (qAddOverflow(ns, part, &ns)) {
            fail(token, tr("a time below 2^64 ns"));
            return std::nullopt;
        }
    }
    return ns;
}

bool FilterParser::pattern(BytePattern &pattern)
{
    // The bytes are read from the text itself: "7e" or "01" are not words of the language.
    const auto skipBlanks = [this] {
        while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
            ++m_pos;
    };
    skipBlanks();
    const qsizetype start = m_pos;
    const auto wordAt = [this](qsizetype at) {
        qsizetype end = at;
        while (end < m_text.size() && !m_text.at(end).isSpace())
            ++end;
        return m_text.mid(at, end - at);
    };
    const QString expected = tr("hex bytes such as 7e ?? 01, or a text in quotes");
    if (m_pos < m_text.size() && m_text.at(m_pos) == u'"') {
        const Token text = take();
        if (text.kind != Kind::Text)
            return false;
        if (text.text.isEmpty())
            return fail(text, tr("a text of at least one character")) >= 0;
        pattern = BytePattern::fromText(text.text, true, false);
        return true;
    }
    for (;;) {
        qsizetype end = m_pos;
        while (end < m_text.size() && (isHexDigit(m_text.at(end)) || m_text.at(end) == u'?'))
            ++end;
        const bool boundary = end == m_text.size() || m_text.at(end).isSpace()
                              || QStringLiteral(")&|").contains(m_text.at(end));
        if (end == m_pos || !boundary)
            break;
        const QString run = m_text.mid(m_pos, end - m_pos);
        for (qsizetype at = 0; at < run.size(); at += 2) {
            const QString pair = run.mid(at, 2);
            if (pair == QLatin1String("??")) {
                pattern.appendAnyByte();
            } else if (pair.size() == 2 && isHexDigit(pair.at(0)) && isHexDigit(pair.at(1))) {
                pattern.appendByte(uchar(pair.toUInt(nullptr, 16)));
            } else {
                return fail(m_pos + at, tr("two hex digits or ?? for each byte"), pair) >= 0;
            }
        }
        m_pos = end;
        skipBlanks();
    }
    if (pattern.isEmpty())
        return fail(start, expected, wordAt(start)) >= 0;
    return true;
}

void FilterParser::setMessages(const MessageCatalog *messages, int ownMessage)
{
    m_messages = messages;
    m_ownMessage = messages ? ownMessage : -1;
}

bool FilterParser::isMessageWord(const Token &token) const
{
    if (token.kind != Kind::Word)
        return false;
    if (m_ownMessage >= 0)
        return m_messages->fieldIndex(m_ownMessage, token.text) >= 0;
    // MESSAGE.FIELD starts with a letter or _, as the names do: 3.5 is a number.
    const QChar first = token.text.front();
    return isKeyword(token, "message")
           || (token.text.contains(u'.') && (first.isLetter() || first == u'_'));
}

QString FilterParser::fieldsExpected() const
{
    if (m_ownMessage >= 0) {
        return tr("a field of %1 (%2) or of the frame (channel, size, code, cts or payload), "
                  "'not' or '('")
            .arg(m_messages->messageNames().at(m_ownMessage),
                 m_messages->fieldNames(m_ownMessage).join(QLatin1String(", ")));
    }
    if (m_messages) {
        return tr("a field (channel, size, code, cts, frame, time, payload, message or "
                  "MESSAGE.FIELD), 'not' or '('");
    }
    return tr("a field (channel, size, code, cts, frame, time or payload), 'not' or '('");
}

int FilterParser::messageComparison(const Token &name)
{
    Node node;
    node.position = name.position;
    node.word = name.text;
    if (!m_messages) {
        return fail(name, tr("a field (channel, size, code, cts, frame, time or payload), 'not' "
                             "or '('; messages and their fields need a definition file"));
    }
    if (m_ownMessage >= 0) {
        node.field = Field::MessageField;
        node.own = true;
        node.message = m_ownMessage;
        node.messageField = m_messages->fieldIndex(m_ownMessage, name.text);
    } else if (isKeyword(name, "message")) {
        node.field = Field::Message;
    } else {
        const qsizetype dot = name.text.indexOf(u'.');
        const QString message = name.text.left(dot);
        const QString field = name.text.mid(dot + 1);
        node.field = Field::MessageField;
        node.message = m_messages->messageIndex(message);
        if (node.message < 0) {
            const QStringList names = m_messages->messageNames();
            return fail(name.position,
                        names.isEmpty() ? tr("a message, but the definitions name none")
                                        : tr("a message of the definitions (%1)")
                                              .arg(names.join(QLatin1String(", "))),
                        message);
        }
        node.messageField = m_messages->fieldIndex(node.message, field);
        if (node.messageField < 0) {
            return fail(name.position + dot + 1,
                        tr("a field of %1 (%2)")
                            .arg(message, m_messages->fieldNames(node.message)
                                              .join(QLatin1String(", "))),
                        field);
        }
    }
    if (node.field == Field::MessageField)
        node.layout = m_messages->fieldLayout(node.message, node.messageField);

    const Token op = take();
    static constexpr struct
    {
        Kind kind;
        Op op;
    } Operators[] = {{Kind::Equal, Op::In},         {Kind::NotEqual, Op::NotIn},
                     {Kind::Less, Op::Less},        {Kind::LessEqual, Op::LessEqual},
                     {Kind::Greater, Op::Greater},  {Kind::GreaterEqual, Op::GreaterEqual}};
    const auto known = std::find_if(std::begin(Operators), std::end(Operators),
                                    [&op](const auto &entry) { return entry.kind == op.kind; });
    const bool set = isKeyword(op, "in");
    const bool ordering = known != std::end(Operators) && known->op != Op::In
                          && known->op != Op::NotIn;
    if (node.field == Field::Message && (ordering || (known == std::end(Operators) && !set)))
        return fail(op, tr("==, != or in (messages are compared by name)"));
    if (known == std::end(Operators) && !set)
        return fail(op, tr("an operator (==, !=, <, <=, >, >= or in)"));
    node.op = set ? Op::In : known->op;
    const auto one = [&] {
        return node.field == Field::Message ? messageValue(node) : fieldValue(node, ordering);
    };
    if (set) {
        if (peek().kind != Kind::LeftBrace)
            return fail(peek(), tr("'{'"));
        take();
        do {
            if (!one())
                return -1;
            if (peek().kind == Kind::Comma)
                take();
        } while (peek().kind != Kind::RightBrace);
        take();
    } else if (!one()) {
        return -1;
    }
    std::sort(node.values.begin(), node.values.end());
    return add(node);
}

bool FilterParser::messageValue(Node &node)
{
    const Token token = take();
    const int message = token.kind == Kind::Text ? m_messages->messageIndex(token.text) : -1;
    if (message < 0) {
        const QStringList names = m_messages->messageNames();
        return fail(token, names.isEmpty() ? tr("a message name, but the definitions name none")
                                           : tr("a message name in quotes (\"%1\")")
                                                 .arg(names.join(QLatin1String("\", \""))))
               >= 0;
    }
    node.values.push_back(quint64(message));
    return true;
}

bool FilterParser::fieldValue(Node &node, bool ordering)
{
    const QString field = m_messages->fieldNames(node.message).at(node.messageField);
    const QStringList names = m_messages->valueNames(node.message, node.messageField);
    const QString expected =
        names.isEmpty() || ordering
            ? tr("a number such as 12, -3.5 or 0x2A")
            : tr("a number or a value name of %1 in quotes (\"%2\")")
                  .arg(field, names.join(QLatin1String("\", \"")));
    Token token = take();
    if (token.kind == Kind::Text) {
        const std::vector<quint64> raws = m_messages->valuesNamed(node.message, node.messageField,
                                                                  token.text);
        // A value name stands for raw values, which cannot stand beside numbers in one set.
        if (raws.empty() || ordering || !node.numbers.empty())
            return fail(token, expected) >= 0;
        node.values.insert(node.values.end(), raws.begin(), raws.end());
        return true;
    }
    PayloadField::Number number;
    if (token.kind == Kind::Invalid && token.text == QLatin1String("-")
        && peek().kind == Kind::Word && peek().position == token.position + 1) {
        number.negative = true;
        const qsizetype sign = token.position;
        token = take();
        token.length += token.position - sign;
        token.position = sign;
    }
    // Digits with an optional fraction, or 0x and hex digits.
    const QString text = token.kind == Kind::Word ? token.text : QString();
    const bool hex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    const qsizetype dot = hex ? -1 : text.indexOf(u'.');
    const QStringView whole = QStringView(text).mid(hex ? 2 : 0, dot < 0 ? -1 : dot);
    const QStringView fraction = dot < 0 ? QStringView() : QStringView(text).mid(dot + 1);
    const auto isDigit = [](QChar c) { return c.isDigit(); };
    const bool digits = hex ? std::all_of(whole.begin(), whole.end(), isHexDigit)
                            : std::all_of(whole.begin(), whole.end(), isDigit);
    if (whole.isEmpty() || !digits || (dot >= 0 && fraction.isEmpty())
        || !std::all_of(fraction.begin(), fraction.end(), isDigit) || !node.values.empty())
        return fail(token, expected) >= 0;
    bool fits = false;
    number.magnitude = whole.toULongLong(&fits, hex ? 16 : 10);
    if (hex && !fits)
        return fail(token, tr("a number below 2^64")) >= 0;
    number.whole = fits && std::all_of(fraction.begin(), fraction.end(),
                                       [](QChar c) { return c == u'0'; });
    number.value = hex ? double(number.magnitude) : text.toDouble();
    if (number.negative)
        number.value = -number.value;
    node.numbers.push_back(number);
    return true;
}

int FilterParser::add(Node node)
{
    m_expression.m_nodes.push_back(std::move(node));
    return int(m_expression.m_nodes.size()) - 1;
}

int FilterParser::fail(qsizetype position, const QString &expected, const QString &found)
{
    if (!m_error.isError()) {
        m_error.position = position;
        m_error.expected = expected;
        m_error.found = found;
    }
    return -1;
}

int FilterParser::failSaying(qsizetype position, const QString &found, const QString &note)
{
    if (!m_error.isError()) {
        m_error.position = position;
        m_error.found = found;
        m_error.problem = note;
    }
    return -1;
}

int FilterParser::fail(const Token &token, const QString &expected)
{
    return fail(token.position, expected,
                token.kind == Kind::End ? QString() : m_text.mid(token.position, token.length));
}

} // namespace Korvex
