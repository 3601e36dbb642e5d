#pragma once
// What formulation runs read of the catalogues (ingredient values and types, a group's
// nutrients), kept between runs on one connection: solving many formulas reads each once. Anything
// written to the database since the cache was last known to be current empties it, so a run
// never sees a value the database no longer holds.
#include "engine/fixed4.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vexa {

class Database;

// A nutrient of a group as the content of a ration lists it: name, unit and type name cut to
// the widths of that list (25, 16 and 12 characters).
struct ContentNutrient {
    int32_t code = 0;
    std::string name, unit, type;
};

class FormulationCache {
public:
    explicit FormulationCache(Database& db) : db_(db) {}

    // The value of (ingredient, nutrient); 0 when there is none (or it is empty).
    Fixed4 value(int32_t ingredient, int32_t nutrient);
    // Every value of the ingredient, by nutrient code (empty values left out).
    using Values = std::vector<std::pair<int32_t, Fixed4>>;
    const Values& valuesOf(int32_t ingredient);
    // The ingredient's type (Ins.ItId); 0 when missing.
    int32_t ingredientType(int32_t ingredient);
    // Whether an ingredient (Ins) or a nutrient (Nut) of that code exists.
    bool ingredientExists(int32_t code);
    bool nutrientExists(int32_t code);
    // The group's nutrients in display order, with their type names.
    const std::vector<ContentNutrient>& groupNutrients(int32_t group);
    // Empties the cache when the database changed since markCurrent() (by this connection or
    // another one); call before a run reads values.
    void refresh();
    // What the cache holds is what the database holds now: a run that wrote only its results
    // calls this at its end, so its own writes do not empty the cache.
    void markCurrent();

private:
    std::pair<int64_t, int64_t> stamp();

    Database& db_;
    void clear();

    std::unordered_map<int32_t, Values> values_;
    std::unordered_map<int32_t, int32_t> types_;
    std::unordered_map<int32_t, std::vector<ContentNutrient>> groups_;
    // every code of Ins and of Nut, sorted; read on first use
    bool codesRead_ = false;
    std::vector<int32_t> ingredientCodes_, nutrientCodes_;
    void readCodes();
    size_t entries_ = 0;
    std::pair<int64_t, int64_t> stamp_{-1, -1};
};

}  // namespace vexa
