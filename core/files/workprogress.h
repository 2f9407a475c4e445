// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILES_WORKPROGRESS_H
#define CORE_FILES_WORKPROGRESS_H

#include <QtGlobal>

#include <functional>

namespace Korvex {

/// Told now and then how far a long pass over a capture's frames has come (`done` of
/// `total`); answering false stops the pass. An empty function lets the pass run to its end.
using WorkProgress = std::function<bool(qint64 done, qint64 total)>;

} // namespace Korvex

#endif // CORE_FILES_WORKPROGRESS_H
