#include "store/schema_check.h"

#include "store/same_name.h"
#include "store/schema.h"

#include <sqlite3.h>

#include <cctype>

namespace vexa {

namespace {

bool startsWithNoCase(const std::string& text, std::string_view prefix) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    return text.size() - i >= prefix.size() && sameName(text.substr(i, prefix.size()), prefix);
}

bool isWorkspaceTable(const std::string& name) {
    for (const TableDef& t : schemaTables())
        if (sameName(t.name, name)) return true;
    return false;
}

}  // namespace

std::vector<SchemaProblem> findSchemaProblems(Database& db) {
    std::vector<SchemaProblem> out;
    Statement s = db.prepare("SELECT type, name, sql FROM sqlite_master ORDER BY rowid");
    while (s.step()) {
        SchemaProblem p{s.getText(0), s.getText(1), {}};
        const std::string sql = s.getText(2);
        if (p.type == "trigger") {
            p.reason = "contiene el disparador \"" + p.name + "\"";
        } else if (p.type == "view") {
            p.reason = "contiene la vista \"" + p.name + "\"";
        } else if (p.type == "table" && startsWithNoCase(sql, "CREATE VIRTUAL")) {
            p.reason = "contiene la tabla virtual \"" + p.name + "\"";
        } else if (p.type != "table" && p.type != "index") {
            p.reason = "contiene un objeto desconocido \"" + p.name + "\" (" + p.type + ")";
        } else if (p.type != "table" && isWorkspaceTable(p.name)) {
            p.reason =
                "tiene \"" + p.name + "\" (" + p.type + ") en lugar de la tabla de ese nombre";
        } else {
            continue;
        }
        out.push_back(std::move(p));
    }
    return out;
}

void checkWorkspaceSchema(Database& db) {
    std::vector<SchemaProblem> problems;
    try {
        problems = findSchemaProblems(db);
    } catch (const SqlError& e) {
        throw SqlError(
            "El archivo no es una base de datos de Vexa válida: " + std::string(e.what()),
            e.code());
    }
    if (problems.empty()) return;
    std::string msg = "El archivo no es un espacio de trabajo seguro: su base de datos " +
                      problems.front().reason;
    if (problems.size() > 1)
        msg += " (y " + std::to_string(problems.size() - 1) + " objeto(s) ajeno(s) más)";
    msg += ". Por seguridad no se abre.";
    throw SqlError(msg, SQLITE_AUTH);
}

}  // namespace vexa
