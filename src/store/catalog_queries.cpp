#include "store/catalog_queries.h"

#include "store/same_name.h"
#include "store/schema.h"
#include "store/tdm.h"

namespace vexa {

std::string ListQuery::text() const {
    std::string sql;
    for (const auto& l : lines) sql += l + "\n";
    return sql;
}

bool ListQuery::orderBy(const std::vector<SortKey>& keys) {
    if (keys.empty() || sortLine <= 0 || sortLine >= static_cast<int>(lines.size())) return false;
    std::string line;
    for (const SortKey& k : keys) {
        bool number = false;
        for (const auto& f : numericText) number = number || sameName(f, k.field);
        if (!line.empty()) line += ",";
        // Text sorts as names do; numbers stored as numbers are not touched by a collation.
        line += number ? "CAST(" + k.field + " AS INTEGER)" : k.field + " COLLATE NOMBRES";
        line += k.descending ? " DESC" : " ASC";
    }
    lines[sortLine] = line;
    return true;
}

namespace catalog_queries {

ListQuery nutrientList() {
    ListQuery q;
    q.lines = {"SELECT *", "FROM NUT", "ORDER BY", "ORDEN"};
    q.sortLine = 3;
    q.modify =
        "UPDATE NUT SET Nombre = :Nombre, Unidad = :Unidad, ItId = :ItId, Tipo = :Tipo, "
        "Orden = :Orden WHERE Codigo = :OLD_Codigo";
    q.insert =
        "INSERT INTO NUT (Nombre, Unidad, ItId, Tipo, Orden) "
        "VALUES (:Nombre, :Unidad, :ItId, :Tipo, :Orden)";
    q.remove = "DELETE FROM NUT WHERE Codigo = :OLD_Codigo";
    return q;
}

ListQuery ingredientList() {
    ListQuery q;
    // The count of values rides along so that its column sorts as the others do.
    q.lines = {
        "SELECT CODIGO, NOMBRE, REDONDEO, ITID, "
        "(SELECT COUNT(*) FROM VAL WHERE VAL.INS = INS.CODIGO) AS NNut",
        "FROM INS", "ORDER BY", "NOMBRE COLLATE NOMBRES"};
    q.sortLine = 3;
    q.modify =
        "UPDATE INS SET NOMBRE = :NOMBRE, REDONDEO = :REDONDEO, ITID = :ITID "
        "WHERE CODIGO = :OLD_CODIGO";
    q.insert = "INSERT INTO INS (NOMBRE, REDONDEO, ITID) VALUES (:NOMBRE, :REDONDEO, :ITID)";
    q.remove = "DELETE FROM INS WHERE CODIGO = :OLD_CODIGO";
    q.numericText = {"REDONDEO"};
    return q;
}

namespace {

ListQuery valueWrites() {
    ListQuery q;
    q.sortLine = 4;
    q.modify =
        "UPDATE Val SET Ins = :Ins, Nut = :Nut, Valor = :Valor "
        "WHERE Ins = :OLD_Ins AND Nut = :OLD_Nut";
    q.insert = "INSERT INTO Val (Ins, Nut, Valor) VALUES (:Ins, :Nut, :Valor)";
    q.remove = "DELETE FROM Val WHERE Ins = :OLD_Ins AND Nut = :OLD_Nut";
    return q;
}

}  // namespace

ListQuery ingredientValues() {
    ListQuery q = valueWrites();
    q.lines = {"Select N.Nombre, N.Unidad, Ins, Nut, Valor, N.Orden", "From NUT N, VAL ",
               "WHERE Nut = N.Codigo AND  (Ins = :Codigo)", "Order By ", "N.Orden"};
    return q;
}

ListQuery nutrientValues() {
    ListQuery q = valueWrites();
    q.lines = {"Select I.Nombre, Ins, Nut, Valor", "From INS I INNER JOIN VAL ON (Ins = I.Codigo) ",
               "WHERE (Nut = :Codigo)", "Order By ", "Nombre COLLATE NOMBRES"};
    return q;
}

}  // namespace catalog_queries

namespace {

std::vector<CodeName> pairs(Database& db, std::string_view sql) {
    std::vector<CodeName> out;
    Statement st = db.prepare(sql);
    while (st.step()) out.push_back({st.getInt(0), st.getText(1)});
    return out;
}

}  // namespace

std::vector<CodeName> allNutrients(Database& db) {
    return pairs(db, "SELECT Codigo, Nombre FROM Nut ORDER BY Codigo");
}

std::vector<CodeName> allIngredients(Database& db) {
    return pairs(db, "SELECT Codigo, Nombre FROM Ins ORDER BY Codigo");
}

std::vector<CodeName> allGroups(Database& db) {
    return pairs(db, "SELECT Codigo, Nombre FROM Cat ORDER BY Codigo");
}

std::vector<CodeName> allFormulas(Database& db) {
    return pairs(db, "SELECT Codigo, Nombre FROM LR ORDER BY Codigo");
}

bool groupExists(Database& db, int32_t cat) {
    Statement st = db.prepare("SELECT 1 FROM Cat WHERE Codigo = :C");
    st.bind("C", cat);
    return st.step();
}

std::vector<int32_t> formulasOfGroup(Database& db, int32_t cat) {
    std::vector<int32_t> out;
    Statement st = db.prepare("SELECT Codigo FROM LR WHERE Cat = :C ORDER BY Codigo");
    st.bind("C", cat);
    while (st.step()) out.push_back(st.getInt(0));
    return out;
}

std::vector<CodeName> ingredientsByName(Database& db) {
    return pairs(db, tdm_sql::qlbIns);
}

std::vector<CodeName> ingredientTypes(Database& db) {
    return pairs(db, tdm_sql::qlbTI);
}

std::vector<CodeName> nutrientTypes(Database& db) {
    return pairs(db, tdm_sql::qlbTN);
}

std::vector<CodeName> nutrientsWithUnit(Database& db, bool pricesOnly) {
    std::vector<CodeName> out;
    Statement st = db.prepare(tdm_sql::qNutUni);
    while (st.step())
        if (!pricesOnly || st.getInt(2) == 1) out.push_back({st.getInt(0), st.getText(1)});
    return out;
}

std::vector<CodeName> nutrientsOfType(Database& db, int32_t tipo) {
    std::vector<CodeName> out;
    Statement st = db.prepare(
        "Select Codigo, Nombre From Nut Where Tipo = :T Order By Nombre COLLATE NOMBRES");
    st.bind("T", tipo);
    while (st.step()) out.push_back({st.getInt(0), st.getText(1)});
    return out;
}

std::optional<Fixed4> storedValue(Database& db, int32_t ins, int32_t nut) {
    Statement st = db.prepare("SELECT Valor FROM Val WHERE Ins = :I AND Nut = :N");
    st.bind("I", ins).bind("N", nut);
    if (!st.step()) return std::nullopt;
    return st.getFixed4(0);
}

RecordCounts countRecords(Database& db) {
    auto count = [&db](std::string_view sql) {
        Statement st = db.prepare(sql);
        return st.step() ? st.getInt(0) : 0;
    };
    RecordCounts c;
    c.nutrients = count("SELECT COUNT(*) FROM NUT");
    c.ingredients = count("SELECT COUNT(*) FROM INS");
    c.groups = count("SELECT COUNT(*) FROM CAT");
    c.formulas = count("SELECT COUNT(*) FROM LR");
    c.mixes = count("SELECT COUNT(*) FROM MM");
    return c;
}

int fieldWidth(std::string_view table, std::string_view field) {
    const TableDef* t = findTable(table);
    const FieldDef* f = t ? t->field(field) : nullptr;
    return f && f->type == FieldType::String ? f->size : 0;
}

}  // namespace vexa
