#include "engine/suggestions.h"

namespace vexa {

void applySuggestion(const TRecom& s, RestrictionBounds& bounds) {
    if (s.Tipo == kTipoMin || s.Tipo == kTipoIgual) bounds.min = s.Sugerido;
    if (s.Tipo == kTipoMax || s.Tipo == kTipoIgual) bounds.max = s.Sugerido;
}

void applySuggestion(const TRecom& s, RatioBounds& bounds) {
    // The suggestion is the first term over the user's own second term, which stays.
    if (s.Tipo == kTipoMin || s.Tipo == kTipoIgual) {
        bounds.minN1 = s.Sugerido;
        bounds.minN2 = s.SugeridoN2;
    }
    if (s.Tipo == kTipoMax || s.Tipo == kTipoIgual) {
        bounds.maxN1 = s.Sugerido;
        bounds.maxN2 = s.Sugerido.isZero() ? Fixed4() : s.SugeridoN2;
    }
}

int applySuggestions(const std::vector<TRecom>& suggestions,
                     std::vector<RestrictionBounds>& ingredients,
                     std::vector<RestrictionBounds>& nutrients) {
    std::vector<RatioBounds> none;
    return applySuggestions(suggestions, ingredients, nutrients, none);
}

int applySuggestions(const std::vector<TRecom>& suggestions,
                     std::vector<RestrictionBounds>& ingredients,
                     std::vector<RestrictionBounds>& nutrients, std::vector<RatioBounds>& ratios) {
    int applied = 0;
    for (const TRecom& s : suggestions) {
        if (s.Clase != kClaseRelacion) continue;
        for (RatioBounds& b : ratios) {
            if (b.code != s.Indice) continue;
            applySuggestion(s, b);
            ++applied;
            break;
        }
    }
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
