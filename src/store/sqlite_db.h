#pragma once
// Thin RAII layer over the SQLite C API: one Database per open file, prepared Statements with
// `:Name` parameters bound by name and rows read by field name, both without regard to case,
// and a Transaction guard. Money fields travel as Fixed4; date-times as local wall-clock text
// "YYYY-MM-DD HH:MM:SS" (dates "YYYY-MM-DD"), so that they sort and read back unchanged.
//
// Every change is committed at once unless a Transaction is open. Statements (and cached
// statements) must not outlive the Database that made them.
#include "engine/fixed4.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace vexa {

// The store's own error: carries SQLite's message and result code.
class SqlError : public std::runtime_error {
public:
    SqlError(const std::string& message, int code = 0) : std::runtime_error(message), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

using DateTime = std::chrono::system_clock::time_point;

// Bounds of every connection: a workspace file may come from anyone. One call into the
// engine (a step, a statement run) is cancelled after kDefaultStepLimit; a single text or
// blob may not exceed kMaxValueBytes; the engine as a whole (every connection of the
// process) may not allocate more than kHeapLimitBytes.
inline constexpr std::chrono::milliseconds kDefaultStepLimit{30000};
inline constexpr int kMaxValueBytes = 16 << 20;
inline constexpr int64_t kHeapLimitBytes = int64_t{256} << 20;

// A field value as SQLite holds it (blobs are not used by the schema and read as text).
using SqlValue = std::variant<std::monostate, int64_t, double, std::string>;

// Conversions of the stored date-time texts (local time). Unparsable text gives nullopt.
std::string toStoreDateTime(DateTime t);
std::string toStoreDate(DateTime t);
std::optional<DateTime> fromStoreDateTime(std::string_view text);

class Database;
struct SqlConnection;

class Statement {
public:
    Statement() = default;
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    bool valid() const { return stmt_ != nullptr; }
    std::string sql() const;

    // Binding by `:Name` (or `@Name`, `$Name`), matched without regard to case; every
    // parameter of that name gets the value. An unknown name throws SqlError.
    Statement& bindNull(std::string_view name);
    Statement& bind(std::string_view name, int32_t v);
    Statement& bind(std::string_view name, int64_t v);
    Statement& bind(std::string_view name, double v);
    Statement& bind(std::string_view name, bool v);
    Statement& bind(std::string_view name, std::string_view v);
    Statement& bind(std::string_view name, const char* v) {
        return v ? bind(name, std::string_view(v)) : bindNull(name);
    }
    Statement& bind(std::string_view name, const std::string& v) {
        return bind(name, std::string_view(v));
    }
    Statement& bind(std::string_view name, Fixed4 v);
    Statement& bind(std::string_view name, DateTime v);  // as a date-time text
    Statement& bind(std::string_view name, const SqlValue& v);
    template <typename T>
    Statement& bind(std::string_view name, const std::optional<T>& v) {
        return v ? bind(name, *v) : bindNull(name);
    }
    bool hasParameter(std::string_view name) const;

    // Steps once: true when a row is ready to read, false when done. Errors throw SqlError.
    bool step();
    // Runs to the end (for INSERT/UPDATE/DELETE) and returns the rows changed.
    int execute();
    // Ready to run again; bindings are kept unless cleared.
    void reset();
    void clearBindings();

    // Row reading. Fields are found by name without regard to case (the first of that name);
    // an unknown name throws SqlError. Null reads as the default given. Text that is not
    // valid UTF-8 (names written by other systems) is read as code page 1252.
    int columnCount() const;
    std::string columnName(int i) const;
    std::string declaredType(int i) const;         // as written in the table ("MONEY", ...), or ""
    int columnIndex(std::string_view name) const;  // -1 when absent
    bool hasColumn(std::string_view name) const { return columnIndex(name) >= 0; }

    bool isNull(int i) const;
    bool isNull(std::string_view name) const { return isNull(index(name)); }
    SqlValue value(int i) const;
    SqlValue value(std::string_view name) const { return value(index(name)); }

    int64_t getInt64(int i, int64_t def = 0) const;
    int32_t getInt(int i, int32_t def = 0) const;
    double getDouble(int i, double def = 0.0) const;
    bool getBool(int i, bool def = false) const;
    std::string getText(int i, std::string_view def = {}) const;
    Fixed4 getFixed4(int i, Fixed4 def = {}) const;  // nearest ten-thousandth, ties to even
    std::optional<DateTime> getDateTime(int i) const;

