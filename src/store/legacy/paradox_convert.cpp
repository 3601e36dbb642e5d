#include "store/legacy/paradox_convert.h"

#include "store/legacy/paradox_table.h"
#include "store/schema.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>

namespace vexa {

namespace fs = std::filesystem;

namespace {

std::string lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Files of the earlier program's table store: tables, memos, indexes, validity checks and
// the store's lock files.
bool isParadoxFile(const fs::path& p) {
    const std::string ext = lower(p.extension().string());
    if (ext == ".db" || ext == ".mb" || ext == ".px" || ext == ".val" || ext == ".tv" ||
        ext == ".fam" || ext == ".lck" || ext == ".net")
        return true;
    // Secondary indexes: .X01, .Y01, .XG0, .YG0...
    return ext.size() == 4 && (ext[1] == 'x' || ext[1] == 'y') &&
           std::isalnum(static_cast<unsigned char>(ext[2])) &&
           std::isalnum(static_cast<unsigned char>(ext[3]));
}

// Files of the folder by lower-case name.
std::map<std::string, fs::path> folderFiles(const fs::path& folder) {
    std::map<std::string, fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_regular_file(ec))
            files[lower(entry.path().filename().string())] = entry.path();
    return files;
}

// Days of the calendar from 1 January of year 1 (day 1) to 31 December 9999.
constexpr int64_t kLastDay = 3652059;

std::string timestampText(double ms) {
    const double days = std::floor(ms / 86400000.0);
    long long secs = std::llround((ms - days * 86400000.0) / 1000.0);
    if (secs >= 86400) secs = 86399;
    char buf[64];
    std::snprintf(buf, sizeof buf, " %02lld:%02lld:%02lld", secs / 3600, secs / 60 % 60, secs % 60);
    return paradoxDateText(static_cast<int64_t>(days)) + buf;
}

// One value into a field of the layout, converted to the field's type.
void bindValue(Statement& s, const std::string& p, const FieldDef& f, const ParadoxValue& v) {
    using K = ParadoxValue::Kind;
    const bool number = v.kind == K::Integer || v.kind == K::Real || v.kind == K::Logical;
    const double asReal = v.kind == K::Real ? v.real : static_cast<double>(v.integer);
    switch (v.kind) {
        case K::Null:
            s.bindNull(p);
            return;
        case K::Text:
            if (f.type == FieldType::String || !number) {
                s.bind(p, v.text);
                return;
            }
            break;
        case K::Date:
            if (v.integer < 1 || v.integer > kLastDay)
                throw ParadoxError("el campo " + f.name + " tiene una fecha no válida");
            s.bind(p, paradoxDateText(v.integer));
            return;
        case K::Timestamp:
            if (!(v.real >= 86400000.0 && v.real < (kLastDay + 1) * 86400000.0))
                throw ParadoxError("el campo " + f.name + " tiene una fecha no válida");
            s.bind(p, f.type == FieldType::Date ? timestampText(v.real).substr(0, 10)
                                                : timestampText(v.real));
            return;
        case K::Time: {
            if (!(v.real >= 0 && v.real < 86400000.0))
                throw ParadoxError("el campo " + f.name + " tiene una hora no válida");
            char buf[64];
            const long long secs = static_cast<long long>(v.real / 1000.0) % 86400;
            std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", secs / 3600, secs / 60 % 60,
                          secs % 60);
            s.bind(p, buf);
            return;
        }
        default:
            break;
    }
    if (!std::isfinite(asReal)) {
        s.bindNull(p);
        return;
    }
    switch (f.type) {
        case FieldType::Money:
            s.bind(p, Fixed4::fromDouble(asReal));
            return;
        case FieldType::Float:
            s.bind(p, asReal);
            return;
        case FieldType::Boolean:
            s.bind(p, asReal != 0);
            return;
        case FieldType::String:
            s.bind(p, v.kind == K::Real ? std::to_string(asReal) : std::to_string(v.integer));
            return;
        default:
            if (v.kind == K::Real) {
                if (std::fabs(asReal) > 9.2e18)
                    throw ParadoxError("el campo " + f.name + " está fuera de rango");
                s.bind(p, static_cast<int64_t>(std::llround(asReal)));
            } else {
                s.bind(p, v.integer);
            }
            return;
    }
}

