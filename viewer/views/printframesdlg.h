// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_VIEWS_PRINTFRAMESDLG_H
#define VIEWER_VIEWS_PRINTFRAMESDLG_H

#include "core/filters/framerows.h"
#include "core/text/printrows.h"

#include <QDialog>

QT_BEGIN_NAMESPACE
class QRadioButton;
class QSpinBox;
QT_END_NAMESPACE

namespace Korvex {

/// Asks which frames to print before the printer is chosen: all the table's rows, its
/// selected rows, or the frames from one number to another (as the row labels show them).
/// The print dialog's own page range counts pages of the printout, not frames.
class PrintFramesDlg : public QDialog
{
    Q_OBJECT

public:
    /// `shown`: the table's rows; `selected`: its selected rows.
    PrintFramesDlg(const FrameRows &shown, const PrintRows &selected, QWidget *parent = nullptr);

    /// The rows chosen.
    PrintRows printRows() const;

private:
    FrameRows m_shown;
    PrintRows m_selected;
    QRadioButton *m_all = nullptr;
    QRadioButton *m_selection = nullptr;
    QRadioButton *m_range = nullptr;
    QSpinBox *m_from = nullptr;
    QSpinBox *m_to = nullptr;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_PRINTFRAMESDLG_H
