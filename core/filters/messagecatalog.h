// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILTERS_MESSAGECATALOG_H
#define CORE_FILTERS_MESSAGECATALOG_H

#include "core/frames/payloadfield.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QtGlobal>

#include <vector>

namespace Korvex {

/// What the filter language asks of the messages that a definition file names in frame
/// payloads: their names and fields, and which message a frame is. Messages and fields are
/// numbered in the file's order. An implementation is read by several threads at once and
/// never changes.
class MessageCatalog
{
public:
    virtual ~MessageCatalog() = default;

    virtual QStringList messageNames() const = 0;
    /// The message of that name, or -1.
    virtual int messageIndex(QStringView name) const = 0;
    virtual QStringList fieldNames(int message) const = 0;
    /// The field of that name within the message, or -1.
    virtual int fieldIndex(int message, QStringView name) const = 0;
    virtual const PayloadField &fieldLayout(int message, int field) const = 0;
    /// The names the field gives its raw values, in order of the values.
    virtual QStringList valueNames(int message, int field) const = 0;
    /// The raw values the field gives this name; none when it gives it to none.
    virtual std::vector<quint64> valuesNamed(int message, int field, QStringView name) const = 0;

    /// Whether a frame with this header byte can be the message: its channel and payload size
    /// fit, and all its fields lie inside the payload. The payload decides the rest.
    virtual bool mayBe(int message, quint8 header) const = 0;
    /// The message a frame is, or -1: the first one in the file's order that its header byte
    /// allows and whose condition its payload meets. `payload` holds `length` bytes in the
    /// order the frame's dump shows them.
    virtual int messageOf(quint8 header, const uchar *payload, int length) const = 0;
};

} // namespace Korvex

#endif // CORE_FILTERS_MESSAGECATALOG_H
