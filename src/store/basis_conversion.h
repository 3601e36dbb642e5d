#pragma once
// The conversion of every nutrient value of the workspace between the fresh and the dry
// basis, when the database's state changes.
#include <cstdint>
#include <functional>

namespace vexa {

class Database;

// Converts the values of type-0 nutrients of every ingredient with a non-zero dry-matter
// value d: × 100/d to the dry basis, × d/100 to the fresh one, the factor and the results
// rounded to 4 decimals. Dry-matter values, prices and other types stay as they are.
// One transaction: a write the store refuses throws SqlError and leaves every value as it
// was. `progress` gets (done, total) after each ingredient. Returns the ingredients converted.
int ConvertirBaseDatos(Database& db, int32_t msNutrient, bool toDry,
                       const std::function<void(int done, int total)>& progress = {});

}  // namespace vexa
