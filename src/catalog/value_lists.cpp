#include "catalog/value_lists.h"

#include <set>

#include "catalog/requests.h"
#include "store/catalog_queries.h"
#include "store/tdm.h"

namespace vexa {

ValueList::ValueList(Database& db, Tdm& dm, RequestSink& requests, int activationCode)
    : RecordList(db, requests, activationCode), dm_(dm) {}

void ValueList::select(int code) {
    if (editing()) post();
    selected_ = code;
    setParam("Codigo", int64_t{code});
    if (isOpen())
        reopen();
    else
        open();
    first();
}

std::vector<Candidate> toCandidates(const std::vector<CodeName>& rows) {
    std::vector<Candidate> out;
    out.reserve(rows.size());
    for (const CodeName& r : rows) out.push_back({r.code, r.name});
    return out;
}

int ValueList::insertMissing() {
    if (!canModify() || selected_ == 0) return 0;
    std::set<int> have;
    // The other item of each row already listed is excluded.
    std::string otherField = activationCode() == kActValN ? "Ins" : "Nut";
    for (int r = 0; r < rowCount(); ++r)
        have.insert(static_cast<int>(toNumber(value(r, otherField))));
    std::vector<int> codes = chooseMissing(choiceSpec(), candidates(), have, choiceDialog);
    int stored = 0;
    for (int code : codes) {
        if (!insert()) break;
        fillNewRow(code);
        if (wEditar())
            ++stored;
        else if (lastWriteRefused())
            break;  // the user has been told; the next rows would fail the same way
    }
    return stored;
}

IngredientValues::IngredientValues(Database& db, Tdm& dm, RequestSink& requests)
    : ValueList(db, dm, requests, kActVals) {
    setQuery(catalog_queries::ingredientValues());
    searchFields = {"Nombre", "Unidad"};
}

std::vector<Candidate> IngredientValues::candidates() {
    return toCandidates(allNutrients(db()));
}

void IngredientValues::fillNewRow(int nut) {
    setField("Nombre", dm_.NombreDe(kNameNutrient, nut));
    setField("Unidad", dm_.UnidadNutriente(nut));
    setField("Ins", int64_t{selected_});
    setField("Nut", int64_t{nut});
    setField("Valor", 0.0);
}

NutrientValues::NutrientValues(Database& db, Tdm& dm, RequestSink& requests)
    : ValueList(db, dm, requests, kActValN) {
    setQuery(catalog_queries::nutrientValues());
    searchFields = {"Nombre"};
}

std::vector<Candidate> NutrientValues::candidates() {
    return toCandidates(allIngredients(db()));
}

void NutrientValues::fillNewRow(int ins) {
    setField("Nombre", dm_.NombreDe(kNameIngredient, ins));
    setField("Ins", int64_t{ins});
    setField("Nut", int64_t{selected_});
    setField("Valor", 0.0);
}

std::vector<Candidate> ingredientLookup(Database& db) {
    return toCandidates(ingredientsByName(db));
}

std::vector<Candidate> nutrientLookup(Database& db, bool pricesOnly) {
    return toCandidates(nutrientsWithUnit(db, pricesOnly));
}

}  // namespace vexa
