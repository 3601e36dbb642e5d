#include "shell/settings_logic.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "engine/fixed4.h"
#include "store/sqlite_db.h"
#include "store/tdm.h"

namespace vexa {

std::string databaseInfoText(Database& db) {
    auto count = [&db](const char* table) {
        Statement st = db.prepare(std::string("SELECT COUNT(*) FROM ") + table);
        return st.step() ? st.getInt(0) : 0;
    };
    char buf[200];
    std::string out = "La base de datos contiene:\n";
    const std::pair<const char*, const char*> lines[] = {{"NUT", " * %d nutrientes"},
                                                         {"INS", " * %d insumos"},
                                                         {"CAT", " * %d grupos"},
                                                         {"LR", " * %d fórmulas"},
                                                         {"MM", " * %d mezclas manuales"}};
    for (const auto& [table, fmt] : lines) {
        std::snprintf(buf, sizeof buf, fmt, count(table));
        out += std::string(buf) + "\n";
    }
    return out;
}

void convertBasis(Database& db, Tdm& dm, int msNutrient, bool toDry,
                  const std::function<void(int, int)>& progress) {
    std::vector<std::pair<int, double>> dry;
    {
        Statement st = db.prepare(
            "SELECT distinct Ins, Valor\nFROM Val\nWHERE\n(Nut = :MS)\n AND (Valor <> 0)");
        st.bind("MS", msNutrient);
        while (st.step()) dry.emplace_back(st.getInt(0), st.getDouble(1));
    }
    int done = 0;
    for (const auto& [ins, d] : dry) {
        double factor = Fixed4::fromDouble(toDry ? 100.0 / d : d / 100.0).toDouble();
        std::vector<std::pair<int, double>> values;
        {
            Statement st = db.prepare(
                "SELECT D.Nut, D.Valor\nFROM Val D, NUT D1\nWHERE\n(D.Ins = :Insumo)\n AND "
                "(D1.Tipo = 0)\n AND (D.NUT = d1.CODIGO)");
            st.bind("Insumo", ins);
            while (st.step()) values.emplace_back(st.getInt(0), st.getDouble(1));
        }
        for (const auto& [nut, v] : values)
            dm.ActualizarValor(ins, nut, Fixed4::fromDouble(v * factor));
        if (progress) progress(++done, static_cast<int>(dry.size()));
    }
}

}  // namespace vexa
