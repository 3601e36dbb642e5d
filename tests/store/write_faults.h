#pragma once
// Failure injection in SQLite's manner: the n-th row written (inserted, updated or deleted)
// in the watched tables fails as a full disk would, and every write is counted. Temporary
// triggers call a function of ours, so the code under test runs unchanged.
#include <sqlite3.h>

#include <string>
#include <vector>

#include "store/sqlite_db.h"

namespace vexa::test {

class WriteFaults {
public:
    WriteFaults(Database& db, const std::vector<std::string>& tables) : db_(db) {
        sqlite3_create_function(db_.handle(), "vexa_write_fault", 0, SQLITE_UTF8, this, &hit,
                                nullptr, nullptr);
        for (const std::string& t : tables)
            for (const char* op : {"INSERT", "UPDATE", "DELETE"}) {
                std::string name = "fault_" + t + "_" + op;
                triggers_.push_back(name);
                db_.exec("CREATE TEMP TRIGGER " + name + " BEFORE " + op + " ON main." + t +
                         " BEGIN SELECT vexa_write_fault(); END");
            }
    }
    ~WriteFaults() {
        for (const std::string& t : triggers_) db_.exec("DROP TRIGGER IF EXISTS temp." + t);
        sqlite3_create_function(db_.handle(), "vexa_write_fault", 0, SQLITE_UTF8, nullptr, nullptr,
                                nullptr, nullptr);
    }
    WriteFaults(const WriteFaults&) = delete;
    WriteFaults& operator=(const WriteFaults&) = delete;

    // Arms the n-th write from now (0: none fails).
    void failAt(int n) {
        failAt_ = n;
        writes_ = 0;
        fired_ = false;
    }
    bool fired() const { return fired_; }
    int writes() const { return writes_; }

private:
    static void hit(sqlite3_context* ctx, int, sqlite3_value**) {
        auto* self = static_cast<WriteFaults*>(sqlite3_user_data(ctx));
        if (++self->writes_ == self->failAt_) {
            self->fired_ = true;
            sqlite3_result_error(ctx, "disco lleno (fallo provocado)", -1);
            return;
        }
        sqlite3_result_null(ctx);
    }

    Database& db_;
    std::vector<std::string> triggers_;
    int failAt_ = 0;
    int writes_ = 0;
    bool fired_ = false;
};

// Every row of every table, in a fixed order: equal dumps, equal databases.
inline std::string dumpTables(Database& db) {
    std::string out;
    for (const std::string& t : db.tableNames()) {
        out += "[" + t + "]\n";
        Statement st = db.prepare("SELECT * FROM \"" + t + "\" ORDER BY rowid");
        while (st.step()) {
            for (int i = 0; i < st.columnCount(); ++i) {
                SqlValue v = st.value(i);
                if (auto* n = std::get_if<int64_t>(&v))
                    out += std::to_string(*n);
                else if (auto* d = std::get_if<double>(&v))
                    out += std::to_string(*d);
                else if (auto* s = std::get_if<std::string>(&v))
                    out += *s;
                out += '|';
            }
            out += '\n';
        }
    }
    return out;
}

}  // namespace vexa::test
