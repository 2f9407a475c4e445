// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_APP_SHORTCUTSDLG_H
#define VIEWER_APP_SHORTCUTSDLG_H

#include <QDialog>
#include <QKeySequence>
#include <QList>

QT_BEGIN_NAMESPACE
class QAction;
class QTableWidget;
QT_END_NAMESPACE

namespace Korvex {

/// Lists the keyboard shortcuts of a set of actions: what each action does, its keys and
/// where they answer. Built from the actions, so it shows the keys they really have.
class ShortcutsDlg : public QDialog
{
    Q_OBJECT

public:
    ShortcutsDlg(const QList<QAction *> &actions, QWidget *parent = nullptr);

    /// The keys as the platform writes them, separated by commas.
    static QString keysText(const QList<QKeySequence> &keys);

private:
    QTableWidget *table = nullptr;
};

} // namespace Korvex

#endif // VIEWER_APP_SHORTCUTSDLG_H
