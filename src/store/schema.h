#pragma once
// The twenty tables of a working database, their upgrades from older layouts, and the file
// that holds them. The definitions are data, so the grids can ask a field's type and size.
#include "store/sqlite_db.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

// One database file per working folder.
inline constexpr const char* kDatabaseFileName = "vexa.sqlite";
std::filesystem::path databaseFile(const std::filesystem::path& folder);

// Layout versions are kept in hundredths: 1030.04 is 103004.
inline constexpr int kLayoutVersion = 103004;
// The number written in the definition file ("1030.04", or read with a decimal comma)
// to hundredths, rounded to the nearest.
int layoutVersionFromNumber(double ver);
bool isKnownLayoutVersion(int version);  // 1030.01 to 1030.04

enum class FieldType { AutoInc, Integer, Smallint, Float, Money, Boolean, Date, DateTime, String };

struct FieldDef {
    std::string name;
    FieldType type;
    int size = 0;  // characters, for String
    bool required = false;
    int since = 0;  // first layout version that has the field (0: all)
};

struct IndexDef {
    std::string name;  // as the table knows it ("CatNom"); the file-wide name is Table_Name
    std::vector<std::string> fields;
    bool descending = false;
    int since = 0;
};

struct TableDef {
    std::string name;
    std::vector<FieldDef> fields;
    std::vector<std::string> primaryKey;  // empty: none; {"Codigo"} for an AutoInc table
    std::vector<IndexDef> indexes;        // secondary, never unique
    const FieldDef* field(std::string_view name) const;  // without regard to case
};

// The tables in creation order.
const std::vector<TableDef>& schemaTables();
const TableDef* findTable(std::string_view name);  // without regard to case; ".DB" ignored
std::string sqlType(const FieldDef& f);            // "VARCHAR(25) COLLATE NOCASE", "MONEY", ...
std::string indexSqlName(const TableDef& t, const IndexDef& i);  // "LR_CatNom"

// Creates `vexa.sqlite` in `folder` (which must exist) with every table, index and default
// row, and returns the open connection. An existing database file is an error. The whole
// creation is one transaction: a failure leaves no half-built database behind.
Database createDatabase(const std::filesystem::path& folder);
// Creates the tables in an open database as the given layout version had them (older
// layouts lack the fields and indexes that the upgrades add).
void createTables(Database& db, int layoutVersion = kLayoutVersion);

// Letters of the upgrade steps that a version needs, in order ("ABC" for 1030.01, "" for the
// current layout), and the statements they run.
std::string upgradeSteps(int version);
std::vector<std::string> upgradeStatements(int version);
// Brings an open database of `version` to the current layout in one transaction. A column or
// index the file already has is not added again (a file left half upgraded completes). An
// unknown version throws std::invalid_argument before any statement runs; a failing statement
// throws SqlError with its cause and leaves the database as it was: the caller must then fail
// the open and keep the recorded version.
void upgradeDatabase(Database& db, int version);
// The workspace tables the file does not have (empty: none is missing).
std::vector<std::string> missingTables(Database& db);

}  // namespace vexa