long copyTable(Database& db, const TableDef& table, const fs::path& file, const fs::path& memo) {
    ParadoxTable px(file, memo);
    const auto& fields = px.fields();
    std::vector<const FieldDef*> targets(fields.size(), nullptr);
    std::string cols, params;
    for (size_t i = 0; i < fields.size(); ++i) {
        const FieldDef* f = table.field(fields[i].name);
        // A field the layout does not know is never dropped in silence: its values would be
        // lost (a value field renamed Valor_ converted as a table of empty values).
        if (!f)
            throw ParadoxError("el campo " + fields[i].name +
                               " no es de esta tabla en ninguna versión conocida; no se convierte "
                               "para no perder sus valores");
        for (size_t k = 0; k < i; ++k)
            if (targets[k] == f) throw ParadoxError("el campo " + f->name + " aparece dos veces");
        switch (fields[i].type) {
            case 0x0D:  // binary objects, OLE, pictures, bytes, BCD
            case 0x0F:
            case 0x10:
            case 0x17:
            case 0x18:
                throw ParadoxError("el campo " + fields[i].name +
                                   " es de un tipo que no se puede convertir");
            default:
                break;
        }
        targets[i] = f;
        if (!cols.empty()) {
            cols += ", ";
            params += ", ";
        }
        cols += "\"" + f->name + "\"";
        params += ":p" + std::to_string(i);
    }
    if (cols.empty()) return 0;
    auto insert =
        db.prepare("INSERT INTO \"" + table.name + "\" (" + cols + ") VALUES (" + params + ")");
    std::vector<std::string> names(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) names[i] = ":p" + std::to_string(i);
    std::vector<ParadoxValue> values;
    long rows = 0;
    for (int r = 0; r < px.records(); ++r) {
        px.read(r, values);
        insert.reset();
        insert.clearBindings();
        for (size_t i = 0; i < fields.size(); ++i)
            if (targets[i]) bindValue(insert, names[i], *targets[i], values[i]);
        try {
            insert.execute();
        } catch (const SqlError& e) {
            throw ParadoxError("el registro " + std::to_string(r + 1) +
                               " no se puede guardar: " + e.what());
        }
        ++rows;
    }
    // Codes given out by the earlier program and deleted since are not given out again.
    if (px.lastAutoInc() > 0 && !table.fields.empty() &&
        table.fields.front().type == FieldType::AutoInc) {
        auto seq = db.prepare("UPDATE sqlite_sequence SET seq = :n WHERE name = :t AND seq < :n");
        seq.bind("n", px.lastAutoInc()).bind("t", table.name);
        seq.execute();
        auto add = db.prepare(
            "INSERT INTO sqlite_sequence (name, seq) SELECT :t, :n "
            "WHERE NOT EXISTS (SELECT 1 FROM sqlite_sequence WHERE name = :t)");
        add.bind("n", px.lastAutoInc()).bind("t", table.name);
        add.execute();
    }
    return rows;
}

}  // namespace

bool isParadoxFolder(const fs::path& folder) {
    std::error_code ec;
    if (fs::exists(databaseFile(folder), ec)) return false;
    for (const auto& [name, path] : folderFiles(folder))
        if (lower(path.extension().string()) == ".db") return true;
    return false;
}

std::vector<LegacyTableCount> convertParadoxFolder(const fs::path& folder) {
    auto files = folderFiles(folder);
    if (!files.count("nut.db"))
        throw std::runtime_error(
            "No se pudo convertir la base de datos del programa anterior: falta la tabla Nut.DB.");
    // Built aside and moved into place only when complete: a conversion that stops half-way
    // (an error, a crash) never leaves a database that looks like a whole one.
    const fs::path aside = folder / ".conversion";
    std::error_code ec;
    fs::remove_all(aside, ec);
    fs::create_directory(aside, ec);
    if (ec)
        throw std::runtime_error("No se pudo convertir la base de datos del programa anterior: " +
                                 ec.message());
    std::vector<LegacyTableCount> counts;
    try {
        {
            Database db = createDatabase(aside);
            Transaction tx(db);
            for (const auto& table : schemaTables()) {
                auto it = files.find(lower(table.name) + ".db");
                if (it == files.end()) continue;
                auto memo = files.find(lower(table.name) + ".mb");
                const std::string shown = it->second.filename().string();
                try {
                    db.exec("DELETE FROM \"" + table.name + "\"");
                    long rows = copyTable(db, table, it->second,
                                          memo == files.end() ? fs::path() : memo->second);
                    counts.push_back({table.name, rows});
                } catch (const std::exception& e) {
                    throw std::runtime_error("No se pudo convertir la tabla " + shown + ": " +
                                             e.what() + ".");
                }
            }
            tx.commit();
        }
        fs::rename(databaseFile(aside), databaseFile(folder));
    } catch (...) {
        fs::remove_all(aside, ec);
        throw;
    }
    fs::remove_all(aside, ec);
    // The earlier program's files have served; the folder is packed in the current format.
    for (const auto& [name, path] : files)
        if (isParadoxFile(path)) fs::remove(path, ec);
    return counts;
}

}  // namespace vexa
