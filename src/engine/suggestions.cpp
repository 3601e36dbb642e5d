#include "engine/suggestions.h"

namespace vexa {

void applySuggestion(const TRecom& s, RestrictionBounds& bounds) {
    if (s.Tipo == kTipoMin || s.Tipo == kTipoIgual) bounds.min = s.Sugerido;
    if (s.Tipo == kTipoMax || s.Tipo == kTipoIgual) bounds.max = s.Sugerido;
}

int applySuggestions(const std::vector<TRecom>& suggestions,
                     std::vector<RestrictionBounds>& ingredients,
                     std::vector<RestrictionBounds>& nutrients) {
    int applied = 0;
    for (const TRecom& s : suggestions) {
        std::vector<RestrictionBounds>* list = s.Clase == kClaseInsumo      ? &ingredients
                                               : s.Clase == kClaseNutriente ? &nutrients
                                                                            : nullptr;
        if (!list) continue;
        for (RestrictionBounds& b : *list) {
            if (b.code != s.Indice) continue;
            applySuggestion(s, b);
            ++applied;
            break;
        }
    }
    return applied;
}

}  // namespace vexa
