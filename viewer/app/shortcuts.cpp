// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/app/combokeys.h"
#include "viewer/app/shortcutsdlg.h"
#include "viewer/dialogs/modaldialogs.h"

#include <QAction>
#include <QComboBox>
#include <QKeySequence>

namespace Korvex {

namespace {

// The platform's keys for a standard command, or the given keys where its key scheme has
// none (Windows and the offscreen platform know no Quit key, for instance).
QList<QKeySequence> standardKeys(QKeySequence::StandardKey command, const QKeySequence &fallback)
{
    const QList<QKeySequence> keys = QKeySequence::keyBindings(command);
    return keys.isEmpty() ? QList<QKeySequence>{fallback} : keys;
}

} // namespace

void Framescope::setUpShortcuts()
{
    ui.actionOpen_File->setShortcuts(standardKeys(QKeySequence::Open, Qt::CTRL | Qt::Key_O));
    ui.actionPrint->setShortcuts(standardKeys(QKeySequence::Print, Qt::CTRL | Qt::Key_P));
    ui.actionExit->setShortcuts(standardKeys(QKeySequence::Quit, Qt::CTRL | Qt::Key_Q));
    // Find Frame asks for a frame number, which is what Go To means elsewhere; Ctrl+F stays
    // free for a search through the frames' contents.
    ui.actionFind->setShortcut(Qt::CTRL | Qt::Key_G);
    ui.actionFileSave->setShortcut(Qt::CTRL | Qt::Key_N);
    ui.actionColors->setShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_C);
    ui.actionGoPrev->setShortcut(Qt::ALT | Qt::Key_Up);
    ui.actionGoNext->setShortcut(Qt::ALT | Qt::Key_Down);
    // A combo box with the focus opens its list on these keys, as everywhere else.
    auto *comboKeys = new ComboKeys(this);
    for (QComboBox *box : {ui.cbBase, ui.cbBytesPerColumn, ui.cbByteOrder})
        box->installEventFilter(comboKeys);

    // Home and End keep their own meaning elsewhere (start and end of a line, first and last
    // entry of a list); only in the frame table do they go to the first and last frame. The
    // actions join the table, so that their keys answer while the table has the focus.
    ui.actionGoFirst->setShortcuts({Qt::CTRL | Qt::Key_Home, Qt::Key_Home});
    ui.actionGoLast->setShortcuts({Qt::CTRL | Qt::Key_End, Qt::Key_End});
    for (QAction *action : {ui.actionGoFirst, ui.actionGoLast}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        ui.tblFrames->addAction(action);
    }

    // The tool bar shows tool tips only; they name the keys that the menus show beside the
    // entries.
    const QList<QAction *> actions = findChildren<QAction *>(Qt::FindDirectChildrenOnly);
    for (QAction *action : actions) {
        if (!action->shortcuts().isEmpty())
            action->setToolTip(tr("%1 (%2)").arg(action->toolTip(),
                                                 ShortcutsDlg::keysText(action->shortcuts())));
    }
}

void Framescope::showShortcutsDlg()
{
    if (ModalDialogs::raiseOpen(this))
        return;
    ModalDialogs::open(new ShortcutsDlg(findChildren<QAction *>(Qt::FindDirectChildrenOnly), this));
}

} // namespace Korvex
