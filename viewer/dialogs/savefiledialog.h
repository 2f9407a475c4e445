// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_DIALOGS_SAVEFILEDIALOG_H
#define VIEWER_DIALOGS_SAVEFILEDIALOG_H

#include <QFileDialog>

namespace Korvex {

/// A file dialog that asks to save under a name, and asks before replacing a file in a message
/// box over itself that waits for no answer: the dialog stays open until it is given.
class SaveFileDialog : public QFileDialog
{
public:
    SaveFileDialog(QWidget *parent, const QString &caption, const QString &folder,
                   const QString &filter);

    void accept() override;
};

} // namespace Korvex

#endif // VIEWER_DIALOGS_SAVEFILEDIALOG_H
