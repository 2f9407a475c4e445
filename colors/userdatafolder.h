#ifndef COLORS_USERDATAFOLDER_H
#define COLORS_USERDATAFOLDER_H

#include <QString>

namespace Korvex {

/// The folder of the user's colour files, ending in "/": the per-user data folder followed by
/// "Kestrant/Framescope/". Empty when the platform cannot name a data folder. The folder is
/// never created here; an installation provides it.
QString userDataFolder();

} // namespace Korvex

#endif // COLORS_USERDATAFOLDER_H
