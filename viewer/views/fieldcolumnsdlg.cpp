// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/views/fieldcolumnsdlg.h"

#include "ui_fieldcolumnsdlg.h"

#include "core/fields/fielddefinitions.h"

namespace Korvex {

FieldColumnsDlg::FieldColumnsDlg(const FieldColumns &current, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FieldColumnsDlg>())
{
    ui->setupUi(this);
    const std::shared_ptr<const FieldDefinitions> &definitions = current.definitions();
    QTreeWidget *tree = ui->trColumns;
    auto *message = new QTreeWidgetItem(tree, {tr("Message")});
    message->setFlags(message->flags() | Qt::ItemIsUserCheckable);
    message->setCheckState(0, Qt::Unchecked);
    for (int m = 0; definitions && m < definitions->messageCount(); ++m) {
        // A message's box checks or unchecks all its fields, and shows whether some are.
        auto *parent = new QTreeWidgetItem(tree, {definitions->message(m).name});
        parent->setFlags(parent->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
        for (const FieldDefinition &field : definitions->message(m).fields) {
            auto *item = new QTreeWidgetItem(parent, {field.name});
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(0, Qt::Unchecked);
        }
    }
    for (int k = 0; k < current.count(); ++k)
        setChecked(current.column(k), true);
    tree->expandAll();
}

FieldColumnsDlg::~FieldColumnsDlg() = default;

QTreeWidgetItem *FieldColumnsDlg::itemOf(const FieldColumns::Column &column) const
{
    QTreeWidget *tree = ui->trColumns;
    if (column.message < 0)
        return tree->topLevelItem(0);
    QTreeWidgetItem *message = tree->topLevelItem(column.message + 1);
    return message ? message->child(column.field) : nullptr;
}

void FieldColumnsDlg::setChecked(const FieldColumns::Column &column, bool checked)
{
    if (QTreeWidgetItem *item = itemOf(column))
        item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

std::vector<FieldColumns::Column> FieldColumnsDlg::columns() const
{
    std::vector<FieldColumns::Column> chosen;
    const QTreeWidget *tree = ui->trColumns;
    if (tree->topLevelItem(0)->checkState(0) == Qt::Checked)
        chosen.push_back(FieldColumns::Column());
    for (int m = 0; m + 1 < tree->topLevelItemCount(); ++m) {
        const QTreeWidgetItem *message = tree->topLevelItem(m + 1);
        for (int f = 0; f < message->childCount(); ++f) {
            if (message->child(f)->checkState(0) == Qt::Checked)
                chosen.push_back({m, f});
        }
    }
    return chosen;
}

} // namespace Korvex
