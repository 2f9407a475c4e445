// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_APP_TASKKINDS_H
#define VIEWER_APP_TASKKINDS_H

#include <QString>

namespace Korvex {

/// The kinds of the main window's passes on the session's task runner: a new pass of a kind
/// replaces the one still running.
namespace TaskKinds {

inline const QString Load = QStringLiteral("load");
inline const QString Filter = QStringLiteral("filter");
inline const QString Find = QStringLiteral("find");
inline const QString Export = QStringLiteral("export");
inline const QString Print = QStringLiteral("print");
/// A read of the capture on display that its file gained while it is followed.
inline const QString Follow = QStringLiteral("follow");

} // namespace TaskKinds

} // namespace Korvex

#endif // VIEWER_APP_TASKKINDS_H
