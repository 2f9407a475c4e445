// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_VIEWS_FIELDCOLUMNSDLG_H
#define VIEWER_VIEWS_FIELDCOLUMNSDLG_H

#include "core/fields/fieldcolumns.h"

#include <QDialog>

#include <memory>
#include <vector>

QT_BEGIN_NAMESPACE
class QTreeWidgetItem;
QT_END_NAMESPACE

namespace Ui {
class FieldColumnsDlg;
}

namespace Korvex {

/// Asks which decoded fields the frame table shows as columns: the "Message" column and each
/// message's fields, checked one by one or a message at a time. The columns come in the
/// definition file's order, the Message column first.
class FieldColumnsDlg : public QDialog
{
    Q_OBJECT

public:
    /// Offers every field of the columns' definitions, those of `current` checked.
    explicit FieldColumnsDlg(const FieldColumns &current, QWidget *parent = nullptr);
    ~FieldColumnsDlg() override;

    /// The columns checked.
    std::vector<FieldColumns::Column> columns() const;
    /// Checks or unchecks a column.
    void setChecked(const FieldColumns::Column &column, bool checked);

private:
    QTreeWidgetItem *itemOf(const FieldColumns::Column &column) const;

    std::unique_ptr<Ui::FieldColumnsDlg> ui;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_FIELDCOLUMNSDLG_H
