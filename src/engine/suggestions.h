#pragma once
// Applying a run's suggested relaxations to the restrictions of a formula. One rule for every
// caller (the formula editor's "Cambiar y Reformular", the command line), so that what the user
// accepts is exactly what the next run sees.
#include "engine/restriction_items.h"

#include <vector>

namespace vexa {

// Writes one suggestion into the bounds of its restriction: a minimum (Tipo 6) or an equality
// (8) sets Min, a maximum (7) or an equality sets Max.
void applySuggestion(const TRecom& s, RestrictionBounds& bounds);

// Applies every suggestion, in list order, to the restriction of the same code: ingredient
// suggestions (Clase 2) to `ingredients`, nutrient suggestions (Clase 3) to `nutrients`.
// Suggestions of the 100 % row, or for a code the lists do not hold, change nothing. Returns
// how many suggestions were applied.
int applySuggestions(const std::vector<TRecom>& suggestions,
                     std::vector<RestrictionBounds>& ingredients,
                     std::vector<RestrictionBounds>& nutrients);
// The same, with ratio suggestions (Clase 4) written into `ratios`: the suggested ratio as
// "x : 1" (a suggested maximum of 0 removes the maximum).
void applySuggestion(const TRecom& s, RatioBounds& bounds);
int applySuggestions(const std::vector<TRecom>& suggestions,
                     std::vector<RestrictionBounds>& ingredients,
                     std::vector<RestrictionBounds>& nutrients, std::vector<RatioBounds>& ratios);

}  // namespace vexa
