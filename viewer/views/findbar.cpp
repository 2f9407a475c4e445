// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/views/findbar.h"

#include "core/filters/bytepattern.h"
#include "core/filters/messagecatalog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace Korvex {

namespace {

const QString PatternPrefix = QStringLiteral("payload contains ");

} // namespace

FindBar::FindBar(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 2);
    auto *label = new QLabel(tr("Find:"), this);
    m_mode = new QComboBox(this);
    m_mode->addItems({tr("Filter expression"), tr("Hex bytes"), tr("Text")});
    m_field = new QLineEdit(this);
    label->setBuddy(m_field);
    m_matchCase = new QCheckBox(tr("Match case"), this);
    auto *previous = new QPushButton(tr("Previous"), this);
    auto *next = new QPushButton(tr("Next"), this);
    auto *close = new QToolButton(this);
    close->setText(QStringLiteral("\u00D7"));
    close->setToolTip(tr("Close the Find bar"));
    layout->addWidget(label);
    layout->addWidget(m_mode);
    layout->addWidget(m_field, 1);
    layout->addWidget(m_matchCase);
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(close);
    setMode(Expression);

    connect(m_mode, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_matchCase->setEnabled(index == Text); });
    // Enter searches on, Shift+Enter back.
    connect(m_field, &QLineEdit::returnPressed, this, [this] {
        emit findRequested(!(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier));
    });
    connect(m_field, &QLineEdit::textEdited, this, [this] { m_field->setPalette(palette()); });
    connect(previous, &QPushButton::clicked, this, [this] { emit findRequested(false); });
    connect(next, &QPushButton::clicked, this, [this] { emit findRequested(true); });
    connect(close, &QToolButton::clicked, this, &FindBar::hide);
}

FindBar::~FindBar() = default;

void FindBar::activate()
{
    show();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

FindBar::Mode FindBar::mode() const
{
    return Mode(m_mode->currentIndex());
}

void FindBar::setMode(Mode mode)
{
    m_mode->setCurrentIndex(mode);
    m_matchCase->setEnabled(mode == Text);
}

QString FindBar::text() const
{
    return m_field->text();
}

void FindBar::setText(const QString &text)
{
    m_field->setText(text);
}

bool FindBar::matchCase() const
{
    return m_matchCase->isChecked();
}

void FindBar::setMatchCase(bool on)
{
    m_matchCase->setChecked(on);
}

void FindBar::setMessageCatalog(std::shared_ptr<const MessageCatalog> messages)
{
    m_messages = std::move(messages);
}

FilterExpression FindBar::expression(FilterError *error) const
{
    switch (mode()) {
    case HexBytes: {
        // The pattern part of the language; positions are given back in the field's text.
        const FilterExpression expression = FilterExpression::parse(PatternPrefix + text(), error);
        if (error->isError())
            error->position = qMax<qsizetype>(0, error->position - PatternPrefix.size());
        return expression;
    }
    case Text:
        *error = FilterError();
        if (text().isEmpty()) {
            error->position = 0;
            error->expected = tr("a text of at least one character");
            return FilterExpression();
        }
        return FilterExpression::payloadContains(BytePattern::fromText(text(), matchCase(), true));
    case Expression:
        break;
    }
    return FilterExpression::parse(text(), error, m_messages);
}

void FindBar::showError(const FilterError &error)
{
    QPalette colours = palette();
    if (error.isError()) {
        colours.setColor(QPalette::Base, QColor(0xF7, 0xD4, 0xD4));
        m_field->setCursorPosition(int(error.position));
    }
    m_field->setPalette(colours);
    m_field->setToolTip(error.isError() ? error.message() : QString());
}

void FindBar::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        hide();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace Korvex
