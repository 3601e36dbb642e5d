// Tdm: cascaded deletions and copies of whole records with their dependent rows.
#include "store/tdm.h"

namespace vexa {

std::vector<int32_t> Tdm::codes(std::string_view sql, std::string_view param, int32_t value) {
    std::vector<int32_t> out;
    Statement s = db_.cached(sql);
    s.bind(param, value);
    while (s.step()) out.push_back(s.getInt(0));
    return out;
}

void Tdm::deleteWhere(std::string_view sql, std::string_view param, int32_t value) {
    Statement s = db_.cached(sql);
    s.bind(param, value);
    run(s);
}

// ---------------------------------------------------------------- deletions

void Tdm::BorrarInsumo(int32_t ins) {
    Transaction tx(db_);
    deleteWhere("Delete From Val Where Ins = :Ins", "Ins", ins);
    deleteWhere("Delete From EI Where CNI = :Ins", "Ins", ins);
    deleteWhere("Delete From RIn Where CNI = :Ins", "Ins", ins);
    deleteWhere("Delete From MMI Where CIns = :Ins", "Ins", ins);
    tx.commit();
}

void Tdm::BorrarNutriente(int32_t nut) {
    Transaction tx(db_);
    deleteWhere("Delete From Val Where Nut = :Nut", "Nut", nut);
    deleteWhere("Delete From EN Where CNI = :Nut", "Nut", nut);
    deleteWhere("Delete From RNu Where CNI = :Nut", "Nut", nut);
    // a ratio of a nutrient that is gone means nothing
    for (int32_t rel : codes("Select Codigo From Rel Where Nut1 = :Nut Or Nut2 = :Nut "
                             "Order By Codigo",
                             "Nut", nut)) {
        BorrarRelacion(rel);
        deleteWhere("Delete From Rel Where Codigo = :Rel", "Rel", rel);
    }
    tx.commit();
}

void Tdm::BorrarRestricciones(int32_t lr) {
    Transaction tx(db_);
    deleteWhere("Delete From RIn Where LR = :For", "For", lr);
    deleteWhere("Delete From RNu Where LR = :For", "For", lr);
    deleteWhere("Delete From RRN Where LR = :For", "For", lr);
    tx.commit();
}

void Tdm::BorrarRelacion(int32_t rel) {
    Transaction tx(db_);
    deleteWhere("Delete From RRN Where Codigo = :Rel", "Rel", rel);
    deleteWhere("Delete From ER Where Cod = :Rel", "Rel", rel);
    tx.commit();
}

void Tdm::BorrarMezcla(int32_t mm) {
    deleteWhere("Delete From MMI Where CMM = :MM", "MM", mm);
}

void Tdm::BorrarGrupo(int32_t cat) {
    Transaction tx(db_);
    deleteWhere("Delete From EI Where Cat = :Cat", "Cat", cat);
    deleteWhere("Delete From EN Where Cat = :Cat", "Cat", cat);
    deleteWhere("Delete From ER Where Cat = :Cat", "Cat", cat);
    for (int32_t lr : codes("Select Codigo From LR Where Cat = :Cat Order By Codigo", "Cat", cat)) {
        BorrarRestricciones(lr);
        Statement s = db_.cached("Delete From LR Where Codigo = :Codigo");
        s.bind("Codigo", lr);
        tryRun(s);  // a formula row that will not go is left; the rest of the group goes on
    }
    for (int32_t mm : codes("Select Codigo From MM Where Cat = :Cat Order By Codigo", "Cat", cat)) {
        BorrarMezcla(mm);
        deleteWhere("Delete From MM Where Codigo = :Codigo", "Codigo", mm);
    }
    tx.commit();
}

// ---------------------------------------------------------------- copies

// A copy is whole or not at all: a child row that the store refused (a row primitive only
// records it) undoes the whole copy instead of leaving one with rows missing.
static void commitWhole(Transaction& tx, const std::vector<FailedWrite>& failed, size_t before) {
    if (failed.size() > before)
        throw SqlError("No se pudo copiar " + failed.back().what + ": " + failed.back().cause);
    tx.commit();
}

// The new parent's code is taken from the insert itself: when the insert is refused there is
// no new row, and the children must not be attached to whatever row has the largest code.

int32_t Tdm::CopiarInsumo(int32_t ins) {
    Statement src = db_.cached("Select Nombre, Redondeo, ItId From Ins Where Codigo = :Ins");
    src.bind("Ins", ins);
    if (!src.step()) return 0;
    const std::string nombre = src.getText("Nombre");
    const std::string redondeo = src.getText("Redondeo");
    const int32_t itid = src.getInt("ItId");
    src.reset();

    Transaction tx(db_);
    const size_t failedBefore = failed_.size();
    if (!AgregarInsumo(nombre, redondeo, itid)) return 0;
    const auto copy = static_cast<int32_t>(db_.lastInsertRowId());
    std::vector<std::pair<int32_t, Fixed4>> values;
    {
        Statement v = db_.cached("Select Nut, Valor From Val Where Ins = :Ins Order By Nut");
        v.bind("Ins", ins);
        while (v.step()) values.emplace_back(v.getInt("Nut"), v.getFixed4("Valor"));
    }
    for (const auto& [nut, valor] : values) AgregarValor(copy, nut, valor);
    commitWhole(tx, failed_, failedBefore);
    return copy;
}

int32_t Tdm::CopiarNutriente(int32_t nut) {
    Statement src = db_.cached("Select Nombre, Unidad, ItId, Tipo From Nut Where Codigo = :Nut");
    src.bind("Nut", nut);
    if (!src.step()) return 0;
    const std::string nombre = src.getText("Nombre");
    const std::string unidad = src.getText("Unidad");
    const int32_t itid = src.getInt("ItId");
    const int32_t tipo = src.getInt("Tipo");
    src.reset();

    Transaction tx(db_);
    const size_t failedBefore = failed_.size();
    if (!AgregarNutriente(nombre, unidad, MaxOrdenNut() + 1, tipo, itid)) return 0;
    const auto copy = static_cast<int32_t>(db_.lastInsertRowId());
    std::vector<std::pair<int32_t, Fixed4>> values;
    {
        Statement v = db_.cached("Select Ins, Valor From Val Where Nut = :Nut Order By Ins");
        v.bind("Nut", nut);
        while (v.step()) values.emplace_back(v.getInt("Ins"), v.getFixed4("Valor"));
    }
    for (const auto& [in, valor] : values) AgregarValor(in, copy, valor);
    commitWhole(tx, failed_, failedBefore);
    return copy;
}

int32_t Tdm::CopiarFormula(int32_t lr, int32_t cat) {
    Statement src = db_.cached(
        "Select Nombre, Cat, MS, Precio, TCO, Ultima, Valor From LR Where Codigo = :For");
    src.bind("For", lr);
    if (!src.step()) return 0;
    const std::string nombre = src.getText("Nombre");
    const int32_t group = cat == -1 ? src.getInt("Cat") : cat;
    const int32_t ms = src.getInt("MS");
    const int32_t precio = src.getInt("Precio");
    const int32_t tco = src.getInt("TCO");
    const std::optional<DateTime> ultima = src.getDateTime("Ultima");
    // The cost keeps its 4 decimals (not cut to single precision).
    const Fixed4 valor = src.getFixed4("Valor");
    src.reset();

    Transaction tx(db_);
    const size_t failedBefore = failed_.size();
    if (!AgregarFormula(nombre, group, valor, ultima, tco, precio, ms)) return 0;
    const auto copy = static_cast<int32_t>(db_.lastInsertRowId());
    CopiarRestrIns(lr, copy);
    CopiarRestrNut(lr, copy);
    {
        Statement rel = db_.cached(
            "Insert Into RRN (LR, Codigo, MinN1, MinN2, MaxN1, MaxN2) Select :New, Codigo, "
            "MinN1, MinN2, MaxN1, MaxN2 From RRN Where LR = :For Order By rowid");
        rel.bind("New", copy).bind("For", lr);
        run(rel);
    }
    commitWhole(tx, failed_, failedBefore);
    return copy;
}

int32_t Tdm::CopiarMezcla(int32_t mm, int32_t cat) {
    Transaction tx(db_);
    const size_t failedBefore = failed_.size();
    // The copy keeps the basis of the source (EnMS, MS), so its quantities mean the same.
    Statement ins = db_.cached(
        "Insert Into MM (Nombre, Cat, EnMS, MS) "
        "Select Nombre, Case When :Cat = -1 Then Cat Else :Cat End, EnMS, MS "
        "From MM Where Codigo = :MM");
    ins.bind("Cat", cat).bind("MM", mm);
    if (run(ins) != 1) return 0;
    const auto copy = static_cast<int32_t>(db_.lastInsertRowId());
    struct Item {
        int32_t cins, red;
        bool defred;
        Fixed4 valor;
    };
    std::vector<Item> items;
    {
        Statement s =
            db_.cached("Select CIns, Valor, Red, DefRed From MMI Where CMM = :MM Order By rowid");
        s.bind("MM", mm);
        while (s.step())
            items.push_back(
                {s.getInt("CIns"), s.getInt("Red"), s.getBool("DefRed"), s.getFixed4("Valor")});
    }
    for (const Item& i : items)
        AgregarItemMezcla(copy, i.cins, i.red, i.defred, Fixed4(), Fixed4(), i.valor);
    commitWhole(tx, failed_, failedBefore);
    return copy;
}

int32_t Tdm::CopiarGrupo(int32_t cat) {
    Transaction tx(db_);
    const size_t failedBefore = failed_.size();
    Statement ins = db_.cached(
        "Insert Into Cat (Nombre, MS, Precio, Cons, TCO, EnMS, UsaCon, UsaRel) "
        "Select Nombre, MS, Precio, Cons, TCO, EnMS, UsaCon, UsaRel From Cat "
        "Where Codigo = :Cat");
    ins.bind("Cat", cat);
    if (run(ins) != 1) return 0;
    const auto copy = static_cast<int32_t>(db_.lastInsertRowId());
    for (const char* sql : {"Insert Into EI (Cat, CNI) Select :New, CNI From EI Where Cat = :Cat "
                            "Order By rowid",
                            "Insert Into EN (Cat, CNI) Select :New, CNI From EN Where Cat = :Cat "
                            "Order By rowid",
                            "Insert Into ER (Cat, Cod) Select :New, Cod From ER Where Cat = :Cat "
                            "Order By rowid"}) {
        Statement s = db_.cached(sql);
        s.bind("New", copy).bind("Cat", cat);
        run(s);
    }
    for (int32_t lr : codes("Select Codigo From LR Where Cat = :Cat Order By Codigo", "Cat", cat))
        CopiarFormula(lr, copy);
    for (int32_t mm : codes("Select Codigo From MM Where Cat = :Cat Order By Codigo", "Cat", cat))
        CopiarMezcla(mm, copy);
    commitWhole(tx, failed_, failedBefore);
    return copy;
}

void Tdm::CopiarRestrIns(int32_t src, int32_t dst) {
    struct Row {
        int32_t cni;
        std::optional<Fixed4> min, max;
        Fixed4 resul;
    };
    std::vector<Row> rows;
    {
        Statement s = db_.cached("Select * From RIn Where LR = :For Order By rowid");
        s.bind("For", src);
        while (s.step())
            rows.push_back(
                {s.getInt("CNI"), s.optFixed4("Min"), s.optFixed4("Max"), s.getFixed4("Resul")});
    }
    Transaction tx(db_);
    const size_t failedBefore = failed_.size();
    for (const Row& r : rows) AgregarRestrIns(dst, r.cni, r.min, r.max, r.resul);
    commitWhole(tx, failed_, failedBefore);
}

void Tdm::CopiarRestrNut(int32_t src, int32_t dst) {
    struct Row {
        int32_t cni;
        Fixed4 min, max, resul;
    };
    std::vector<Row> rows;
    {
        Statement s = db_.cached("Select * From RNu Where LR = :For Order By rowid");
        s.bind("For", src);
        while (s.step())
            rows.push_back(
                {s.getInt("CNI"), s.getFixed4("Min"), s.getFixed4("Max"), s.getFixed4("Resul")});
    }
    Transaction tx(db_);
    const size_t failedBefore = failed_.size();
    for (const Row& r : rows) AgregarRestrNut(dst, r.cni, r.min, r.max, r.resul);
    commitWhole(tx, failed_, failedBefore);
}

// Replacing a formula's restrictions by its own would first delete them all.
void Tdm::ReemplazarRestrIns(int32_t src, int32_t dst) {
    if (src == dst) return;
    Transaction tx(db_);
    const size_t failedBefore = failed_.size();
    deleteWhere("Delete From RIn Where LR = :For", "For", dst);
    CopiarRestrIns(src, dst);
    commitWhole(tx, failed_, failedBefore);
}

void Tdm::ReemplazarRestrNut(int32_t src, int32_t dst) {
    if (src == dst) return;
    Transaction tx(db_);
    const size_t failedBefore = failed_.size();
    deleteWhere("Delete From RNu Where LR = :For", "For", dst);
    CopiarRestrNut(src, dst);
    commitWhole(tx, failed_, failedBefore);
}

}  // namespace vexa
