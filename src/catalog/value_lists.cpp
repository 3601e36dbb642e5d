#include "catalog/value_lists.h"

#include <set>

#include "catalog/requests.h"
#include "store/tdm.h"

namespace vexa {

ValueList::ValueList(Database& db, Tdm& dm, RequestSink& requests, int activationCode)
    : RecordList(db, requests, activationCode), dm_(dm) {
    setSortLine(4);
    setUpdateSql(
        "UPDATE Val SET Ins = :Ins, Nut = :Nut, Valor = :Valor "
        "WHERE Ins = :OLD_Ins AND Nut = :OLD_Nut",
        "INSERT INTO Val (Ins, Nut, Valor) VALUES (:Ins, :Nut, :Valor)",
        "DELETE FROM Val WHERE Ins = :OLD_Ins AND Nut = :OLD_Nut");
}

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

std::vector<Candidate> ValueList::readPairs(const std::string& sql) {
    std::vector<Candidate> out;
    Statement st = db().prepare(sql);
    while (st.step()) out.push_back({st.getInt(0), st.getText(1)});
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
        if (wEditar()) ++stored;
    }
    return stored;
}

IngredientValues::IngredientValues(Database& db, Tdm& dm, RequestSink& requests)
    : ValueList(db, dm, requests, kActVals) {
    setQuery({"Select N.Nombre, N.Unidad, Ins, Nut, Valor, N.Orden", "From NUT N, VAL ",
              "WHERE Nut = N.Codigo AND  (Ins = :Codigo)", "Order By ", "N.Orden"});
    searchFields = {"Nombre", "Unidad"};
}

std::vector<Candidate> IngredientValues::candidates() {
    return readPairs("SELECT Codigo, Nombre FROM Nut");
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
    setQuery({"Select I.Nombre, Ins, Nut, Valor", "From INS I INNER JOIN VAL ON (Ins = I.Codigo) ",
              "WHERE (Nut = :Codigo)", "Order By ", "Nombre"});
    searchFields = {"Nombre"};
}

std::vector<Candidate> NutrientValues::candidates() {
    return readPairs("SELECT Codigo, Nombre FROM Ins");
}

void NutrientValues::fillNewRow(int ins) {
    setField("Nombre", dm_.NombreDe(kNameIngredient, ins));
    setField("Ins", int64_t{ins});
    setField("Nut", int64_t{selected_});
    setField("Valor", 0.0);
}

std::vector<Candidate> ingredientLookup(Database& db) {
    std::vector<Candidate> out;
    Statement st = db.prepare(tdm_sql::qlbIns);
    while (st.step()) out.push_back({st.getInt(0), st.getText(1)});
    return out;
}

std::vector<Candidate> nutrientLookup(Database& db, bool pricesOnly) {
    std::vector<Candidate> out;
    Statement st = db.prepare(tdm_sql::qNutUni);
    while (st.step())
        if (!pricesOnly || st.getInt(2) == 1) out.push_back({st.getInt(0), st.getText(1)});
    return out;
}

}  // namespace vexa
