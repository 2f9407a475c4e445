// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_TEXT_FRAMETEXT_H
#define CORE_TEXT_FRAMETEXT_H

#include "core/frames/framerecord.h"

#include <QtGlobal>

#include <QString>

namespace Korvex {

class FrameIndex;

/// The texts of the frame table: its column titles and the text of every cell, shared by the
/// viewer's table and drfdump so that both always show the same.
namespace FrameText {

/// Columns of the frame table: time, frame, CTS (or CRI), payload size, payload.
constexpr int ColumnCount = 5;

/// Title of a column; "CTS" for DigRF 3G and "CRI" otherwise in column 2; empty past column 4.
QString columnTitle(int column, int protocolVersion);

/// Appends the text of one cell to `out`; nothing for a column past 4. Column 2 follows the
/// given protocol version (the table's), the other columns the record's own. A frame that is
/// no longer in its file shows "missing" for its time and payload.
void appendCell(QString &out, const FrameRecord &record, int column, int protocolVersion);
/// The same cell as UTF-8 bytes, for output that is written as it is made.
void appendCell(QByteArray &out, const FrameRecord &record, int column, int protocolVersion);

/// The text of one cell.
QString cell(const FrameRecord &record, int column, int protocolVersion);

/// Appends a whole number in decimal digits, with a minus sign when `negative`: cells are built
/// without a temporary string per number.
void appendNumber(QString &out, quint64 value, bool negative = false);
void appendNumber(QByteArray &out, quint64 value, bool negative = false);

/// The channel type name of an indexed frame, the key of its colours: "not impl" when the
/// capture is not DigRF 3G.
QString channelTypeName(const FrameIndex &index, qint64 frame);

} // namespace FrameText

} // namespace Korvex

#endif // CORE_TEXT_FRAMETEXT_H
