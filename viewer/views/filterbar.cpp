// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/views/filterbar.h"

#include "core/filters/filterexpression.h"
#include "core/filters/messagecatalog.h"
#include "viewer/views/filterfield.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStringListModel>

namespace Korvex {

namespace {

const QString HistoryKey = QStringLiteral("FilterHistory");

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'.';
}

// The word being typed before the cursor: a name (a message's field has a dot in it), or a
// quoted name still open, from its quote.
qsizetype wordStart(const QString &text, qsizetype cursor)
{
    const QStringView before = QStringView(text).left(cursor);
    if (before.count(u'"') % 2 == 1)
        return before.lastIndexOf(u'"');
    qsizetype start = cursor;
    while (start > 0 && isWordChar(before.at(start - 1)))
        --start;
    return start;
}

// Where the word at the cursor ends: a name goes on over the letters after the cursor, an open
// quote over the rest of the name and its closing quote.
qsizetype wordEnd(const QString &text, qsizetype start, qsizetype cursor)
{
    qsizetype end = cursor;
    if (start < text.size() && text.at(start) == u'"') {
        const qsizetype close = text.indexOf(u'"', cursor);
        return close < 0 ? cursor : close + 1;
    }
    while (end < text.size() && isWordChar(text.at(end)))
        ++end;
    return end;
}

qsizetype leadingBlanks(const QString &text)
{
    qsizetype blanks = 0;
    while (blanks < text.size() && text.at(blanks).isSpace())
        ++blanks;
    return blanks;
}

} // namespace

FilterBar::FilterBar(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 2);
    auto *label = new QLabel(tr("Filter:"), this);
    m_field = new QComboBox(this);
    m_edit = new FilterField(m_field);
    m_field->setLineEdit(m_edit);
    m_field->setInsertPolicy(QComboBox::NoInsert);
    m_field->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // A long filter among the recent ones must not widen the window.
    m_field->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_field->setMinimumContentsLength(16);
    m_edit->setPlaceholderText(
        tr("channel == \"RF IC Control\" and cts == 0, payload contains 7e ?? 01, ..."));
    m_edit->setClearButtonEnabled(true);
    label->setBuddy(m_field);
    m_apply = new QPushButton(tr("Apply"), this);
    m_clear = new QPushButton(tr("Clear"), this);
    layout->addWidget(label);
    layout->addWidget(m_field, 1);
    layout->addWidget(m_apply);
    layout->addWidget(m_clear);

    // Completion works on the word at the cursor, not on the whole line as the box's own would.
    m_field->setCompleter(nullptr);
    m_words = new QStringListModel(standardCompletionWords(), this);
    m_completer = new QCompleter(m_words, this);
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setWidget(m_edit);
    m_completer->setCompletionMode(QCompleter::PopupCompletion);
    connect(m_completer, qOverload<const QString &>(&QCompleter::activated), this,
            &FilterBar::insertCompletion);
    // The list's keys are taken before the completer's own handling, which would also hand
    // Return to the field and apply the text as it was before completing.
    m_completer->popup()->installEventFilter(this);
    m_edit->installEventFilter(this);
    m_field->installEventFilter(this);

    connect(m_edit, &QLineEdit::textEdited, this, &FilterBar::textEdited);
    connect(m_field, &QComboBox::currentTextChanged, this, &FilterBar::check);
    connect(m_edit, &QLineEdit::returnPressed, this, [this] {
        m_returning = true;
        emit applyRequested(text());
    });
    // The box answers the same Return with a pick of the recent filter of that text; it
    // comes before this.
    connect(m_edit, &QLineEdit::editingFinished, this, [this] { m_returning = false; });
    connect(m_field, &QComboBox::activated, this, &FilterBar::historyPicked);
    connect(m_apply, &QPushButton::clicked, this, [this] { emit applyRequested(text()); });
    connect(m_clear, &QPushButton::clicked, this, [this] {
        setText(QString());
        emit clearRequested();
    });
    updateLook();
}

FilterBar::~FilterBar() = default;

QStringList FilterBar::standardCompletionWords()
{
    QStringList words = FilterExpression::keywords();
    for (const QString &name : FilterExpression::channelNames())
        words.append(QLatin1Char('"') + name + QLatin1Char('"'));
    return words;
}

void FilterBar::setCompletionWords(const QStringList &words)
{
    m_words->setStringList(words);
}

QStringList FilterBar::completionWords() const
{
    return m_words->stringList();
}

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
    return m_edit;
}

void FilterBar::setApplied(const QString &text)
{
    m_applied = text.trimmed();
    updateLook();
}

bool FilterBar::isPending() const
{
    return text() != m_applied;
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
    setCompletionWords(standardCompletionWords() + words);
}

