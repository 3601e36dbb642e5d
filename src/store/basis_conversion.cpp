#include "store/basis_conversion.h"

#include <utility>
#include <vector>

#include "engine/fixed4.h"
#include "store/sqlite_db.h"

namespace vexa {

int ConvertirBaseDatos(Database& db, int32_t msNutrient, bool toDry,
                       const std::function<void(int, int)>& progress) {
    Transaction tx(db);
    std::vector<std::pair<int32_t, double>> dry;
    {
        Statement st = db.prepare(
            "SELECT distinct Ins, Valor\nFROM Val\nWHERE\n(Nut = :MS)\n AND (Valor <> 0)");
        st.bind("MS", msNutrient);
        while (st.step()) dry.emplace_back(st.getInt(0), st.getDouble(1));
    }
    Statement write = db.prepare("update Val set Valor = :Valor where Ins = :Ins and Nut = :Nut");
    int done = 0;
    for (const auto& [ins, d] : dry) {
        const Fixed4 factor = Fixed4::fromDouble(toDry ? 100.0 / d : d / 100.0);
        std::vector<std::pair<int32_t, double>> values;
        {
            Statement st = db.prepare(
                "SELECT D.Nut, D.Valor\nFROM Val D, NUT D1\nWHERE\n(D.Ins = :Insumo)\n AND "
                "(D1.Tipo = 0)\n AND (D.NUT = d1.CODIGO)");
            st.bind("Insumo", ins);
            while (st.step()) values.emplace_back(st.getInt(0), st.getDouble(1));
        }
        for (const auto& [nut, v] : values) {
            write.reset();
            write.bind("Ins", ins)
                .bind("Nut", nut)
                .bind("Valor", Fixed4::fromDouble(v * factor.toDouble()));
            write.execute();
        }
        if (progress) progress(++done, static_cast<int>(dry.size()));
    }
    tx.commit();
    return done;
}

}  // namespace vexa
