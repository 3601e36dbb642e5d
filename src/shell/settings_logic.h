#pragma once
// The logic of the database-properties dialog: the record counts it shows and the
// conversion of every value between the fresh and the dry basis.
#include <functional>
#include <string>

namespace vexa {

class Database;
class Tdm;

std::string databaseInfoText(Database& db);

// Converts the values of type-0 nutrients of every ingredient with a non-zero dry-matter
// value: × 100/d to the dry basis, × d/100 to the fresh one, the factor and the results
// rounded to 4 decimals. `progress` gets (done, total) after each ingredient.
void convertBasis(Database& db, Tdm& dm, int msNutrient, bool toDry,
                  const std::function<void(int done, int total)>& progress = {});

}  // namespace vexa
