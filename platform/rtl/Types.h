// Runtime library: the small records and the event type that every layer shares: points, rectangles and the
// plain notification event.
#pragma once

#include <cstdint>
#include <functional>

class TObject;

struct TPoint {
    int32_t X, Y;
};

// Right and Bottom lie just outside the rectangle, so Width is Right - Left.
struct TRect {
    int32_t Left, Top, Right, Bottom;

    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
};

using TNotifyEvent = std::function<void(TObject* Sender)>;
