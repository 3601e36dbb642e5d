#pragma once
// Tdm: the data-access services every window and the engine use on the open workspace:
// single-value lookups with their defaults, row primitives, cascaded deletions, copies,
// enabling services and a few computations over the tables.
//
// Usage:
//     Database db = createDatabase(folder);          // store/schema.h, or
//     Database db(databaseFile(folder));             // an existing vexa.sqlite
//     TDBDef def = readDBDef(folder);                // store/db_def.h (MS, EnBaseFresca...)
//     Tdm dm(db, def);
//     dm.onModified = [&] { workspace.DBModified = true; };
//     int32_t copy = dm.CopiarFormula(code, -1);
//
// Tdm keeps references: the Database object and the TDBDef must outlive it (the workspace's
// own members do: reopening a workspace assigns a new connection into the same Database).
// Every service that posts or deletes a row calls onModified.
//
// Speed: outside a transaction every statement locks and unlocks the file; a run of many
// lookups (a formula's values, a report) is several times faster inside one Transaction
// (store/sqlite_db.h), even when it only reads.
//
// Errors: the row primitives (Agregar*, ActualizarValor, GuardarResultado, GuardarUltima)
// swallow their own errors and return false; each such failure is also kept in
// failedWrites() (what, and the store's cause) until clearFailedWrites(), so a command that
// goes on never claims to have stored what it did not. Deletions, copies and enabling services run
// in one transaction each and throw SqlError (the store's text) when the store refuses; a failure
// leaves the tables as they were. Lookups give their defaults on missing rows or values.
#include "engine/fixed4.h"
#include "engine/name_kind.h"
#include "store/db_def.h"
#include "store/sqlite_db.h"
#include "store/formulation_cache.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

// A write that a row primitive could not make: what was not stored, and why (the store's
// text). Both Spanish, for the user.
struct FailedWrite {
    std::string what;
    std::string cause;
};
// "RIn.Resul de la fórmula 3, insumo 5: <cause>" lines, one per failure.
std::string describeFailedWrites(const std::vector<FailedWrite>& failures);

// A row of a caller's nutrient list filled by CargarRestrNut.
struct RestrNutDestino {
    int32_t Codigo = 0;
    std::optional<Fixed4> RMin;
    std::optional<Fixed4> RMax;
    bool EsRestr = false;
};

// Lookup lists the windows bind to, in SQLite's dialect.
namespace tdm_sql {
inline constexpr const char* qCat = "Select * From Cat";
inline constexpr const char* qNut = "Select * From Nut";
inline constexpr const char* qIns = "Select * From Ins";
inline constexpr const char* qFor = "Select * From LR";
// A nutrient without a unit still shows its name (NomUni is 39 characters wide).
inline constexpr const char* qNutUni =
    "Select Codigo, substr(coalesce(Nombre, '') || ', ' || coalesce(Unidad, ''), 1, 39) as "
    "NomUni, Tipo From Nut Order By NomUni";
inline constexpr const char* qNutxIns =
    "Select Codigo, Count(Ins) as NNut From Ins INNER JOIN Val ON (Ins.Codigo = Val.Ins) "
    "Group by Codigo";
inline constexpr const char* qlbTI = "Select Codigo, Nombre From TI";
inline constexpr const char* qlbTN = "Select Codigo, Tipo From TN";
inline constexpr const char* qlbIns =
    "Select Codigo, Nombre From Ins Order By Nombre COLLATE NOMBRES";
}  // namespace tdm_sql

class Tdm {
public:
    Tdm(Database& db, TDBDef& def);
    Tdm(const Tdm&) = delete;
    Tdm& operator=(const Tdm&) = delete;

    // Called whenever a service posted or deleted at least one row.
    std::function<void()> onModified;

    Database& db() { return db_; }
    const TDBDef& dbDef() const { return def_; }
    // Ingredient values as formulation runs read them, kept between runs.
    FormulationCache& formulationCache() { return formulationCache_; }

    // ---- open
    // After a workspace has been opened: reads the defaults (LeerDefectos).
    void AbrirTablas();
    // Precio, MS and Categoria of the working folder's DB.def, section Def, into DBDef
    // (0 when missing).
    void LeerDefectos();

    // ---- single-value lookups
    std::string NombreDe(int kind, int32_t code);  // kind: NameKind; other kinds: empty
    std::string UnidadNutriente(int32_t nut);      // ""
    int32_t PrecioGrupo(int32_t cat);              // 0
    int32_t GrupoEnMS(int32_t cat);                // 0
    int32_t PrimeraFormula(int32_t cat);           // 0; the lowest code of the group
    int32_t TipoNutriente(int32_t nut);            // 2
    std::string NombreTipoNutriente(int32_t nut);  // ""
    int32_t TipoInsumo(int32_t ins);               // 0
    // -4 when missing or empty; a text that is not a whole number throws
    // std::invalid_argument.
    int RedondeoInsumo(int32_t ins);
    Fixed4 MSInsumo(int32_t ins);  // Val of (ins, DBDef.MS); 0
    // A value entered on `basis` (0 as fed, 1 dry matter) to the basis of the database.
    Fixed4 ConvertirBase(int32_t ins, int basis, Fixed4 value);
    int32_t MaxOrdenNut();  // 0
    // "SELECT MAX(field) FROM table"; 0 for an empty table. Names are cut to 20 characters
    // and must be plain identifiers (anything else gives 0).
    int32_t MaxCodigo(std::string_view table, std::string_view field);

