// Tdm: row primitives, filling and enabling services.
#include "store/same_name.h"
#include "store/shared_procs.h"
#include "store/tdm.h"

#include <cctype>
#include <stdexcept>

namespace vexa {

namespace {

std::string num(int32_t v) {
    return std::to_string(v);
}

// Thrown inside a primitive when its statement ran but found no row to write.
struct NoRow : std::runtime_error {
    NoRow() : std::runtime_error("no existe la fila") {}
};

}  // namespace

std::string describeFailedWrites(const std::vector<FailedWrite>& failures) {
    std::string out;
    for (const FailedWrite& f : failures) out += f.what + ": " + f.cause + "\n";
    return out;
}

// The row primitives swallow every failure, a closed database included: the caller learns
// only that the row is not there, and failedWrites() keeps what was lost.
template <typename Body, typename What>
bool Tdm::attempt(Body&& body, What&& what) noexcept {
    try {
        body();
        return true;
    } catch (const std::exception& e) {
        try {
            failed_.push_back(FailedWrite{what(), e.what()});
        } catch (...) {
        }
        return false;
    }
}

bool Tdm::AgregarValor(int32_t ins, int32_t nut, Fixed4 valor) {
    return attempt(
        [&] {
            Statement s =
                db_.cached("insert into Val (Ins, Nut, Valor) values (:Ins, :Nut, :Valor)");
            s.bind("Ins", ins).bind("Nut", nut).bind("Valor", valor);
            run(s);
        },
        [&] { return "Val (insumo " + num(ins) + ", nutriente " + num(nut) + ")"; });
}

bool Tdm::ActualizarValor(int32_t ins, int32_t nut, Fixed4 valor) {
    return attempt(
        [&] {
            Statement s =
                db_.cached("update Val set Valor = :Valor where Ins = :Ins and Nut = :Nut");
            s.bind("Ins", ins).bind("Nut", nut).bind("Valor", valor);
            run(s);
        },
        [&] { return "Val (insumo " + num(ins) + ", nutriente " + num(nut) + ")"; });
}

bool Tdm::AgregarInsumo(std::string_view nombre, std::string_view redondeo, int32_t itid) {
    return attempt(
        [&] {
            Statement s = db_.cached(
                "insert into Ins (Nombre, Redondeo, ItId) values (:Nombre, :Redondeo, :ItId)");
            s.bind("Nombre", utf8Left(nombre, 25)).bind("Redondeo", utf8Left(redondeo, 2));
            s.bind("ItId", itid);
            run(s);
        },
        [&] { return "Ins \"" + std::string(nombre) + "\""; });
}

bool Tdm::AgregarNutriente(std::string_view nombre, std::string_view unidad, int32_t orden,
                           int32_t tipo, int32_t itid) {
    return attempt(
        [&] {
            Statement s = db_.cached(
                "insert into Nut (Nombre, Unidad, ItId, Tipo, Orden) "
                "values (:Nombre, :Unidad, :ItId, :Tipo, :Orden)");
            s.bind("Nombre", utf8Left(nombre, 25)).bind("Unidad", utf8Left(unidad, 12));
            s.bind("ItId", itid).bind("Tipo", tipo).bind("Orden", orden);
            run(s);
        },
        [&] { return "Nut \"" + std::string(nombre) + "\""; });
}

bool Tdm::AgregarFormula(std::string_view nombre, int32_t cat, Fixed4 valor,
                         std::optional<DateTime> ultima, int32_t tco, int32_t precio, int32_t ms) {
    return attempt(
        [&] {
            Statement s = db_.cached(
                "insert into LR (Nombre, Cat, MS, Precio, TCO, Ultima, Valor) "
                "values (:Nombre, :Cat, :MS, :Precio, :TCO, :Ultima, :Valor)");
            s.bind("Nombre", utf8Left(nombre, 40)).bind("Cat", cat).bind("MS", ms);
            s.bind("Precio", precio).bind("TCO", tco).bind("Ultima", ultima);
            if (valor.isZero())
                s.bindNull("Valor");
            else
                s.bind("Valor", valor);
            run(s);
        },
        [&] { return "LR \"" + std::string(nombre) + "\""; });
}

bool Tdm::AgregarRestrIns(int32_t lr, int32_t cni, std::optional<Fixed4> min,
                          std::optional<Fixed4> max, Fixed4 resul) {
    return attempt(
        [&] {
            Statement s = db_.cached(
                "insert into RIn (LR, CNI, Min, Max, Resul) values (:LR, :CNI, :Min, :Max, "
                ":Resul)");
            s.bind("LR", lr)
                .bind("CNI", cni)
                .bind("Min", min)
                .bind("Max", max)
                .bind("Resul", resul);
            run(s);
        },
        [&] { return "RIn (fórmula " + num(lr) + ", insumo " + num(cni) + ")"; });
}

bool Tdm::AgregarRestrNut(int32_t lr, int32_t cni, Fixed4 min, Fixed4 max, Fixed4 resul) {
    return attempt(
        [&] {
            Statement s = db_.cached(
                "insert into RNu (LR, CNI, Min, Max, Resul) values (:LR, :CNI, :Min, :Max, "
                ":Resul)");
            s.bind("LR", lr).bind("CNI", cni).bind("Min", min).bind("Resul", resul);
            if (max.isZero())
                s.bindNull("Max");
            else
                s.bind("Max", max);
            run(s);
        },
        [&] { return "RNu (fórmula " + num(lr) + ", nutriente " + num(cni) + ")"; });
}

bool Tdm::AgregarItemMezcla(int32_t cmm, int32_t cins, int32_t red, bool defred, Fixed4 perc,
                            Fixed4 ms, Fixed4 valor) {
    return attempt(
        [&] {
            Statement s = db_.cached(
                "insert into MMI (CMM, CIns, Valor, Red, DefRed, Perc, MS) "
                "values (:CMM, :CIns, :Valor, :Red, :DefRed, :Perc, :MS)");
            s.bind("CMM", cmm).bind("CIns", cins).bind("Valor", valor).bind("Red", red);
            s.bind("DefRed", defred).bind("Perc", perc).bind("MS", ms);
            run(s);
        },
        [&] { return "MMI (mezcla " + num(cmm) + ", insumo " + num(cins) + ")"; });
}

bool Tdm::GuardarResultado(std::string_view tabla, int32_t lr, int32_t cni, Fixed4 valor) {
    const char* sql = nullptr;
    if (sameName(tabla, "RIn"))
        sql = "UPDATE RIn SET Resul = :Valor WHERE (LR = :LR) AND (CNI = :CNI)";
    else if (sameName(tabla, "RNu"))
        sql = "UPDATE RNu SET Resul = :Valor WHERE (LR = :LR) AND (CNI = :CNI)";
    else
        return false;
    // A result that cannot be written is lost, as the run's reports do not depend on it.
    return attempt(
        [&] {
            Statement s = db_.cached(sql);
            s.bind("Valor", valor).bind("LR", lr).bind("CNI", cni);
            if (run(s) == 0) throw NoRow();
        },
        [&] {
            const bool ins = sameName(tabla, "RIn");
            return std::string(ins ? "RIn.Resul de la fórmula " : "RNu.Resul de la fórmula ") +
                   num(lr) + (ins ? ", insumo " : ", nutriente ") + num(cni);
        });
}

bool Tdm::GuardarUltima(int32_t lr, DateTime fecha, Fixed4 valor) {
    return attempt(
        [&] {
            Statement s =
                db_.cached("UPDATE LR SET Ultima = :Fecha, Valor = :Valor WHERE Codigo = :Codigo");
            s.bind("Fecha", fecha).bind("Valor", valor).bind("Codigo", lr);
            if (run(s) == 0) throw NoRow();
        },
        [&] { return "LR.Ultima y LR.Valor de la fórmula " + num(lr); });
}

// ---------------------------------------------------------------- filling and enabling

void Tdm::AgregarNutATodos(int32_t nut) {
    // An ingredient that already has a value keeps it.
    Statement s = db_.prepare(
        "INSERT OR IGNORE INTO Val (Ins, Nut, Valor) "
        "SELECT Codigo, :Nut, 0 FROM Ins ORDER BY Codigo");
    s.bind("Nut", nut);
    run(s);
}

void Tdm::AgregarInsATodos(int32_t ins) {
    Statement s = db_.prepare(
        "INSERT OR IGNORE INTO Val (Ins, Nut, Valor) "
        "SELECT :Ins, Codigo, 0 FROM Nut ORDER BY Codigo");
    s.bind("Ins", ins);
    run(s);
}

void Tdm::HabilitarInsumo(int32_t cat, int32_t ins) {
    Statement s = db_.prepare(
        "INSERT INTO EI (Cat, CNI) SELECT :Cat, :CNI "
        "WHERE NOT EXISTS (SELECT 1 FROM EI WHERE Cat = :Cat AND CNI = :CNI)");
    s.bind("Cat", cat).bind("CNI", ins);
    run(s);
}

void Tdm::HabilitarTodosIns(int32_t cat) {
    Statement s = db_.prepare(
        "INSERT INTO EI (Cat, CNI) SELECT :Cat, Codigo FROM Ins "
        "WHERE NOT EXISTS (SELECT 1 FROM EI WHERE EI.Cat = :Cat AND EI.CNI = Ins.Codigo) "
        "ORDER BY Codigo");
    s.bind("Cat", cat);
    run(s);
}

void Tdm::HabilitarTodosNut(int32_t cat) {
    Statement s = db_.prepare(
        "INSERT INTO EN (Cat, CNI) SELECT :Cat, Codigo FROM Nut "
        "WHERE NOT EXISTS (SELECT 1 FROM EN WHERE EN.Cat = :Cat AND EN.CNI = Nut.Codigo) "
        "ORDER BY Codigo");
    s.bind("Cat", cat);
    run(s);
}

void Tdm::HabilitarEnGrupos(int32_t code, std::string_view tabla) {
    std::string table;
    if (sameName(tabla, "EI") || sameName(tabla, "EI.db"))
        table = "EI";
    else if (sameName(tabla, "EN") || sameName(tabla, "EN.db"))
        table = "EN";
    else
        throw std::invalid_argument("Tabla de habilitación desconocida: " + std::string(tabla));
    Statement s =
        db_.prepare("INSERT INTO " + table + " (Cat, CNI) SELECT Codigo, :Code FROM Cat " +
                    "WHERE NOT EXISTS (SELECT 1 FROM " + table +
                    " E WHERE E.Cat = " + "Cat.Codigo AND E.CNI = :Code) ORDER BY Codigo");
    s.bind("Code", code);
    run(s);
}

void Tdm::CargarRestrNut(int32_t lr, std::vector<RestrNutDestino>& destino) {
    Statement s = db_.prepare("Select CNI, Min, Max From RNu Where LR = :For Order By rowid");
    s.bind("For", lr);
    while (s.step()) {
        const int32_t cni = s.getInt("CNI");
        for (RestrNutDestino& row : destino) {
            if (row.Codigo != cni) continue;
            row.RMin = s.getFixed4("Min");
            std::optional<Fixed4> max = s.optFixed4("Max");
            if (max && !max->isZero())
                row.RMax = max;
            else
                row.RMax.reset();
            row.EsRestr = true;
            break;
        }
    }
}

int32_t Tdm::BalanceElectrolitico(int32_t sodio, int32_t potasio, int32_t destino, int32_t cloro) {
    Transaction tx(db_);
    if (destino == 0) {
        // Without the new row there is nothing to write into: never fall back on another
        // nutrient's code.
        if (!AgregarNutriente("Balance Electrolítico", "mEq/Kg.", MaxOrdenNut() + 1, 0, 0))
            return 0;
        destino = static_cast<int32_t>(db_.lastInsertRowId());
        AgregarNutATodos(destino);
        HabilitarEnGrupos(destino, "EN");
    }
    struct Row {
        int32_t ins;
        double na, k, cl;
    };
    std::vector<Row> rows;
    {
        Statement q = db_.prepare(
            "Select I.Codigo, "
            "(Select Valor From Val Where Ins = I.Codigo And Nut = :Na) As Na, "
            "(Select Valor From Val Where Ins = I.Codigo And Nut = :K) As K, "
            "(Select Valor From Val Where Ins = I.Codigo And Nut = :Cl) As Cl "
            "From Ins I Order By I.Codigo");
        q.bind("Na", sodio).bind("K", potasio).bind("Cl", cloro);
        while (q.step()) {
            // A nutrient code of 0 stands for no nutrient at all.
            rows.push_back({q.getInt("Codigo"), sodio ? q.getDouble("Na") : 0.0,
                            potasio ? q.getDouble("K") : 0.0, cloro ? q.getDouble("Cl") : 0.0});
        }
    }
    for (const Row& r : rows) {
        const double balance = r.na / 0.0023 + r.k / 0.00391 - r.cl / 0.00355;
        ActualizarValor(r.ins, destino, Fixed4::fromDouble(balance));
    }
    tx.commit();
    return destino;
}

}  // namespace vexa
