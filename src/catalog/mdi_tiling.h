#pragma once
// Tiling of child windows, computed by us so that both directions behave the same on
// every platform: horizontal stacks the windows one above the other, vertical sets them
// side by side.
#include <QRect>
#include <vector>

namespace vexa {

std::vector<QRect> tileRects(int count, const QRect& area, bool vertical);

}  // namespace vexa
