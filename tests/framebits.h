// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TESTS_FRAMEBITS_H
#define TESTS_FRAMEBITS_H

#include "core/filters/framebitmap.h"
#include "core/filters/framerows.h"

#include <QList>

#include <memory>

/// Display filters' results for the tests: the frames listed, out of `size`.
namespace FrameBits {

inline std::shared_ptr<Korvex::FrameBitmap> bitmapOf(qint64 size, const QList<qint64> &frames)
{
    auto bits = std::make_shared<Korvex::FrameBitmap>(size);
    for (qint64 frame : frames)
        bits->set(frame);
    bits->finish();
    return bits;
}

inline Korvex::FrameRows rowsOf(qint64 size, const QList<qint64> &frames)
{
    return Korvex::FrameRows(bitmapOf(size, frames));
}

} // namespace FrameBits

#endif // TESTS_FRAMEBITS_H
