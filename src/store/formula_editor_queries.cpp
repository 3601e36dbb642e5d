#include "store/formula_editor_queries.h"

#include "store/sqlite_db.h"

namespace vexa {

namespace {

const char* tableOf(bool ingredients) {
    return ingredients ? "RIn" : "RNu";
}

const char* orderOf(RestrictionSort sort) {
    switch (sort) {
        case RestrictionSort::Name:
            return "Nombre";
        case RestrictionSort::Min:
            return "R.\"Min\"";
        case RestrictionSort::Max:
            return "R.\"Max\"";
        case RestrictionSort::Result:
            return "R.Resul";
        case RestrictionSort::Code:
            break;
    }
    return "R.CNI";
}

}  // namespace

std::optional<FormulaRow> readFormulaRow(Database& db, int32_t code) {
    Statement st = db.prepare(
        "Select Codigo, Precio, Cons, TCO, DefPx, Cat, Ultima, Valor, Nombre, DefCon\n"
        "From LR\nWhere Codigo = :Codigo");
    st.bind("Codigo", code);
    if (!st.step()) return std::nullopt;
    FormulaRow r;
    r.Codigo = st.getInt("Codigo");
    r.Nombre = st.getText("Nombre");
    r.Cat = st.getInt("Cat");
    r.Precio = st.getInt("Precio");
    r.Cons = st.optDouble("Cons");
    r.DefCon = st.getInt("DefCon");
    r.Ultima = st.getText("Ultima");
    r.Valor = st.optDouble("Valor");
    return r;
}

bool renameFormula(Database& db, int32_t code, const std::string& name) {
    Statement st = db.prepare("Update LR set Nombre = :Nombre where Codigo = :Codigo");
    st.bind("Nombre", name).bind("Codigo", code);
    return st.execute() > 0;
}

std::vector<RestrictionRow> readRestrictions(Database& db, int32_t formula, bool ingredients,
                                             RestrictionSort sort) {
    std::string sql = ingredients
                          ? "Select R.CNI, R.\"Min\", R.\"Max\", I.Nombre, '' as Unidad, R.Resul\n"
                            "From RIn R inner join Ins I on R.CNI = I.Codigo\n"
                          : "Select R.CNI, R.\"Min\", R.\"Max\", I.Nombre, I.Unidad, R.Resul\n"
                            "From RNu R inner join Nut I on R.CNI = I.Codigo\n";
    sql += "Where R.LR = :LR\nOrder By ";
    sql += orderOf(sort);
    if (sort != RestrictionSort::Code) sql += ", R.CNI";
    Statement st = db.prepare(sql);
    st.bind("LR", formula);
    std::vector<RestrictionRow> rows;
    while (st.step()) {
        RestrictionRow r;
        r.CNI = st.getInt("CNI");
        r.Nombre = st.getText("Nombre");
        r.Unidad = st.getText("Unidad");
        r.Min = st.optFixed4("Min");
        r.Max = st.optFixed4("Max");
        r.Resul = st.optFixed4("Resul");
        rows.push_back(std::move(r));
    }
    return rows;
}

void updateRestriction(Database& db, bool ingredients, int32_t formula, int32_t cni,
                       std::optional<Fixed4> min, std::optional<Fixed4> max) {
    Statement st = db.prepare(std::string("Update ") + tableOf(ingredients) +
                              " set \"Min\" = :Min, \"Max\" = :Max where LR = :LR and CNI = :CNI");
    st.bind("Min", min).bind("Max", max).bind("LR", formula).bind("CNI", cni);
    st.execute();
}

void deleteRestriction(Database& db, bool ingredients, int32_t formula, int32_t cni) {
    Statement st = db.prepare(std::string("Delete from ") + tableOf(ingredients) +
                              " where LR = :LR and CNI = :CNI");
    st.bind("LR", formula).bind("CNI", cni);
    st.execute();
}

std::map<int32_t, Fixed4> ingredientPrices(Database& db, int32_t nut) {
    Statement st = db.prepare("Select Ins, Valor\nFrom Val\nWhere Nut = :iPrecio");
    st.bind("iPrecio", nut);
    std::map<int32_t, Fixed4> out;
    while (st.step()) out[st.getInt("Ins")] = st.getFixed4("Valor");
    return out;
}

std::vector<FormulaChoice> formulasWithCounts(Database& db, int32_t cat, bool ingredients) {
    std::map<int32_t, int> counts;
    {
        Statement st = db.prepare(std::string("SELECT LR, Count (CNI) as NR\n") +
                                  (ingredients ? "FROM RIN \n" : "From  RNU\n") +
                                  "INNER JOIN LR ON (Codigo = LR)\nGROUP BY LR");
        while (st.step()) counts[st.getInt("LR")] = st.getInt("NR");
    }
    Statement st = db.prepare("Select Codigo, Nombre\nFrom LR\nWhere Cat=:Cat");
    st.bind("Cat", cat);
    std::vector<FormulaChoice> out;
    while (st.step()) {
        FormulaChoice c;
        c.Codigo = st.getInt("Codigo");
        c.Nombre = st.getText("Nombre");
        auto it = counts.find(c.Codigo);
        c.restrictions = it == counts.end() ? 0 : it->second;
        out.push_back(std::move(c));
    }
    return out;
}

}  // namespace vexa
