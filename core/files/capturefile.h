// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILES_CAPTUREFILE_H
#define CORE_FILES_CAPTUREFILE_H

#include <QString>

namespace Korvex {

/// The protocol version a capture is read with, from its file name alone: 0 (DigRF 3G) when
/// the suffix is "drf3" in any case, else 1 (DigRF v4).
int protocolVersionOf(const QString &fileName);

/// The load log's line naming the protocol version chosen.
QString protocolVersionLogText(int protocolVersion);
/// The load log's line for a file that cannot be opened.
QString cannotOpenLogText(const QString &fileName);
/// The load log's line for a file that was opened.
QString openedLogText(const QString &fileName);

} // namespace Korvex

#endif // CORE_FILES_CAPTUREFILE_H