    // ---- row primitives (errors swallowed: false, and kept in failedWrites())
    const std::vector<FailedWrite>& failedWrites() const { return failed_; }
    void clearFailedWrites() { failed_.clear(); }

    bool AgregarValor(int32_t ins, int32_t nut, Fixed4 valor);
    bool ActualizarValor(int32_t ins, int32_t nut, Fixed4 valor);
    bool AgregarInsumo(std::string_view nombre, std::string_view redondeo, int32_t itid);
    bool AgregarNutriente(std::string_view nombre, std::string_view unidad, int32_t orden,
                          int32_t tipo, int32_t itid);
    // An empty `ultima` and a zero `valor` are written empty.
    bool AgregarFormula(std::string_view nombre, int32_t cat, Fixed4 valor,
                        std::optional<DateTime> ultima, int32_t tco, int32_t precio, int32_t ms);
    // Empty bounds stay empty (an empty maximum means 100 %).
    bool AgregarRestrIns(int32_t lr, int32_t cni, std::optional<Fixed4> min,
                         std::optional<Fixed4> max, Fixed4 resul);
    // A zero maximum is written empty.
    bool AgregarRestrNut(int32_t lr, int32_t cni, Fixed4 min, Fixed4 max, Fixed4 resul);
    bool AgregarItemMezcla(int32_t cmm, int32_t cins, int32_t red, bool defred, Fixed4 perc,
                           Fixed4 ms, Fixed4 valor);
    // `tabla` is RIn or RNu (any case); anything else writes nothing. A result whose row is
    // not there is not stored either: false.
    bool GuardarResultado(std::string_view tabla, int32_t lr, int32_t cni, Fixed4 valor);
    bool GuardarUltima(int32_t lr, DateTime fecha, Fixed4 valor);

    // ---- deletions of dependent rows (the caller deletes the parent row)
    void BorrarInsumo(int32_t ins);
    // Also deletes the ratios of the nutrient (Rel) with their own dependents.
    void BorrarNutriente(int32_t nut);
    void BorrarRestricciones(int32_t lr);
    void BorrarMezcla(int32_t mm);
    // Also deletes the group's formulas and manual mixes with their own dependents.
    void BorrarGrupo(int32_t cat);
    // A ratio's restrictions (RRN) and enablings (ER); the caller deletes the Rel row.
    void BorrarRelacion(int32_t rel);

    // ---- copies: the code of the new parent row, 0 when it could not be inserted
    int32_t CopiarInsumo(int32_t ins);
    int32_t CopiarNutriente(int32_t nut);
    int32_t CopiarFormula(int32_t lr, int32_t cat = -1);  // -1: the source's own group
    int32_t CopiarMezcla(int32_t mm, int32_t cat = -1);
    int32_t CopiarGrupo(int32_t cat);
    void CopiarRestrIns(int32_t src, int32_t dst);
    void CopiarRestrNut(int32_t src, int32_t dst);
    void ReemplazarRestrIns(int32_t src, int32_t dst);
    void ReemplazarRestrNut(int32_t src, int32_t dst);

    // ---- filling and enabling (a pair already enabled is not added twice)
    void AgregarNutATodos(int32_t nut);  // a zero value for every ingredient
    void AgregarInsATodos(int32_t ins);  // a zero value for every nutrient
    void HabilitarInsumo(int32_t cat, int32_t ins);
    void HabilitarTodosIns(int32_t cat);
    void HabilitarTodosNut(int32_t cat);
    // `tabla` is EI (a new ingredient) or EN (a new nutrient); else std::invalid_argument.
    void HabilitarEnGrupos(int32_t code, std::string_view tabla);
    // Copies the nutrient limits of formula lr onto the rows of `destino` with the same code.
    void CargarRestrNut(int32_t lr, std::vector<RestrNutDestino>& destino);

    // ---- other
    // Stores every ingredient's electrolyte balance (mEq/kg) as its value of `destino`,
    // creating the nutrient "Balance Electrolítico" when destino is 0. Returns destino.
    int32_t BalanceElectrolitico(int32_t sodio, int32_t potasio, int32_t destino, int32_t cloro);

private:
    int run(Statement& s);  // executes; reports a change
    bool tryRun(Statement& s) noexcept;
    // Runs a primitive's body; a failure is swallowed and recorded under `what()`.
    template <typename Body, typename What>
    bool attempt(Body&& body, What&& what) noexcept;
    void modified();
    std::vector<int32_t> codes(std::string_view sql, std::string_view param, int32_t value);
    void deleteWhere(std::string_view sql, std::string_view param, int32_t value);

    Database& db_;
    TDBDef& def_;
    std::vector<FailedWrite> failed_;
    FormulationCache formulationCache_{db_};
};

}  // namespace vexa
