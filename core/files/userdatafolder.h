// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILES_USERDATAFOLDER_H
#define CORE_FILES_USERDATAFOLDER_H

#include <QString>

namespace Korvex {

/// The folder of the user's colour files, ending in "/": the per-user data folder followed by
/// "Kestrant/Framescope/". Empty when the platform cannot name a data folder. The folder is
/// never created here; an installation provides it.
QString userDataFolder();

} // namespace Korvex

#endif // CORE_FILES_USERDATAFOLDER_H
