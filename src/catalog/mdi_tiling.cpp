#include "catalog/mdi_tiling.h"

namespace vexa {

std::vector<QRect> tileRects(int count, const QRect& area, bool vertical) {
    std::vector<QRect> out;
    if (count <= 0) return out;
    // Up to three windows share one row (or column); beyond that the windows form a
    // grid whose last band takes the remainder.
    int bands = count <= 3 ? 1 : (count + 2) / 3;
    int perBand = (count + bands - 1) / bands;
    int placed = 0;
    for (int b = 0; b < bands; ++b) {
        int inBand = b == bands - 1 ? count - placed : perBand;
        for (int i = 0; i < inBand; ++i) {
            if (vertical) {
                int x0 = area.left() + area.width() * i / inBand;
                int x1 = area.left() + area.width() * (i + 1) / inBand;
                int y0 = area.top() + area.height() * b / bands;
                int y1 = area.top() + area.height() * (b + 1) / bands;
                out.emplace_back(x0, y0, x1 - x0, y1 - y0);
            } else {
                int y0 = area.top() + area.height() * i / inBand;
                int y1 = area.top() + area.height() * (i + 1) / inBand;
                int x0 = area.left() + area.width() * b / bands;
                int x1 = area.left() + area.width() * (b + 1) / bands;
                out.emplace_back(x0, y0, x1 - x0, y1 - y0);
            }
        }
        placed += inBand;
    }
    return out;
}

}  // namespace vexa
