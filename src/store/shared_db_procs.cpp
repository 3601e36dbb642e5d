#include "store/shared_db_procs.h"

namespace vexa {

Statement NutrientesDeGrupo(Database& db, int32_t cat) {
    auto q = db.prepare(
        "Select A.Codigo Codigo, A.Nombre Nombre, A.Unidad as Unidad, A.Orden From Nut A, EN B "
        "Where (A.Codigo=B.CNI) and (B.Cat=:Cat) Order by A.Orden");
    q.bind("Cat", cat);
    return q;
}

std::vector<GroupNutrient> listNutrientesDeGrupo(Database& db, int32_t cat) {
    std::vector<GroupNutrient> out;
    auto q = NutrientesDeGrupo(db, cat);
    while (q.step()) {
        out.push_back(GroupNutrient{q.getInt("Codigo"), q.getText("Nombre"), q.getText("Unidad"),
                                    q.getInt("Orden")});
    }
    return out;
}

int AgregarValoresInsumo(Database& db, int32_t ins) {
    return db
        .prepare(
            "insert or ignore into Val (Ins, Nut, Valor) select :Ins, Codigo, 0 from Nut "
            "order by rowid")
        .bind("Ins", ins)
        .execute();
}

std::string NombreBD(const TDBDef& def, const std::filesystem::path& currentVXF) {
    if (!def.Nombre.empty()) return def.Nombre;
    auto p = currentVXF;
    return p.replace_extension().string();
}

double ValorCampo(const Statement& row, std::string_view field, double fallback) {
    return row.getDouble(field, fallback);
}

}  // namespace vexa
