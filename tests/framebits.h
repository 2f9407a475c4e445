#ifndef TESTS_FRAMEBITS_H
#define TESTS_FRAMEBITS_H

#include "core/filters/framebitmap.h"
#include "core/filters/framerows.h"

#include <initializer_list>
#include <memory>

/// Display filters' results for the tests: the frames listed, out of `size`.
namespace FrameBits {

template <class Frames>
std::shared_ptr<Korvex::FrameBitmap> bitmapOf(qint64 size, const Frames &frames)
{
    auto bits = std::make_shared<Korvex::FrameBitmap>(size);
    for (qint64 frame : frames)
        bits->set(frame);
    bits->finish();
    return bits;
}

inline std::shared_ptr<Korvex::FrameBitmap> bitmapOf(qint64 size,
                                                     std::initializer_list<qint64> frames)
{
    return bitmapOf<std::initializer_list<qint64>>(size, frames);
}

template <class Frames>
Korvex::FrameRows rowsOf(qint64 size, const Frames &frames)
{
    return Korvex::FrameRows(bitmapOf(size, frames));
}

inline Korvex::FrameRows rowsOf(qint64 size, std::initializer_list<qint64> frames)
{
    return Korvex::FrameRows(bitmapOf(size, frames));
}

} // namespace FrameBits

#endif // TESTS_FRAMEBITS_H