void FilterBar::showError(const FilterError &error)
{
    // The error counts in the text without its leading blanks.
    FilterError inField = error;
    inField.position += leadingBlanks(m_edit->text());
    setState(State::Invalid, error.message(), inField);
    m_edit->setFocus();
    m_edit->setCursorPosition(int(inField.position));
}

void FilterBar::textEdited(const QString &)
{
    check();
    complete();
}

void FilterBar::check()
{
    const QString current = m_edit->text();
    if (current.trimmed().isEmpty()) {
        setState(State::Empty, QString());
        return;
    }
    FilterError error;
    const FilterExpression expression = FilterExpression::parse(current, &error, m_messages);
    if (!error.isError())
        error = expression.checkFor(m_protocolVersion);
    if (error.isError())
        setState(State::Invalid, error.message(), error);
    else
        setState(State::Valid, QString());
}

void FilterBar::complete()
{
    const QString current = m_edit->text();
    const qsizetype cursor = m_edit->cursorPosition();
    const qsizetype start = wordStart(current, cursor);
    const QString prefix = current.mid(start, cursor - start);
    if (prefix.isEmpty() || prefix == QLatin1String("\"")) {
        m_completer->popup()->hide();
        return;
    }
    m_completer->setCompletionPrefix(prefix);
    if (m_completer->completionCount() == 0
        || (m_completer->completionCount() == 1
            && m_completer->currentCompletion().compare(prefix, Qt::CaseInsensitive) == 0)) {
        m_completer->popup()->hide();
        return;
    }
    m_completer->complete();
}

void FilterBar::insertCompletion(const QString &completion)
{
    QString current = m_edit->text();
    const qsizetype cursor = m_edit->cursorPosition();
    const qsizetype start = wordStart(current, cursor);
    current.replace(start, wordEnd(current, start, cursor) - start, completion);
    m_edit->setText(current);
    m_edit->setCursorPosition(int(start + completion.size()));
    check();
}

bool FilterBar::completionKey(int key)
{
    QAbstractItemView *list = m_completer->popup();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab: {
        // The entry chosen in the list, or the first one.
        const QModelIndex chosen = list->currentIndex();
        const QString completion = chosen.isValid()
                                       ? chosen.data(m_completer->completionRole()).toString()
                                       : m_completer->currentCompletion();
        list->hide();
        if (!completion.isEmpty())
            insertCompletion(completion);
        return true;
    }
    case Qt::Key_Escape:
        list->hide();
        return true;
    default:
        return false;
    }
}

bool FilterBar::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress
        && (watched == m_edit || watched == m_completer->popup())) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (m_completer->popup()->isVisible())
            return completionKey(key->key()) || QWidget::eventFilter(watched, event);
        // The box would step through the recent filters, each a pick to apply; Down shows
        // the list to pick from instead.
        const bool step = key->key() == Qt::Key_Up || key->key() == Qt::Key_Down
                          || key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown;
        if (watched == m_edit && step && !(key->modifiers() & Qt::AltModifier)) {
            if (key->key() == Qt::Key_Down && m_field->count() > 0)
                m_field->showPopup();
            return true;
        }
    }
    // Nor may the wheel pick a recent filter in passing.
    if (watched == m_field && event->type() == QEvent::Wheel)
        return true;
    return QWidget::eventFilter(watched, event);
}

void FilterBar::historyPicked(int index)
{
    if (m_returning || index < 0)
        return;
    emit applyRequested(m_field->itemText(index).trimmed());
}

void FilterBar::setState(State state, const QString &toolTip, const FilterError &error)
{
    m_state = state;
    m_toolTip = toolTip;
    if (error.isError())
        m_edit->setMark(int(error.position), int(error.length()));
    else
        m_edit->clearMark();
    updateLook();
}

void FilterBar::updateLook()
{
    const bool pending = isPending();
    // Light red for a filter that does not parse, light yellow for one that does but is not
    // in force yet, light green for the one in force.
    QPalette palette = this->palette();
    if (m_state == State::Invalid)
        palette.setColor(QPalette::Base, QColor(0xF7, 0xD4, 0xD4));
    else if (pending)
        palette.setColor(QPalette::Base, QColor(0xFF, 0xF1, 0xC2));
    else if (m_state == State::Valid)
        palette.setColor(QPalette::Base, QColor(0xD7, 0xF5, 0xD7));
    m_edit->setPalette(palette);
    m_apply->setEnabled(pending);
    QString tip = m_toolTip;
    if (pending && m_state != State::Invalid) {
        tip = m_state == State::Empty
                  ? tr("Not applied yet: Return or Apply shows every frame.")
                  : tr("Not applied yet: Return or Apply shows the frames it matches.");
    }
    m_field->setToolTip(tip);
}

} // namespace Korvex
