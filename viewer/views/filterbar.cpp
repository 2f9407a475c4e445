#include "viewer/views/filterbar.h"

#include "core/filters/filterexpression.h"
#include "core/filters/messagecatalog.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStringListModel>

namespace Korvex {

namespace {

const QString HistoryKey = QStringLiteral("FilterHistory");

// The word being typed before the cursor: a name (letters, digits and _, MESSAGE.FIELD with
// its dot), or a quoted name still open.
qsizetype wordStart(const QString &text, qsizetype cursor)
{
    const QStringView before = QStringView(text).left(cursor);
    if (before.count(u'"') % 2 == 1)
        return before.lastIndexOf(u'"');
    qsizetype start = cursor;
    while (start > 0
           && (before.at(start - 1).isLetterOrNumber() || before.at(start - 1) == u'_'
               || before.at(start - 1) == u'.'))
        --start;
    return start;
}

} // namespace

FilterBar::FilterBar(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 2);
    auto *label = new QLabel(tr("Filter:"), this);
    m_field = new QComboBox(this);
    m_field->setEditable(true);
    m_field->setInsertPolicy(QComboBox::NoInsert);
    m_field->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_field->lineEdit()->setPlaceholderText(
        tr("channel == \"RF IC Control\" and cts == 0, payload contains 7e ?? 01, ..."));
    m_field->lineEdit()->setClearButtonEnabled(true);
    label->setBuddy(m_field);
    m_apply = new QPushButton(tr("Apply"), this);
    m_clear = new QPushButton(tr("Clear"), this);
    layout->addWidget(label);
    layout->addWidget(m_field, 1);
    layout->addWidget(m_apply);
    layout->addWidget(m_clear);

    // Completion works on the word at the cursor, not on the whole line as the box's own would.
    m_field->setCompleter(nullptr);
    m_completer = new QCompleter(this);
    updateWords();
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setWidget(m_field->lineEdit());
    m_completer->setCompletionMode(QCompleter::PopupCompletion);
    connect(m_completer, qOverload<const QString &>(&QCompleter::activated), this,
            &FilterBar::insertCompletion);

    connect(m_field->lineEdit(), &QLineEdit::textEdited, this, &FilterBar::textEdited);
    connect(m_field, &QComboBox::currentTextChanged, this, &FilterBar::check);
    connect(m_field->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { emit applyRequested(text()); });
    connect(m_apply, &QPushButton::clicked, this, [this] { emit applyRequested(text()); });
    connect(m_clear, &QPushButton::clicked, this, [this] {
        setText(QString());
        emit clearRequested();
    });
}

FilterBar::~FilterBar() = default;

QString FilterBar::text() const
{
    return m_field->currentText().trimmed();
}

void FilterBar::setText(const QString &text)
{
    m_field->setEditText(text);
    check();
}

QLineEdit *FilterBar::lineEdit() const
{
    return m_field->lineEdit();
}

void FilterBar::setSettings(QSettings *settings)
{
    m_settings = settings;
    const QString current = m_field->currentText();
    m_field->clear();
    if (m_settings) {
        const QVariant stored = m_settings->value(HistoryKey);
        // A stored value of the wrong type reads as no history at all.
        if (stored.typeId() == QMetaType::QStringList || stored.typeId() == QMetaType::QVariantList)
            m_field->addItems(stored.toStringList().mid(0, HistorySize));
    }
    m_field->setEditText(current);
}

void FilterBar::remember(const QString &text)
{
    QStringList recent = history();
    recent.removeAll(text);
    recent.prepend(text);
    recent = recent.mid(0, HistorySize);
    m_field->clear();
    m_field->addItems(recent);
    m_field->setEditText(text);
    if (m_settings)
        m_settings->setValue(HistoryKey, recent);
}

QStringList FilterBar::history() const
{
    QStringList recent;
    for (int i = 0; i < m_field->count(); ++i)
        recent.append(m_field->itemText(i));
    return recent;
}

void FilterBar::setProtocolVersion(int protocolVersion)
{
    m_protocolVersion = protocolVersion;
    check();
}

void FilterBar::setMessageCatalog(std::shared_ptr<const MessageCatalog> messages)
{
    m_messages = std::move(messages);
    check();
}

void FilterBar::setExtraWords(const QStringList &words)
{
    m_extraWords = words;
    updateWords();
}

void FilterBar::updateWords()
{
    QStringList words = FilterExpression::keywords();
    for (const QString &name : FilterExpression::channelNames())
        words.append(QLatin1Char('"') + name + QLatin1Char('"'));
    words += m_extraWords;
    m_completer->setModel(new QStringListModel(words, m_completer));
}

void FilterBar::showError(const FilterError &error)
{
    setState(State::Invalid, error.message());
    m_field->lineEdit()->setFocus();
    m_field->lineEdit()->setCursorPosition(int(error.position));
}

void FilterBar::textEdited(const QString &)
{
    check();
    complete();
}

void FilterBar::check()
{
    const QString current = text();
    if (current.isEmpty()) {
        setState(State::Empty, QString());
        return;
    }
    FilterError error;
    const FilterExpression expression = FilterExpression::parse(current, &error, m_messages);
    if (!error.isError())
        error = expression.checkFor(m_protocolVersion);
    setState(error.isError() ? State::Invalid : State::Valid, error.isError() ? error.message() : QString());
}

void FilterBar::complete()
{
    QLineEdit *edit = m_field->lineEdit();
    const qsizetype cursor = edit->cursorPosition();
    const QString prefix = edit->text().mid(wordStart(edit->text(), cursor),
                                            cursor - wordStart(edit->text(), cursor));
    if (prefix.isEmpty() || prefix == QLatin1String("\"")) {
        m_completer->popup()->hide();
        return;
    }
    m_completer->setCompletionPrefix(prefix);
    if (m_completer->completionCount() == 0
        || (m_completer->completionCount() == 1 && m_completer->currentCompletion() == prefix)) {
        m_completer->popup()->hide();
        return;
    }
    m_completer->complete();
}

void FilterBar::insertCompletion(const QString &completion)
{
    QLineEdit *edit = m_field->lineEdit();
    QString current = edit->text();
    const qsizetype cursor = edit->cursorPosition();
    const qsizetype start = wordStart(current, cursor);
    current.replace(start, cursor - start, completion);
    edit->setText(current);
    edit->setCursorPosition(int(start + completion.size()));
    check();
}

void FilterBar::setState(State state, const QString &toolTip)
{
    m_state = state;
    // Light green for a filter that parses, light red for one that does not.
    QPalette palette = this->palette();
    if (state == State::Valid)
        palette.setColor(QPalette::Base, QColor(0xD7, 0xF5, 0xD7));
    else if (state == State::Invalid)
        palette.setColor(QPalette::Base, QColor(0xF7, 0xD4, 0xD4));
    m_field->lineEdit()->setPalette(palette);
    m_field->setToolTip(toolTip);
}

} // namespace Korvex
