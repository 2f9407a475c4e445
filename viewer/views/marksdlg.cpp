// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/views/marksdlg.h"

#include "core/text/numbertext.h"
#include "viewer/views/marksmodel.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

namespace Korvex {

MarksDlg::MarksDlg(CaptureSession &session, QWidget *parent)
    : QDialog(parent)
    , m_model(new MarksModel(session, this))
    , m_sorted(new QSortFilterProxyModel(this))
    , m_table(new QTableView(this))
    , m_count(new QLabel(this))
{
    setWindowTitle(tr("Marks"));
    setObjectName(QStringLiteral("MarksDlg"));
    m_sorted->setSourceModel(m_model);
    m_sorted->setSortRole(Qt::UserRole);
    m_sorted->setSortCaseSensitivity(Qt::CaseInsensitive);
    m_table->setModel(m_sorted);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(MarksModel::Frame, Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    // A double click goes to the frame; a note is edited with F2 or by typing over it.
    m_table->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed
                             | QAbstractItemView::SelectedClicked);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(false);

    auto *hint = new QLabel(
        tr("Double-click a mark to go to its frame. Select a note and press F2 to edit it."), this);
    hint->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_count);
    layout->addWidget(m_table, 1);
    layout->addWidget(hint);
    layout->addWidget(buttons);
    resize(640, 400);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(m_table, &QTableView::doubleClicked, this, &MarksDlg::goToRow);
    connect(m_model, &QAbstractItemModel::modelReset, this, &MarksDlg::updateCount);
    connect(m_model, &QAbstractItemModel::modelReset, m_table, &QTableView::resizeColumnsToContents);
    updateCount();
    m_table->resizeColumnsToContents();
}

MarksDlg::~MarksDlg() = default;

qint64 MarksDlg::frameAt(int row) const
{
    return m_model->frameAt(m_sorted->mapToSource(m_sorted->index(row, 0)).row());
}

void MarksDlg::goToRow(const QModelIndex &index)
{
    const qint64 frame = index.isValid() ? frameAt(index.row()) : -1;
    if (frame >= 0)
        emit goToFrame(frame);
}

void MarksDlg::updateCount()
{
    const int marks = m_model->rowCount();
    m_count->setText(marks == 0 ? tr("No frame is marked.")
                     : marks == 1 ? tr("1 marked frame")
                                  : tr("%1 marked frames").arg(NumberText::grouped(qint64(marks))));
}

} // namespace Korvex
