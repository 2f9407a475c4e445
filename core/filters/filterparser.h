// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILTERS_FILTERPARSER_H
#define CORE_FILTERS_FILTERPARSER_H

#include "core/filters/filtererror.h"
#include "core/filters/filterexpression.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace Korvex {

class MessageCatalog;

/// Reads the text of a filter into a FilterExpression by recursive descent, stopping at the
/// first mistake with its position and what was expected there. At most MaxNesting "not",
/// "!" and "(" may enclose one another.
///
///     expression := term { ("or" | "||") term }
///     term       := factor { ("and" | "&&") factor }
///     factor     := ("not" | "!") factor | "(" expression ")" | comparison
///     comparison := field ("==" | "!=" | "<" | "<=" | ">" | ">=") value
///                 | field "in" "{" value { [","] value } "}"
///                 | "payload" "contains" (hex bytes and "??" | "text")
///
/// Given a catalog of messages, a comparison may also take "message" or MESSAGE.FIELD as its
/// field; within the condition of one of the catalog's messages, that message's fields by
/// their bare names.
class FilterParser
{
public:
    static constexpr int MaxNesting = 256;

    explicit FilterParser(const QString &text);

    /// The messages a filter may name, or with `ownMessage` >= 0 the message whose condition
    /// the text is. The catalog must outlive parse().
    void setMessages(const MessageCatalog *messages, int ownMessage);

    FilterExpression parse(FilterError *error);

    static QStringList keywords();
    static QStringList channelNames();
    static QString fieldName(FilterExpression::Field field);

private:
    enum class Kind {
        End, Word, Text, Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual,
        LeftParen, RightParen, LeftBrace, RightBrace, Comma, AndAnd, OrOr, Bang, Invalid
    };

    struct Token
    {
        Kind kind = Kind::End;
        qsizetype position = 0;
        qsizetype length = 0;
        /// The word, or a quoted text without its quotes and escapes.
        QString text;
    };

    using Node = FilterExpression::Node;
    using Op = FilterExpression::Op;
    using Field = FilterExpression::Field;

    const Token &peek();
    Token take();
    Token scan();
    bool isKeyword(const Token &token, const char *word) const;

    int expression();
    int term();
    int factor();
    int negated();
    int parenthesised();
    int comparison();
    bool value(Field field, bool ordering, std::vector<quint64> &values);
    bool pattern(BytePattern &pattern);
    std::optional<quint64> number(const Token &token, const QString &expected);
    std::optional<quint64> time(const Token &token);
    bool isMessageWord(const Token &token) const;
    QString fieldsExpected() const;
    int messageComparison(const Token &name);
    bool messageValue(Node &node);
    bool fieldValue(Node &node, bool ordering);
    int add(Node node);
    int fail(qsizetype position, const QString &expected, const QString &found);
    int fail(const Token &token, const QString &expected);
    /// A mistake said in words of its own rather than as what was expected.
    int failSaying(qsizetype position, const QString &found, const QString &note);

    QString m_text;
    qsizetype m_pos = 0;
    std::optional<Token> m_peeked;
    FilterExpression m_expression;
    FilterError m_error;
    const MessageCatalog *m_messages = nullptr;
    int m_ownMessage = -1;
    int m_depth = 0;
};

} // namespace Korvex

#endif // CORE_FILTERS_FILTERPARSER_H