    int64_t getInt64(std::string_view name, int64_t def = 0) const {
        return getInt64(index(name), def);
    }
    int32_t getInt(std::string_view name, int32_t def = 0) const {
        return getInt(index(name), def);
    }
    double getDouble(std::string_view name, double def = 0.0) const {
        return getDouble(index(name), def);
    }
    bool getBool(std::string_view name, bool def = false) const {
        return getBool(index(name), def);
    }
    std::string getText(std::string_view name, std::string_view def = {}) const {
        return getText(index(name), def);
    }
    Fixed4 getFixed4(std::string_view name, Fixed4 def = {}) const {
        return getFixed4(index(name), def);
    }
    std::optional<DateTime> getDateTime(std::string_view name) const {
        return getDateTime(index(name));
    }
    std::optional<int32_t> optInt(std::string_view name) const;
    std::optional<double> optDouble(std::string_view name) const;
    std::optional<Fixed4> optFixed4(std::string_view name) const;

    sqlite3_stmt* handle() const { return stmt_; }

private:
    friend class Database;
    Statement(std::shared_ptr<SqlConnection> conn, sqlite3_stmt* stmt, bool cached);
    int index(std::string_view name) const;  // throws when absent
    std::vector<int> parameterIndexes(std::string_view name) const;
    void check(int rc) const;
    void release();

    std::shared_ptr<SqlConnection> conn_;
    sqlite3_stmt* stmt_ = nullptr;
    bool cached_ = false;
};

class Database {
public:
    enum class Mode {
        ReadWrite,  // the file must exist
        ReadOnly,   // the file must exist; every write fails
        Create,     // created when missing
    };

    Database() = default;
    // Every connection runs without triggers, views, extensions or attached files, with the
    // bounds above, and refuses a file whose schema is not a workspace's
    // (checkWorkspaceSchema, store/schema_check.h): SqlError with the reason.
    explicit Database(const std::filesystem::path& file, Mode mode = Mode::ReadWrite);
    Database(Database&& other) noexcept = default;
    Database& operator=(Database&& other) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database();

    bool isOpen() const;
    bool readOnly() const;
    const std::filesystem::path& file() const;
    void close();

    // Runs one or more statements without parameters.
    void exec(std::string_view sql);
    // Rebuilds the database file without its free pages (VACUUM, which needs the one attached
    // database the hardened connection otherwise refuses). Throws SqlError.
    void vacuum();
    Statement prepare(std::string_view sql);
    // A prepared statement kept by the connection for reuse: returned to it (reset, bindings
    // cleared) when the handle goes out of scope. Nested use of the same text is fine.
    Statement cached(std::string_view sql);

    int64_t lastInsertRowId() const;
    int changes() const;
    // Rows changed through this connection since it opened.
    int64_t totalChanges() const;
    bool inTransaction() const;
    // `notify` runs before every commit that writes to the file (not for reading ones); it must
    // not use this connection and may not throw. An empty function removes it.
    void onCommit(std::function<void()> notify);
    // How long one call into the engine may run before it is cancelled (kDefaultStepLimit).
    void setStepTimeLimit(std::chrono::milliseconds limit);
    // The last error of a statement on this connection, also one a caller swallowed.
    const std::string& lastError() const;
    // Table and column names as they stand in the file.
    bool tableExists(std::string_view table);
    std::vector<std::string> tableNames();
    std::vector<std::string> columnNames(std::string_view table);

    sqlite3* handle() const;

private:
    friend class Transaction;
    SqlConnection& conn() const;  // throws when closed

    std::shared_ptr<SqlConnection> conn_;
};

// Groups changes into one commit; rolled back when destroyed without commit(). Nests
// (savepoints), so services that use one may call each other. When the engine itself rolled
// the transaction back (a RAISE(ROLLBACK), an interrupt, a full disk), commit() throws
// SqlError naming that cause.
class Transaction {
public:
    explicit Transaction(Database& db);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();
    void commit();
    // False once committed, or when the engine rolled the transaction back.
    bool active() const;

private:
    Database& db_;
    bool done_ = false;
};

}  // namespace vexa
