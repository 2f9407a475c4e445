// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_COLORS_COLORDLG_H
#define VIEWER_COLORS_COLORDLG_H

#include "viewer/colors/framecolorscheme.h"
#include "ui_colordlg.h"

#include <QColor>
#include <QDialog>
#include <QMap>
#include <QString>

QT_BEGIN_NAMESPACE
class QListWidgetItem;
QT_END_NAMESPACE

namespace Korvex {

/// The colour tables of both protocol versions, their files, their lookups, and the dialog
/// in which the user edits them.
class ColorDlg : public QDialog
{
    Q_OBJECT

public:
    ColorDlg();
    ~ColorDlg() override;

    /// Reads the working copy (.lst) or the defaults (.def) of a version into its table.
    void loadColors(int version, bool defaults);
    /// Writes the table of a version to its working copy.
    void saveColors(int version);
    void saveAllColors();
    /// The colours of a channel type name; an invalid colour when the table has no entry.
    /// A lookup never adds an entry.
    QColor textColor(int version, const QString &name) const;
    QColor bgColor(int version, const QString &name) const;
    /// The tables the dialog edits, for the views that paint with them.
    const FrameColorScheme &scheme() const { return colors; }

    void fillColorList(int version);
    void setListHighlight(QColor text, QColor bg);
    void reloadColors();

public slots:
    void protocolVersionChanged(int index);
    void setDefaultColors();
    void itemSelected(QListWidgetItem *current, QListWidgetItem *previous);
    void setTextColor();
    void setBgColor();

private:
    Ui::ColorDlg ui;
    FrameColorScheme colors;
    int currentVersion = 0;
};

} // namespace Korvex

#endif // VIEWER_COLORS_COLORDLG_H
