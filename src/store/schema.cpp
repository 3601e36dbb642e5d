#include "store/schema.h"

#include "store/same_name.h"

#include <cctype>
#include <cmath>
#include <stdexcept>

namespace vexa {

namespace {

constexpr int kV02 = 103002;  // LR.Ultima, LR.Valor, MM CatNom (step C)
constexpr int kV03 = 103003;  // LR CatNom (step B)
constexpr int kV04 = 103004;  // MMI.Perc, MMI.MS, RIn.Resul, RNu.Resul (step A)

FieldDef autoInc() {
    return {"Codigo", FieldType::AutoInc};
}
FieldDef integer(std::string n, bool req = false) {
    return {std::move(n), FieldType::Integer, 0, req};
}
FieldDef smallint(std::string n) {
    return {std::move(n), FieldType::Smallint};
}
FieldDef flt(std::string n, bool req = false, int since = 0) {
    return {std::move(n), FieldType::Float, 0, req, since};
}
FieldDef money(std::string n, int since = 0) {
    return {std::move(n), FieldType::Money, 0, false, since};
}
FieldDef str(std::string n, int size) {
    return {std::move(n), FieldType::String, size};
}

std::vector<TableDef> buildTables() {
    using F = FieldType;
    const std::vector<std::string> code{"Codigo"};
    auto idx = [](std::string n) { return IndexDef{n, {n}}; };
    auto restr = [&](std::string name) {
        return TableDef{std::move(name),
                        {integer("LR", true), integer("CNI", true), flt("Min"), flt("Max"),
                         money("Resul", kV04)},
                        {"LR", "CNI"},
                        {}};
    };
    auto enabling = [&](std::string name) {
        return TableDef{std::move(name), {integer("Cat"), integer("CNI")}, {}, {}};
    };
    return {
        {"Val", {integer("Ins"), integer("Nut"), flt("Valor")}, {"Ins", "Nut"}, {idx("Nut")}},
        {"Ins",
         {autoInc(), str("Nombre", 25), str("Redondeo", 2), integer("ItId")},
         code,
         {idx("Nombre")}},
        {"Nut",
         {autoInc(), str("Nombre", 25), str("Unidad", 12), integer("ItId"), integer("Tipo"),
          integer("Orden")},
         code,
         {idx("Nombre"), idx("Orden")}},
        {"LR",
         {autoInc(),
          str("Nombre", 40),
          integer("Cat"),
          integer("MS"),
          integer("Precio"),
          flt("Cons"),
          smallint("TCO"),
          smallint("DefMS"),
          smallint("DefPx"),
          smallint("DefCon"),
          {"Ultima", F::DateTime, 0, false, kV02},
          flt("Valor", false, kV02)},
         code,
         {idx("Cat"), idx("Nombre"), {"CatNom", {"Cat", "Nombre"}, false, kV03}}},
        {"Cat",
         {autoInc(), str("Nombre", 25), integer("MS"), integer("Precio"), flt("Cons"),
          smallint("TCO"), smallint("EnMS"), smallint("UsaCon"), smallint("UsaRel")},
         code,
         {idx("Nombre")}},
        {"RRN",
         {integer("LR", true), integer("Codigo", true), flt("MinN1", true), flt("MinN2"),
          flt("MaxN1"), flt("MaxN2")},
         {"LR", "Codigo"},
         {}},
        restr("RIn"),
        restr("RNu"),
        {"Rel",
         // 30: "Calcio : Fósforo disponible" and the like need more than 25
         {autoInc(), str("Nombre", 30), integer("Nut1", true), integer("Nut2", true)},
         code,
         {idx("Nombre")}},
        enabling("EN"),
        {"MM",
         {autoInc(), str("Nombre", 30), integer("Cat"), integer("EnMS"), integer("MS")},
         code,
         {{"PorCat", {"Cat"}}, idx("Nombre"), {"CatNom", {"Cat", "Nombre"}, false, kV02}}},
        {"MMI",
         {integer("CMM"),
          integer("CIns"),
          flt("Valor"),
          smallint("Red"),
          {"DefRed", F::Boolean},
          money("Perc", kV04),
          money("MS", kV04)},
         {"CMM", "CIns"},
         {{"PorValor", {"Valor", "CMM"}, true}}},
        enabling("EI"),
        {"TN", {integer("Codigo"), str("Tipo", 12)}, code, {}},
        {"TI", {autoInc(), str("Nombre", 15)}, code, {idx("Nombre")}},
        {"RCI",
         {integer("LR", true),
          integer("Ins", true),
          flt("Min"),
          flt("Max"),
          {"TCO", F::Boolean, 0, true}},
         {"LR", "Ins"},
         {}},
        {"ER", {integer("Cat"), integer("Cod")}, {"Cat", "Cod"}, {}},
        {"DETDIE", {integer("Die"), integer("Ins"), flt("Valor")}, {"Die", "Ins"}, {}},
        {"DIETAS",
         {autoInc(), str("Nombre", 30), {"Fecha", F::Date}, flt("Cant"), integer("LoteId")},
         code,
         {idx("Nombre"), idx("LoteId")}},
        {"LOTES",
         {autoInc(), str("Nombre", 30), integer("Precio"), {"Fecha", F::Date}},
         code,
         {idx("Nombre")}},
    };
}

std::string createTableSql(const TableDef& t, int version) {
    std::string sql = "CREATE TABLE " + t.name + " (";
    bool first = true;
    bool autoKey = false;
    for (const FieldDef& f : t.fields) {
        if (f.since > version) continue;
        if (!first) sql += ", ";
        first = false;
        sql += f.name + " " + sqlType(f);
        if (f.type == FieldType::AutoInc) autoKey = true;
        if (f.required) sql += " NOT NULL";
    }
    if (!autoKey && !t.primaryKey.empty()) {
        sql += ", PRIMARY KEY (";
        for (size_t i = 0; i < t.primaryKey.size(); ++i) sql += (i ? ", " : "") + t.primaryKey[i];
        sql += ")";
    }
    return sql + ")";
}

std::string createIndexSql(const TableDef& t, const IndexDef& i) {
    std::string sql = "CREATE INDEX " + indexSqlName(t, i) + " ON " + t.name + " (";
    for (size_t k = 0; k < i.fields.size(); ++k)
        sql += (k ? ", " : "") + i.fields[k] + (i.descending ? " DESC" : "");
    return sql + ")";
}

void createOneTable(Database& db, const TableDef& t, int version) {
    db.exec(createTableSql(t, version));
    for (const IndexDef& i : t.indexes)
        if (i.since <= version) db.exec(createIndexSql(t, i));
}

bool isEmpty(Database& db, const char* table) {
    Statement s = db.prepare(std::string("SELECT count(*) FROM ") + table);
    s.step();
    return s.getInt64(0) == 0;
}

}  // namespace

const FieldDef* TableDef::field(std::string_view n) const {
    for (const FieldDef& f : fields)
        if (sameName(f.name, n)) return &f;
    return nullptr;
}

const std::vector<TableDef>& schemaTables() {
    static const std::vector<TableDef> tables = buildTables();
    return tables;
}

const TableDef* findTable(std::string_view name) {
    if (name.size() > 3 && sameName(name.substr(name.size() - 3), ".db")) name.remove_suffix(3);
    for (const TableDef& t : schemaTables())
        if (sameName(t.name, name)) return &t;
    return nullptr;
}

std::string sqlType(const FieldDef& f) {
    switch (f.type) {
        case FieldType::AutoInc:
            return "INTEGER PRIMARY KEY AUTOINCREMENT";
        case FieldType::Integer:
            return "INTEGER";
        case FieldType::Smallint:
            return "SMALLINT";
        case FieldType::Float:
            return "FLOAT";
        case FieldType::Money:
            return "MONEY";
        case FieldType::Boolean:
            return "BOOLEAN";
        case FieldType::Date:
            return "DATE";
        case FieldType::DateTime:
            return "TIMESTAMP";
        case FieldType::String:
            return "VARCHAR(" + std::to_string(f.size) + ") COLLATE NOCASE";
    }
    return "";
}

// SQLite keeps index names per file, not per table, and several tables have a "Nombre" index.
std::string indexSqlName(const TableDef& t, const IndexDef& i) {
    return t.name + "_" + i.name;
}

std::filesystem::path databaseFile(const std::filesystem::path& folder) {
    return folder / kDatabaseFileName;
}

int layoutVersionFromNumber(double ver) {
    return static_cast<int>(std::lround(ver * 100.0));
}

bool isKnownLayoutVersion(int version) {
    return version >= 103001 && version <= kV04;
}

void createTables(Database& db, int version) {
    Transaction tx(db);
    auto table = [&](const char* name) { createOneTable(db, *findTable(name), version); };
    for (const char* n : {"Val", "Ins", "Nut", "LR", "Cat", "RRN", "RIn", "RNu", "Rel", "EN", "MM",
                          "MMI", "EI", "TN"})
        table(n);
    if (isEmpty(db, "TN")) {
        static const char* kTypes[] = {"Nutriente", "Precio",    "Materia Seca", "Energía",
                                       "Proteína",  "Vitaminas", "Minerales"};
        Statement s = db.prepare("INSERT INTO TN (Codigo, Tipo) VALUES (:Codigo, :Tipo)");
        for (int i = 0; i < 7; ++i) {
            s.bind("Codigo", i).bind("Tipo", kTypes[i]);
            s.execute();
        }
    }
    table("TI");
    if (isEmpty(db, "TI")) {
        Statement s = db.prepare("INSERT INTO TI (Nombre) VALUES (:Nombre)");
        for (const char* n :
             {"Forraje", "Proteico", "Energético", "Graso", "Vit y Mineral.", "Otros"}) {
            s.bind("Nombre", n);
            s.execute();
        }
    }
    for (const char* n : {"RCI", "ER", "DETDIE", "DIETAS", "LOTES"}) table(n);
    Statement s = db.prepare("INSERT INTO LOTES (Nombre, Fecha) VALUES (:Nombre, :Fecha)");
    s.bind("Nombre", "Genérico").bind("Fecha", toStoreDate(std::chrono::system_clock::now()));
    s.execute();
    tx.commit();
}

Database createDatabase(const std::filesystem::path& folder) {
    std::filesystem::path file = databaseFile(folder);
    if (std::filesystem::exists(file))
        throw SqlError("La base de datos ya existe: " + file.string());
    try {
        Database db(file, Database::Mode::Create);
        createTables(db);
        return db;
    } catch (...) {
        std::error_code ec;
        std::filesystem::remove(file, ec);
        throw;
    }
}

std::string upgradeSteps(int version) {
    switch (version) {
        case 103001:
            return "ABC";
        case 103002:
            return "AB";
        case 103003:
            return "A";
        default:
            return "";
    }
}

// SQLite adds one column per ALTER TABLE, so the two-column statements are split in two.
std::vector<std::string> upgradeStatements(int version) {
    std::vector<std::string> out;
    for (char step : upgradeSteps(version)) {
        switch (step) {
            case 'A':
                out.insert(out.end(),
                           {"ALTER TABLE MMI ADD Perc MONEY", "ALTER TABLE MMI ADD MS MONEY",
                            "ALTER TABLE RIN ADD Resul MONEY", "ALTER TABLE RNU ADD Resul MONEY"});
                break;
            case 'B':
                out.push_back("CREATE INDEX LR_CatNom ON LR (Cat, Nombre)");
                break;
            case 'C':
                out.insert(out.end(),
                           {"ALTER TABLE LR ADD Ultima TIMESTAMP", "ALTER TABLE LR ADD Valor FLOAT",
                            "CREATE INDEX MM_CatNom ON MM (Cat, Nombre)"});
                break;
        }
    }
    return out;
}

namespace {

// "ALTER TABLE T ADD C TYPE" and "CREATE INDEX N ON T (...)": whether the file already has
// what the statement adds (a workspace upgraded halfway by an earlier release).
bool alreadyApplied(Database& db, const std::string& sql) {
    auto word = [&](size_t n) {
        size_t at = 0;
        std::string w;
        for (size_t k = 0; k <= n; ++k) {
            while (at < sql.size() && sql[at] == ' ') ++at;
            size_t end = sql.find_first_of(" (", at);
            if (end == std::string::npos) end = sql.size();
            w = sql.substr(at, end - at);
            at = end;
        }
        return w;
    };
    if (sameName(word(0), "ALTER")) {
        for (const std::string& c : db.columnNames(word(2)))
            if (sameName(c, word(4))) return true;
        return false;
    }
    Statement s =
        db.prepare("SELECT 1 FROM sqlite_master WHERE type='index' AND name=:n COLLATE NOCASE");
    s.bind("n", word(2));
    return s.step();
}

}  // namespace

std::vector<std::string> missingTables(Database& db) {
    std::vector<std::string> out;
    for (const TableDef& t : schemaTables()) {
        Statement q = db.prepare(
            "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = :N COLLATE "
            "NOCASE");
        q.bind("N", t.name);
        q.step();
        if (q.getInt64(0) == 0) out.push_back(t.name);
    }
    return out;
}

void upgradeDatabase(Database& db, int version) {
    if (!isKnownLayoutVersion(version))
        throw std::invalid_argument("Versión de base de datos desconocida: " +
                                    std::to_string(version));
    const std::vector<std::string> statements = upgradeStatements(version);
    if (statements.empty()) return;
    try {
        Transaction tx(db);
        for (const std::string& sql : statements)
            if (!alreadyApplied(db, sql)) db.exec(sql);
        tx.commit();
    } catch (const SqlError& e) {
        throw SqlError(
            "No se pudo actualizar la base de datos a la versión 1030.04; el archivo "
            "queda como estaba: " +
                std::string(e.what()),
            e.code());
    }
}

}  // namespace vexa
