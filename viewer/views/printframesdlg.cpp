// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/views/printframesdlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <limits>

namespace Korvex {

PrintFramesDlg::PrintFramesDlg(const FrameRows &shown, const PrintRows &selected,
                               QWidget *parent)
    : QDialog(parent)
    , m_shown(shown)
    , m_selected(selected)
{
    setWindowTitle(tr("Print Frames"));
    const qint64 rows = shown.count();
    m_all = new QRadioButton(tr("&All frames (%1)").arg(rows), this);
    m_all->setObjectName(QStringLiteral("rbAll"));
    m_selection = new QRadioButton(tr("&Selected frames (%1)").arg(selected.count()), this);
    m_selection->setObjectName(QStringLiteral("rbSelection"));
    m_selection->setEnabled(!selected.isEmpty());
    m_range = new QRadioButton(tr("&Frames from"), this);
    m_range->setObjectName(QStringLiteral("rbRange"));
    m_range->setEnabled(rows > 0);

    // Frame numbers stay within int: the capture indexes no more frames than that.
    const auto number = [](qint64 frame) {
        return int(qBound<qint64>(0, frame, qint64(std::numeric_limits<int>::max())));
    };
    const int first = rows > 0 ? number(shown.frameAt(0)) : 0;
    const int last = rows > 0 ? number(shown.frameAt(rows - 1)) : 0;
    m_from = new QSpinBox(this);
    m_from->setObjectName(QStringLiteral("sbFrom"));
    m_to = new QSpinBox(this);
    m_to->setObjectName(QStringLiteral("sbTo"));
    for (QSpinBox *box : {m_from, m_to}) {
        box->setRange(first, last);
        box->setEnabled(false);
    }
    m_from->setValue(first);
    m_to->setValue(last);
    connect(m_range, &QRadioButton::toggled, m_from, &QSpinBox::setEnabled);
    connect(m_range, &QRadioButton::toggled, m_to, &QSpinBox::setEnabled);
    m_all->setChecked(true);

    auto *choices = new QGridLayout;
    choices->addWidget(m_all, 0, 0, 1, 4);
    choices->addWidget(m_selection, 1, 0, 1, 4);
    choices->addWidget(m_range, 2, 0);
    choices->addWidget(m_from, 2, 1);
    choices->addWidget(new QLabel(tr("to"), this), 2, 2);
    choices->addWidget(m_to, 2, 3);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(buttons);
}

PrintRows PrintFramesDlg::printRows() const
{
    if (m_selection->isChecked())
        return m_selected;
    if (m_range->isChecked())
        return PrintRows::frames(m_shown, m_from->value(), m_to->value());
    return PrintRows::all(m_shown);
}

} // namespace Korvex
