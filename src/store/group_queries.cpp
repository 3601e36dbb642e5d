#include "store/group_queries.h"

#include <stdexcept>
#include <string>

#include "store/same_name.h"

namespace vexa {

namespace catalog_queries {

ListQuery formulaList() {
    ListQuery q;
    q.lines = {"SELECT Codigo, Nombre, Cat, MS, Precio, TCO, Ultima, Valor, DefCon, Cons",
               "FROM LR ", "WHERE CAT = :Codigo", "ORDER BY", "NOMBRE COLLATE NOMBRES"};
    q.sortLine = 4;
    q.insert =
        "insert into LR (Nombre, Cat, MS, Precio, TCO, Ultima, Valor) "
        "values (:Nombre, :Cat, :MS, :Precio, :TCO, :Ultima, :Valor)";
    q.modify =
        "update LR set Nombre = :Nombre, Cat = :Cat, MS = :MS, Precio = :Precio, TCO = :TCO, "
        "Ultima = :Ultima, Valor = :Valor where Codigo = :OLD_Codigo";
    q.remove = "delete from LR where Codigo = :OLD_Codigo";
    return q;
}

ListQuery groupList() {
    ListQuery q;
    q.lines = {"SELECT Codigo, Nombre, Precio, Cons, EnMS, UsaCon", "FROM CAT", "ORDER BY",
               "Codigo"};
    q.sortLine = 3;
    q.insert =
        "insert into CAT (Nombre, Precio, Cons, EnMS) values (:Nombre, :Precio, :Cons, :EnMS)";
    q.modify =
        "update CAT set Nombre = :Nombre, Precio = :Precio, Cons = :Cons, EnMS = :EnMS "
        "where Codigo = :OLD_Codigo";
    q.remove = "delete from CAT where Codigo = :OLD_Codigo";
    return q;
}

}  // namespace catalog_queries

namespace {

// Only the two tables of each kind reach the SQL text.
std::string_view pick(std::string_view table, std::string_view a, std::string_view b) {
    if (sameName(table, a)) return a;
    if (sameName(table, b)) return b;
    throw std::invalid_argument("tabla desconocida: " + std::string(table));
}

std::vector<CodeName> pairs(Database& db, std::string_view sql) {
    std::vector<CodeName> out;
    Statement st = db.prepare(sql);
    while (st.step()) out.push_back({st.getInt("Codigo"), st.getText("Nombre")});
    return out;
}

}  // namespace

std::map<int32_t, int> restrictionCounts(Database& db, std::string_view table) {
    const bool ins = pick(table, "RIn", "RNu") == "RIn";
    Statement st = db.prepare(
        ins ? "SELECT LR, Count (CNI) as NRI FROM RIN INNER JOIN LR ON (LR.Codigo = RIN.LR) "
              "GROUP BY LR"
            : "SELECT LR, Count (CNI) as NRN FROM RNU INNER JOIN LR ON (LR.Codigo = RNU.LR) "
              "GROUP BY LR");
    std::map<int32_t, int> out;
    while (st.step()) out[st.getInt(0)] = st.getInt(1);
    return out;
}

std::vector<CodeName> priceItems(Database& db) {
    return pairs(db,
                 "Select Nombre, Codigo From Nut Where Tipo = 1 Order By Nombre COLLATE NOMBRES");
}

std::vector<CodeName> nutrientsByName(Database& db) {
    return pairs(db, "Select Codigo, Nombre From Nut Order by Nombre COLLATE NOMBRES");
}

std::vector<int32_t> groupMembers(Database& db, std::string_view table, int32_t cat) {
    const bool ins = pick(table, "EI", "EN") == "EI";
    Statement st = db.prepare(ins ? "Select Cat, CNI From EI Where Cat = :Cat Order By rowid"
                                  : "Select Cat, CNI From EN Where Cat = :Cat Order By rowid");
    st.bind("Cat", cat);
    std::vector<int32_t> out;
    while (st.step()) out.push_back(st.getInt("CNI"));
    return out;
}

void replaceGroupMembers(Database& db, std::string_view table, int32_t cat,
                         const std::vector<int32_t>& codes) {
    const bool ins = pick(table, "EI", "EN") == "EI";
    Transaction tx(db);
    Statement del =
        db.prepare(ins ? "delete from EI where Cat = :Cat" : "delete from EN where Cat = :Cat");
    del.bind("Cat", cat);
    del.execute();
    Statement add = db.prepare(ins ? "insert into EI (Cat, CNI) values (:Cat, :CNI)"
                                   : "insert into EN (Cat, CNI) values (:Cat, :CNI)");
    for (int32_t code : codes) {
        add.reset();
        add.bind("Cat", cat).bind("CNI", code);
        add.execute();
    }
    tx.commit();
}

}  // namespace vexa
