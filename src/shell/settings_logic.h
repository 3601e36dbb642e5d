#pragma once
// The logic of the database-properties dialog: the record counts it shows and the
// conversion of every value between the fresh and the dry basis.
#include <functional>
#include <string>

namespace vexa {

class Database;
class Tdm;

std::string databaseInfoText(Database& db);

// The whole-database conversion of the store (ConvertirBaseDatos): one transaction, a
// refused write throws and leaves every value as it was. `progress` gets (done, total)
// after each ingredient.
void convertBasis(Database& db, Tdm& dm, int msNutrient, bool toDry,
                  const std::function<void(int done, int total)>& progress = {});

}  // namespace vexa
