#include "shell/settings_logic.h"

#include <cstdio>
#include <utility>

#include "store/basis_conversion.h"
#include "store/catalog_queries.h"

namespace vexa {

std::string databaseInfoText(Database& db) {
    const RecordCounts c = countRecords(db);
    char buf[200];
    std::string out = "La base de datos contiene:\n";
    const std::pair<int, const char*> lines[] = {{c.nutrients, " * %d nutrientes"},
                                                 {c.ingredients, " * %d insumos"},
                                                 {c.groups, " * %d grupos"},
                                                 {c.formulas, " * %d fórmulas"},
                                                 {c.mixes, " * %d mezclas manuales"}};
    for (const auto& [n, fmt] : lines) {
        std::snprintf(buf, sizeof buf, fmt, n);
        out += std::string(buf) + "\n";
    }
    return out;
}

void convertBasis(Database& db, Tdm&, int msNutrient, bool toDry,
                  const std::function<void(int, int)>& progress) {
    ConvertirBaseDatos(db, msNutrient, toDry, progress);
}

}  // namespace vexa
