#include "store/sample_workspace.h"

#include "store/catalog_queries.h"
#include "store/shared_procs.h"

#include <nlohmann/json.hpp>

#include <map>
#include <stdexcept>
#include <string>

namespace vexa {

namespace {

using Json = nlohmann::json;

int32_t codeOf(const std::map<std::string, int32_t>& codes, const std::string& name,
               const char* what) {
    auto it = codes.find(name);
    if (it == codes.end())
        throw std::runtime_error(std::string("Semilla del ejemplo: ") + what +
                                 " desconocido: " + name);
    return it->second;
}

void bindBound(Statement& st, const char* param, const Json& v) {
    if (v.is_null()) {
        st.bindNull(param);
    } else {
        st.bind(param, Fixed4::fromDouble(v.get<double>()));
    }
}

}  // namespace

SampleCounts fillSampleWorkspace(Database& db, TDBDef& def, std::string_view seedText) {
    const Json seed = Json::parse(seedText);
    SampleCounts counts;
    std::map<std::string, int32_t> nut, ins, cat;
    Transaction tx(db);

    auto addNut = db.prepare(
        "insert into Nut (Nombre, Unidad, ItId, Tipo, Orden) values (:N, :U, 0, :T, :O)");
    int orden = 0;
    for (const auto& n : seed.at("nutrientes")) {
        auto name = utf8Left(n.at("nombre").get<std::string>(), 25);
        addNut.reset();
        addNut.bind("N", name)
            .bind("U", utf8Left(n.at("unidad").get<std::string>(), 12))
            .bind("T", n.at("tipo").get<int32_t>())
            .bind("O", ++orden)
            .execute();
        nut[name] = static_cast<int32_t>(db.lastInsertRowId());
        ++counts.nutrients;
    }

    auto addIns = db.prepare("insert into Ins (Nombre, Redondeo, ItId) values (:N, :R, :T)");
    auto addVal = db.prepare("insert into Val (Ins, Nut, Valor) values (:I, :N, :V)");
    for (const auto& i : seed.at("insumos")) {
        auto name = utf8Left(i.at("nombre").get<std::string>(), 25);
        addIns.reset();
        addIns.bind("N", name)
            .bind("R", i.at("redondeo").get<std::string>())
            .bind("T", i.at("tipo").get<int32_t>())
            .execute();
        int32_t code = static_cast<int32_t>(db.lastInsertRowId());
        ins[name] = code;
        // Every nutrient gets a row, so the values grid shows a zero rather than a gap.
        for (const auto& [nutName, nutCode] : nut) {
            auto v = i.at("valores").find(nutName);
            addVal.reset();
            addVal.bind("I", code)
                .bind("N", nutCode)
                .bind("V", v == i.at("valores").end() ? 0.0 : v->get<double>())
                .execute();
        }
        ++counts.ingredients;
    }

    const auto& defaults = seed.at("defectos");
    const int32_t price = codeOf(nut, defaults.at("precio").get<std::string>(), "nutriente");
    const int32_t dryMatter = codeOf(nut, defaults.at("ms").get<std::string>(), "nutriente");

    // Named ratios between two nutrients.
    std::map<std::string, int32_t> rel;
    if (auto it = seed.find("relaciones"); it != seed.end()) {
        auto addRel = db.prepare("insert into Rel (Nombre, Nut1, Nut2) values (:N, :A, :B)");
        for (const auto& r : *it) {
            auto name = utf8Left(r.at("nombre").get<std::string>(), fieldWidth("Rel", "Nombre"));
            addRel.reset();
            addRel.bind("N", name)
                .bind("A", codeOf(nut, r.at("nut1").get<std::string>(), "nutriente"))
                .bind("B", codeOf(nut, r.at("nut2").get<std::string>(), "nutriente"))
                .execute();
            rel[name] = static_cast<int32_t>(db.lastInsertRowId());
        }
    }
    auto addER = db.prepare("insert into ER (Cat, Cod) values (:C, :R)");
    auto addRRN = db.prepare(
        "insert into RRN (LR, Codigo, MinN1, MinN2, MaxN1, MaxN2) "
        "values (:L, :R, :A, :B, :C, :D)");
    auto bindTerms = [](Statement& st, const char* a, const char* b, const Json& v) {
        if (v.is_null()) {
            st.bindNull(a).bindNull(b);
        } else {
            st.bind(a, Fixed4::fromDouble(v.at(0).get<double>()))
                .bind(b, Fixed4::fromDouble(v.at(1).get<double>()));
        }
    };

    auto addCat = db.prepare(
        "insert into Cat (Nombre, MS, Precio, Cons, TCO, EnMS, UsaCon, UsaRel) "
        "values (:N, :MS, :P, 1000, 0, 0, 0, :UsaRel)");
    auto addEI = db.prepare("insert into EI (Cat, CNI) values (:C, :I)");
    auto addEN = db.prepare("insert into EN (Cat, CNI) values (:C, :N)");
    auto addLR = db.prepare(
        "insert into LR (Nombre, Cat, MS, Precio, Cons, TCO, DefMS, DefPx, DefCon) "
        "values (:N, :C, :MS, :P, :Peso, 0, 0, 0, 0)");
    auto addRIn = db.prepare(
        "insert into RIn (LR, CNI, \"Min\", \"Max\", Resul) values (:L, :I, :Mn, :Mx, 0)");
    auto addRNu = db.prepare(
        "insert into RNu (LR, CNI, \"Min\", \"Max\", Resul) values (:L, :N, :Mn, :Mx, 0)");
    for (const auto& g : seed.at("grupos")) {
        auto name = utf8Left(g.at("nombre").get<std::string>(), 25);
        addCat.reset();
        const auto groupRatios = g.find("relaciones");
        const bool usesRatios = groupRatios != g.end() && !groupRatios->empty();
        addCat.bind("N", name)
            .bind("MS", dryMatter)
            .bind("P", price)
            .bind("UsaRel", usesRatios ? 1 : 0)
            .execute();
        int32_t group = static_cast<int32_t>(db.lastInsertRowId());
        cat[name] = group;
        ++counts.groups;
        for (const auto& i : g.at("insumos")) {
            addEI.reset();
            addEI.bind("C", group).bind("I", codeOf(ins, i.get<std::string>(), "insumo")).execute();
        }
        for (const auto& n : g.at("nutrientes")) {
            addEN.reset();
            addEN.bind("C", group)
                .bind("N", codeOf(nut, n.get<std::string>(), "nutriente"))
                .execute();
        }
        if (usesRatios)
            for (const auto& r : *groupRatios) {
                addER.reset();
                addER.bind("C", group)
                    .bind("R", codeOf(rel, r.get<std::string>(), "relación"))
                    .execute();
            }
        for (const auto& f : g.at("formulas")) {
            addLR.reset();
            addLR.bind("N", utf8Left(f.at("nombre").get<std::string>(), 40))
                .bind("C", group)
                .bind("MS", dryMatter)
                .bind("P", price)
                .bind("Peso", f.value("peso", 1000.0))
                .execute();
            int32_t lr = static_cast<int32_t>(db.lastInsertRowId());
            ++counts.formulas;
            for (const auto& r : f.at("insumos")) {
                addRIn.reset();
                addRIn.bind("L", lr).bind("I",
                                          codeOf(ins, r.at("insumo").get<std::string>(), "insumo"));
                bindBound(addRIn, "Mn", r.at("min"));
                bindBound(addRIn, "Mx", r.at("max"));
                addRIn.execute();
            }
            for (const auto& r : f.at("nutrientes")) {
                addRNu.reset();
                addRNu.bind("L", lr).bind(
                    "N", codeOf(nut, r.at("nutriente").get<std::string>(), "nutriente"));
                bindBound(addRNu, "Mn", r.at("min"));
                bindBound(addRNu, "Mx", r.at("max"));
                addRNu.execute();
            }
            if (auto rs = f.find("relaciones"); rs != f.end())
                for (const auto& r : *rs) {
                    addRRN.reset();
                    addRRN.bind("L", lr).bind(
                        "R", codeOf(rel, r.at("relacion").get<std::string>(), "relación"));
                    bindTerms(addRRN, "A", "B", r.at("min"));
                    bindTerms(addRRN, "C", "D", r.value("max", Json()));
                    addRRN.execute();
                }
        }
    }
    tx.commit();

    def.Precio = price;
    def.MS = dryMatter;
    def.Categoria = codeOf(cat, defaults.at("grupo").get<std::string>(), "grupo");
    def.Nombre = utf8Left(seed.value("nombre", std::string()), 50);
    def.Comentario = utf8Left(seed.value("comentario", std::string()), 50);
    return counts;
}

SampleCounts CrearVXFEjemplo(Tdmvxf& vxf, const std::filesystem::path& file) {
    SampleCounts counts;
    vxf.CrearVXF(file,
                 [&counts](Database& db, TDBDef& def) { counts = fillSampleWorkspace(db, def); });
    return counts;
}

}  // namespace vexa
