#include "store/ratio_queries.h"

#include "store/sqlite_db.h"

namespace vexa {

namespace catalog_queries {

ListQuery ratioList() {
    ListQuery q;
    q.lines = {
        "SELECT R.Codigo AS Codigo, R.Nombre AS Nombre, R.Nut1 AS Nut1, R.Nut2 AS Nut2, "
        "N1.Nombre AS NomN1, N2.Nombre AS NomN2",
        "FROM REL R LEFT JOIN NUT N1 ON (N1.Codigo = R.Nut1) LEFT JOIN NUT N2 ON "
        "(N2.Codigo = R.Nut2)",
        "ORDER BY", "Nombre COLLATE NOMBRES"};
    q.sortLine = 3;
    q.modify =
        "UPDATE REL SET Nombre = :Nombre, Nut1 = :Nut1, Nut2 = :Nut2 WHERE Codigo = :OLD_Codigo";
    q.insert = "INSERT INTO REL (Nombre, Nut1, Nut2) VALUES (:Nombre, :Nut1, :Nut2)";
    q.remove = "DELETE FROM REL WHERE Codigo = :OLD_Codigo";
    return q;
}

}  // namespace catalog_queries

namespace {

RatioInfo readInfo(const Statement& s) {
    return {s.getInt(0), s.getText(1), s.getInt(2), s.getInt(3)};
}

}  // namespace

std::vector<RatioInfo> ratiosByName(Database& db) {
    Statement s = db.prepare(
        "Select Codigo, Nombre, Nut1, Nut2 From Rel Order By Nombre COLLATE NOMBRES, Codigo");
    std::vector<RatioInfo> out;
    while (s.step()) out.push_back(readInfo(s));
    return out;
}

std::optional<RatioInfo> findRatio(Database& db, int32_t code) {
    Statement s = db.prepare("Select Codigo, Nombre, Nut1, Nut2 From Rel Where Codigo = :Codigo");
    s.bind("Codigo", code);
    if (!s.step()) return std::nullopt;
    return readInfo(s);
}

std::vector<int32_t> groupRatios(Database& db, int32_t cat) {
    Statement s = db.prepare("Select Cod From ER Where Cat = :Cat Order By rowid");
    s.bind("Cat", cat);
    std::vector<int32_t> out;
    while (s.step()) out.push_back(s.getInt(0));
    return out;
}

void replaceGroupRatios(Database& db, int32_t cat, const std::vector<int32_t>& codes) {
    Transaction tx(db);
    Statement del = db.prepare("Delete From ER Where Cat = :Cat");
    del.bind("Cat", cat);
    del.execute();
    Statement add = db.prepare("Insert Into ER (Cat, Cod) Values (:Cat, :Cod)");
    for (int32_t code : codes) {
        add.reset();
        add.bind("Cat", cat).bind("Cod", code);
        add.execute();
    }
    tx.commit();
}

std::vector<RatioInfo> insertableRatios(Database& db, int32_t cat) {
    Statement s = db.prepare(
        "Select R.Codigo, R.Nombre, R.Nut1, R.Nut2 From ER Inner Join Rel R On (R.Codigo = "
        "ER.Cod) Where ER.Cat = :Cat And R.Nut1 In (Select CNI From EN Where Cat = :Cat) And "
        "R.Nut2 In (Select CNI From EN Where Cat = :Cat) Order By R.Nombre COLLATE NOMBRES, "
        "R.Codigo");
    s.bind("Cat", cat);
    std::vector<RatioInfo> out;
    while (s.step()) out.push_back(readInfo(s));
    return out;
}

std::vector<FormulaRatioRow> formulaRatios(Database& db, int32_t lr) {
    // read at every run of the formula: kept prepared
    Statement s = db.cached(
        "Select R.Codigo, R.Nombre, R.Nut1, R.Nut2, RRN.MinN1, RRN.MinN2, RRN.MaxN1, RRN.MaxN2 "
        "From RRN Inner Join Rel R On (R.Codigo = RRN.Codigo) Where RRN.LR = :LR "
        "Order By RRN.rowid");
    s.bind("LR", lr);
    std::vector<FormulaRatioRow> out;
    while (s.step()) {
        FormulaRatioRow row;
        row.ratio = readInfo(s);
        row.minN1 = s.getFixed4(4);
        row.minN2 = s.getFixed4(5);
        row.maxN1 = s.getFixed4(6);
        row.maxN2 = s.getFixed4(7);
        out.push_back(row);
    }
    return out;
}

void saveFormulaRatio(Database& db, int32_t lr, const FormulaRatioRow& row) {
    Transaction tx(db);
    Statement up = db.prepare(
        "Update RRN Set MinN1 = :MinN1, MinN2 = :MinN2, MaxN1 = :MaxN1, MaxN2 = :MaxN2 "
        "Where LR = :LR And Codigo = :Codigo");
    auto bindAll = [&](Statement& s) {
        s.bind("LR", lr).bind("Codigo", row.ratio.code).bind("MinN1", row.minN1);
        s.bind("MinN2", row.minN2);
        if (row.hasMax())
            s.bind("MaxN1", row.maxN1).bind("MaxN2", row.maxN2);
        else
            s.bindNull("MaxN1").bindNull("MaxN2");
    };
    bindAll(up);
    if (up.execute() == 0) {
        Statement ins = db.prepare(
            "Insert Into RRN (LR, Codigo, MinN1, MinN2, MaxN1, MaxN2) "
            "Values (:LR, :Codigo, :MinN1, :MinN2, :MaxN1, :MaxN2)");
        bindAll(ins);
        ins.execute();
    }
    tx.commit();
}

void deleteFormulaRatio(Database& db, int32_t lr, int32_t code) {
    Statement s = db.prepare("Delete From RRN Where LR = :LR And Codigo = :Codigo");
    s.bind("LR", lr).bind("Codigo", code);
    s.execute();
}

void replaceFormulaRatios(Database& db, int32_t src, int32_t dst) {
    if (src == dst) return;
    Transaction tx(db);
    Statement del = db.prepare("Delete From RRN Where LR = :Dst");
    del.bind("Dst", dst);
    del.execute();
    Statement copy = db.prepare(
        "Insert Into RRN (LR, Codigo, MinN1, MinN2, MaxN1, MaxN2) Select :Dst, Codigo, MinN1, "
        "MinN2, MaxN1, MaxN2 From RRN Where LR = :Src Order By rowid");
    copy.bind("Dst", dst).bind("Src", src);
    copy.execute();
    tx.commit();
}

bool ratioMinAboveMax(Fixed4 minN1, Fixed4 minN2, Fixed4 maxN1, Fixed4 maxN2) {
    if (maxN1.isZero()) return false;
    auto second = [](Fixed4 v) { return v.isZero() ? Fixed4::fromInt(1).raw() : v.raw(); };
    // n1/n2 > m1/m2  <=>  n1·m2 > m1·n2 (all terms ≥ 0)
    return static_cast<__int128>(minN1.raw()) * second(maxN2) >
           static_cast<__int128>(maxN1.raw()) * second(minN2);
}

}  // namespace vexa
