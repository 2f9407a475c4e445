// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/shortcutsdlg.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMenu>
#include <QStringList>
#include <QTableWidget>
#include <QVBoxLayout>

namespace Korvex {

namespace {

// Where the keys of an action answer: in the whole window, or only while one of the widgets
// it was added to has the focus; those widgets are known by their accessible names.
QString whereText(const QAction *action)
{
    const Qt::ShortcutContext context = action->shortcutContext();
    if (context != Qt::WidgetShortcut && context != Qt::WidgetWithChildrenShortcut)
        return ShortcutsDlg::tr("Whole window");
    QStringList names;
    const QList<QObject *> owners = action->associatedObjects();
    for (const QObject *owner : owners) {
        const auto *widget = qobject_cast<const QWidget *>(owner);
        if (widget && !widget->accessibleName().isEmpty())
            names << widget->accessibleName();
    }
    return names.join(QStringLiteral(", "));
}

} // namespace

ShortcutsDlg::ShortcutsDlg(const QList<QAction *> &actions, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ShortcutsDlg"));
    setWindowTitle(tr("Keyboard Shortcuts"));

    table = new QTableWidget(0, 3, this);
    table->setObjectName(QStringLiteral("tblShortcuts"));
    table->setHorizontalHeaderLabels({tr("Command"), tr("Keys"), tr("Where")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(false);
    table->setAlternatingRowColors(true);
    for (const QAction *action : actions) {
        if (action->isSeparator() || action->menu() || !action->isVisible()
            || action->shortcuts().isEmpty())
            continue;
        const int row = table->rowCount();
        table->insertRow(row);
        table->setItem(row, 0, new QTableWidgetItem(action->iconText()));
        table->setItem(row, 1, new QTableWidgetItem(keysText(action->shortcuts())));
        table->setItem(row, 2, new QTableWidgetItem(whereText(action)));
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    // The whole list shows without scrolling; it is a dozen lines.
    table->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(table);
    layout->addWidget(buttons);
}

QString ShortcutsDlg::keysText(const QList<QKeySequence> &keys)
{
    QStringList texts;
    for (const QKeySequence &key : keys)
        texts << key.toString(QKeySequence::NativeText);
    return texts.join(QStringLiteral(", "));
}

} // namespace Korvex
