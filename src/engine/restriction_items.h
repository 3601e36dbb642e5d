#pragma once
// The items of the engine's restriction lists: what a formula restricts and what a run computes
// for each restriction. Lists of them are plain vectors owned by the mix object.
#include "engine/fixed4.h"

#include <cstdint>
#include <vector>

namespace vexa {

// A restriction as a formula stores it: the ingredient's or nutrient's code and its bounds
// (an ingredient's maximum defaults to 100; a nutrient's 0 means none).
struct RestrictionBounds {
    int32_t code = 0;
    Fixed4 min, max;
};

// A position in another list; lists of these order the ingredient list.
struct TOrden {
    int32_t Indice = 0;
};

struct TNombre {
    int32_t Codigo = 0;  // nutrient or ingredient code
    Fixed4 Cantidad;     // level or share computed by the run
};

// A dual below this ($/kg per unit) is the arithmetic's noise, not a price.
inline constexpr double kNoDual = 1e-11;

// One nutrient restriction of a formula.
struct TNutriente : TNombre {
    Fixed4 Min;  // 0: none
    Fixed4 Max;  // 0: none
    Fixed4 Sensib;
    double SensibExact = 0.0;  // Sensib at full precision (an energy dual is far below 1e-4)
    double Valor = 0.0;        // unrounded result
    bool Fijo = false;         // equality: Min = Max and Min != 0
    bool Fuera = false;        // not met by the delivered ration
    int32_t FilaMin = 0;
    int32_t FilaMax = 0;
    int32_t ColExceso = 0;
    int32_t ColHolgura = 0;
    bool ConMin = false;
    bool ConMax = false;
};

// One ingredient restriction; Cantidad is its share in %, Max defaults to 100.
struct TInsumo : TNutriente {
    Fixed4 Precio;  // per kg
    Fixed4 MS;      // dry matter %, filled only on a dry-matter basis
    Fixed4 PrecioMin;
    Fixed4 PrecioMax;
    int32_t ItId = 0;
    // The ration stays optimal at any lower (higher) price: PrecioMin (PrecioMax) is then 0 and
    // means nothing; reports print the end blank.
    bool NoPriceFloor = false;
    bool NoPriceCeiling = false;
};

// Suggestion classes and restriction types.
enum : int32_t { kClaseTotal = 1, kClaseInsumo = 2, kClaseNutriente = 3, kClaseRelacion = 4 };
enum : int32_t { kTipoMin = 6, kTipoMax = 7, kTipoIgual = 8 };

// One suggested relaxation; Indice is the code of the ingredient or nutrient concerned.
// Item and Fila are wider than a byte so that large formulas keep exact positions.
struct TRecom : TOrden {
    int32_t Item = 0;  // position in its list (0-based)
    int32_t Fila = 0;  // row of the restriction
    int32_t Clase = 0;
    int32_t Tipo = 0;
    Fixed4 Faltante;  // amount to relax by
    Fixed4 Sugerido;  // relaxed bound; the original bound is Sugerido + Faltante
    // A ratio's bound keeps the user's form N1 : N2: Sugerido and Faltante are first terms
    // over this second term, the user's own (0 counts as 1), so a bound such as 0.5002 : 1000
    // relaxes to 0.4996 : 1000 instead of losing its digits to a reduced x : 1.
    Fixed4 SugeridoN2;
};

// Declared for the stored formula model; no engine operation fills or reads it.
struct TConsumo : TInsumo {};

// A ratio restriction as a formula stores it: level(nut1) / level(nut2) between minN1 : minN2
// and maxN1 : maxN2. A second term of 0 counts as 1; a first term of 0 means no bound.
struct RatioBounds {
    int32_t code = 0;  // the ratio (Rel)
    int32_t nut1 = 0, nut2 = 0;
    Fixed4 minN1, minN2;
    Fixed4 maxN1, maxN2;
};

// One ratio restriction of a run. Codigo is the ratio; Min, Max, Cantidad and Sensib are
// ratios reduced to "x : 1" (Max 0: none); Valor is the unrounded ratio found.
struct TRelacion : TNutriente {
    RatioBounds Bounds;
    double Nivel1 = 0.0;  // levels of the two nutrients in the ration
    double Nivel2 = 0.0;
    // The second nutrient ends at level 0: the ratio has no value and is met only as its rows
    // are.
    bool SinValor = false;
};

// Items of `list` ordered by Cantidad, largest first; with all false only those above 0.
// Among equal amounts the later item comes first.
template <class Item>
std::vector<TOrden> OrdenPorValor(const std::vector<Item>& list, bool all) {
    std::vector<TOrden> order;
    for (int32_t i = 0; i < static_cast<int32_t>(list.size()); ++i) {
        const Fixed4 amount = list[i].Cantidad;
        if (!all && amount <= Fixed4()) continue;
        auto at = order.begin();
        while (at != order.end() && list[at->Indice].Cantidad > amount) ++at;
        order.insert(at, TOrden{i});
    }
    return order;
}

}  // namespace vexa
