#include "store/manual_mix_store.h"

#include "engine/utf8.h"

namespace vexa {

bool ReadMixHeader(Database& db, int32_t mm, MixHeader& out) {
    Statement q = db.prepare("Select Codigo, Nombre, Cat, EnMS From MM Where Codigo = :C");
    q.bind("C", mm);
    if (!q.step()) return false;
    out.Codigo = q.getInt("Codigo");
    out.Nombre = q.getText("Nombre");
    out.Cat = q.getInt("Cat");
    out.EnMS = q.getInt("EnMS") == 1;
    return true;
}

std::vector<MixLine> ReadMixLines(Database& db, int32_t mm, int32_t priceNut) {
    std::vector<MixLine> out;
    Statement q = db.prepare(
        "Select MMI.CIns, Ins.Nombre, MMI.Valor, MMI.Red, MMI.DefRed, MMI.Perc, MMI.MS, "
        "(Select Valor From Val Where Val.Ins = MMI.CIns And Val.Nut = :P) As Precio "
        "From MMI Inner Join Ins On (MMI.CIns = Ins.Codigo) Where MMI.CMM = :C Order By "
        "Ins.Nombre");
    q.bind("C", mm).bind("P", priceNut);
    while (q.step()) {
        MixLine l;
        l.CIns = q.getInt("CIns");
        l.Nombre = q.getText("Nombre");
        l.Valor = q.getDouble("Valor");
        l.Red = q.getInt("Red", -4);
        l.DefRed = q.getInt("DefRed") != 0;
        l.Perc = Fixed4::fromDouble(q.getDouble("Perc"));
        l.MS = Fixed4::fromDouble(q.getDouble("MS"));
        l.Precio = Fixed4::fromDouble(q.getDouble("Precio"));
        out.push_back(std::move(l));
    }
    return out;
}

void UpdateMixLine(Database& db, int32_t mm, const MixLine& line) {
    Statement s = db.prepare(
        "Update MMI Set Valor = :V, Red = :R, DefRed = :D, Perc = :Pe, MS = :M "
        "Where CMM = :C And CIns = :I");
    s.bind("V", line.Valor)
        .bind("R", int32_t{line.Red})
        .bind("D", line.DefRed)
        .bind("Pe", line.Perc)
        .bind("M", line.MS)
        .bind("C", mm)
        .bind("I", line.CIns);
    s.step();
}

void ScaleMixLines(Database& db, int32_t mm, double factor) {
    Statement s = db.prepare("update MMI set Valor = Valor * :Factor where CMM = :Codigo");
    s.bind("Factor", factor).bind("Codigo", mm);
    s.step();
}

std::vector<MixNutrient> GroupMixNutrients(Database& db, int32_t cat) {
    std::vector<MixNutrient> out;
    Statement q = db.prepare(
        "Select A.Codigo, A.Nombre, A.Unidad, A.Tipo From Nut A, EN B "
        "Where (A.Codigo = B.CNI) and (B.Cat = :Cat) Order by A.Orden");
    q.bind("Cat", cat);
    while (q.step())
        out.push_back({q.getInt("Codigo"), q.getText("Nombre"), q.getText("Unidad"),
                       q.getInt("Tipo", 2), Fixed4(), std::nullopt, std::nullopt, false});
    return out;
}

std::vector<IngredientValue> ValuesOfMixIngredients(Database& db, int32_t mm) {
    std::vector<IngredientValue> out;
    Statement q = db.prepare(
        "Select Val.Ins, Val.Nut, Val.Valor From Val Inner Join MMI On (MMI.CIns = Val.Ins) "
        "Where MMI.CMM = :C And Val.Valor Is Not Null");
    q.bind("C", mm);
    while (q.step()) out.push_back({q.getInt(0), q.getInt(1), Fixed4::fromDouble(q.getDouble(2))});
    return out;
}

int32_t InsertMix(Database& db, const std::string& nombre, int32_t cat, bool enMS) {
    Statement s = db.prepare("Insert Into MM (Nombre, Cat, EnMS) Values (:N, :C, :E)");
    s.bind("N", utf8Left(nombre, fieldWidth("MM", "Nombre")))
        .bind("C", cat)
        .bind("E", int32_t{enMS ? 1 : 0});
    s.step();
    return static_cast<int32_t>(db.lastInsertRowId());
}

void UpdateMixRow(Database& db, int32_t mm, const std::string& nombre, bool enMS) {
    Statement s = db.prepare("Update MM Set Nombre = :N, EnMS = :E Where Codigo = :C");
    s.bind("N", utf8Left(nombre, fieldWidth("MM", "Nombre")))
        .bind("E", int32_t{enMS ? 1 : 0})
        .bind("C", mm);
    s.step();
}

void DeleteMixLine(Database& db, int32_t mm, int32_t ins) {
    Statement s = db.prepare("Delete From MMI Where CMM = :C And CIns = :I");
    s.bind("C", mm).bind("I", ins);
    s.step();
}

namespace catalog_queries {

ListQuery mixList() {
    ListQuery q;
    q.lines = {"SELECT Codigo, Nombre, Cat, EnMS", "FROM MM", "WHERE CAT = :Codigo", "ORDER BY",
               "NOMBRE COLLATE NOMBRES"};
    q.sortLine = 4;
    q.insert = "insert into MM (Nombre, Cat, EnMS) values (:Nombre, :Cat, :EnMS)";
    q.modify =
        "update MM set Nombre = :Nombre, Cat = :Cat, EnMS = :EnMS where Codigo = :OLD_Codigo";
    q.remove = "delete from MM where Codigo = :OLD_Codigo";
    return q;
}

}  // namespace catalog_queries

}  // namespace vexa
