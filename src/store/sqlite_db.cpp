#include "store/sqlite_db.h"

#include "store/name_order.h"

#include "engine/utf8.h"
#include "store/container/cp1252.h"
#include "store/same_name.h"
#include "store/schema_check.h"

#include <sqlite3.h>

#include <cctype>
#include <functional>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <mutex>

namespace vexa {

// Shared by the Database and its statements, so a statement never points at a moved or
// destroyed connection; sqlite3_close_v2 defers the real close until the last one is gone.
struct SqlConnection {
    sqlite3* db = nullptr;
    bool readOnly = false;
    std::filesystem::path file;
    std::multimap<std::string, sqlite3_stmt*> cache;
    // Each call into the engine must end by this time (the progress handler interrupts it).
    std::chrono::milliseconds stepLimit = kDefaultStepLimit;
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
    // The last refusal of the engine, also when a caller swallowed it: a transaction that the
    // engine rolled back reports it instead of a missing savepoint.
    std::string lastError;
    // Told before each commit that writes (Database::onCommit).
    std::function<void()> onCommit;

    void startCall() { deadline = std::chrono::steady_clock::now() + stepLimit; }

    ~SqlConnection() { close(); }
    void close() {
        for (auto& [sql, stmt] : cache) sqlite3_finalize(stmt);
        cache.clear();
        if (db) sqlite3_close_v2(db);
        db = nullptr;
    }
};

namespace {

constexpr size_t kMaxCachedStatements = 128;

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The engine's own text, with what our bounds mean said in Spanish.
std::string describe(const SqlConnection* conn, sqlite3* db, int rc, const char* engineText) {
    std::string msg = engineText ? engineText : db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    switch (rc & 0xFF) {
        case SQLITE_INTERRUPT:
            if (conn && std::chrono::steady_clock::now() >= conn->deadline) {
                char secs[32];
                std::snprintf(secs, sizeof secs, "%.1f", conn->stepLimit.count() / 1000.0);
                return "La consulta superó el tiempo máximo de " + std::string(secs) +
                       " s y fue cancelada (" + msg + ")";
            }
            break;
        case SQLITE_NOMEM:
            return "La consulta necesitó más memoria de la permitida (" + msg + ")";
        case SQLITE_TOOBIG:
            return "Un valor de la base de datos excede el tamaño permitido (" + msg + ")";
        // What the user can act on, said in Spanish first; the engine's words stay beside it.
        case SQLITE_FULL:
            return "No hay espacio en el disco (" + msg + ")";
        case SQLITE_IOERR:
            return "Error de lectura o escritura en el disco (" + msg + ")";
        case SQLITE_READONLY:
            return "La base de datos no se puede modificar (" + msg + ")";
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return "La base de datos está dañada (" + msg + ")";
        case SQLITE_CANTOPEN:
            return "No se pudo abrir la base de datos (" + msg + ")";
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return "La base de datos está ocupada por otro proceso (" + msg + ")";
        default:
            break;
    }
    return msg;
}

[[noreturn]] void fail(SqlConnection* conn, sqlite3* db, int rc, std::string_view context = {}) {
    std::string msg = describe(conn, db, rc, nullptr);
    if (!context.empty()) msg += " (" + std::string(context) + ")";
    if (conn) conn->lastError = msg;
    throw SqlError(msg, rc);
}

int onProgress(void* arg) {
    auto* conn = static_cast<SqlConnection*>(arg);
    return std::chrono::steady_clock::now() >= conn->deadline ? 1 : 0;
}

// Bounds every connection gets before it reads the file: a workspace comes from anywhere,
// and its schema must not run code, hang or take the machine's memory.
void harden(sqlite3* db) {
    static std::once_flag heapOnce;
    std::call_once(heapOnce, [] { sqlite3_hard_heap_limit64(kHeapLimitBytes); });
    struct Flag {
        int op, value;
    };
    for (Flag f : {Flag{SQLITE_DBCONFIG_DEFENSIVE, 1}, Flag{SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0},
                   Flag{SQLITE_DBCONFIG_ENABLE_TRIGGER, 0}, Flag{SQLITE_DBCONFIG_ENABLE_VIEW, 0},
                   Flag{SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0}}) {
        int now = -1;
        int rc = sqlite3_db_config(db, f.op, f.value, &now);
        if (rc != SQLITE_OK || now != f.value)
            throw SqlError("No se pudo proteger la conexión con la base de datos", rc);
    }
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, kMaxValueBytes);
    sqlite3_limit(db, SQLITE_LIMIT_SQL_LENGTH, 1000000);
    sqlite3_limit(db, SQLITE_LIMIT_COLUMN, 500);
    sqlite3_limit(db, SQLITE_LIMIT_EXPR_DEPTH, 200);
    sqlite3_limit(db, SQLITE_LIMIT_COMPOUND_SELECT, 50);
    sqlite3_limit(db, SQLITE_LIMIT_VDBE_OP, 100000);
    sqlite3_limit(db, SQLITE_LIMIT_FUNCTION_ARG, 32);
    sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_limit(db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 1000);
    sqlite3_limit(db, SQLITE_LIMIT_VARIABLE_NUMBER, 1000);
    sqlite3_limit(db, SQLITE_LIMIT_TRIGGER_DEPTH, 10);
}

}  // namespace

// ---------------------------------------------------------------- dates

std::string toStoreDateTime(DateTime t) {
    std::time_t tt = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    localtime_r(&tt, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

std::string toStoreDate(DateTime t) {
    return toStoreDateTime(t).substr(0, 10);
}

std::optional<DateTime> fromStoreDateTime(std::string_view text) {
    std::string s(text);
    // Whole seconds only: %lf would read the fraction with the C library's locale.
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0;
    int n = std::sscanf(s.c_str(), "%d-%d-%d%*[ T]%d:%d:%d", &y, &mo, &d, &h, &mi, &sec);
    if (n != 3 && n < 5) return std::nullopt;
    if (mo < 1 || mo > 12 || d < 1 || d > 31) return std::nullopt;
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = sec;
    tm.tm_isdst = -1;
    std::time_t tt = std::mktime(&tm);
    return std::chrono::system_clock::from_time_t(tt);
}

// ---------------------------------------------------------------- Statement

Statement::Statement(std::shared_ptr<SqlConnection> conn, sqlite3_stmt* stmt, bool cached)
    : conn_(std::move(conn)), stmt_(stmt), cached_(cached) {}

Statement::Statement(Statement&& other) noexcept
    : conn_(std::move(other.conn_)), stmt_(other.stmt_), cached_(other.cached_) {
    other.stmt_ = nullptr;
}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        release();
        conn_ = std::move(other.conn_);
        stmt_ = other.stmt_;
        cached_ = other.cached_;
        other.stmt_ = nullptr;
    }
    return *this;
}

Statement::~Statement() {
    release();
}

void Statement::release() {
    if (!stmt_) return;
    // A bounded cache: texts built with values in them must not pile up.
    if (cached_ && conn_ && conn_->db && conn_->cache.size() < kMaxCachedStatements) {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
        conn_->cache.emplace(sqlite3_sql(stmt_), stmt_);
    } else {
        sqlite3_finalize(stmt_);
    }
    stmt_ = nullptr;
    conn_.reset();
}

std::string Statement::sql() const {
    return stmt_ ? sqlite3_sql(stmt_) : std::string();
}

void Statement::check(int rc) const {
    if (rc != SQLITE_OK) fail(conn_.get(), sqlite3_db_handle(stmt_), rc);
}

std::vector<int> Statement::parameterIndexes(std::string_view name) const {
    std::vector<int> found;
    if (!stmt_) throw SqlError("Sentencia no preparada");
    if (!name.empty() && (name[0] == ':' || name[0] == '@' || name[0] == '$'))
        name.remove_prefix(1);
    const int count = sqlite3_bind_parameter_count(stmt_);
    for (int i = 1; i <= count; ++i) {
        const char* p = sqlite3_bind_parameter_name(stmt_, i);
        if (p && p[0] && sameName(name, p + 1)) found.push_back(i);
    }
    return found;
}

bool Statement::hasParameter(std::string_view name) const {
    return !parameterIndexes(name).empty();
}

#define VEXA_BIND(call)                                                                   \
    do {                                                                                  \
        auto idx = parameterIndexes(name);                                                \
        if (idx.empty()) throw SqlError("Parámetro no encontrado: " + std::string(name)); \
        for (int i : idx) check(call);                                                    \
    } while (0)

Statement& Statement::bindNull(std::string_view name) {
    VEXA_BIND(sqlite3_bind_null(stmt_, i));
    return *this;
}
Statement& Statement::bind(std::string_view name, int32_t v) {
    VEXA_BIND(sqlite3_bind_int(stmt_, i, v));
    return *this;
}
Statement& Statement::bind(std::string_view name, int64_t v) {
    VEXA_BIND(sqlite3_bind_int64(stmt_, i, v));
    return *this;
}
Statement& Statement::bind(std::string_view name, double v) {
    VEXA_BIND(sqlite3_bind_double(stmt_, i, v));
    return *this;
}
Statement& Statement::bind(std::string_view name, bool v) {
    VEXA_BIND(sqlite3_bind_int(stmt_, i, v ? 1 : 0));
    return *this;
}
Statement& Statement::bind(std::string_view name, std::string_view v) {
    VEXA_BIND(sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT));
    return *this;
}
Statement& Statement::bind(std::string_view name, Fixed4 v) {
    return bind(name, v.toDouble());
}
Statement& Statement::bind(std::string_view name, DateTime v) {
    return bind(name, std::string_view(toStoreDateTime(v)));
}
Statement& Statement::bind(std::string_view name, const SqlValue& v) {
    if (std::holds_alternative<int64_t>(v)) return bind(name, std::get<int64_t>(v));
    if (std::holds_alternative<double>(v)) return bind(name, std::get<double>(v));
    if (std::holds_alternative<std::string>(v))
        return bind(name, std::string_view(std::get<std::string>(v)));
    return bindNull(name);
}
#undef VEXA_BIND

bool Statement::step() {
    if (!stmt_) throw SqlError("Sentencia no preparada");
    if (conn_) conn_->startCall();
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3* db = sqlite3_db_handle(stmt_);
    std::string msg = describe(conn_.get(), db, rc, sqlite3_errmsg(db));
    sqlite3_reset(stmt_);
    if (conn_) conn_->lastError = msg;
    throw SqlError(msg, rc);
}

int Statement::execute() {
    while (step()) {
    }
    int n = sqlite3_changes(sqlite3_db_handle(stmt_));
    sqlite3_reset(stmt_);
    return n;
}

void Statement::reset() {
    if (stmt_) sqlite3_reset(stmt_);
}

void Statement::clearBindings() {
    if (stmt_) sqlite3_clear_bindings(stmt_);
}

int Statement::columnCount() const {
    return stmt_ ? sqlite3_column_count(stmt_) : 0;
}

std::string Statement::columnName(int i) const {
    const char* n = stmt_ ? sqlite3_column_name(stmt_, i) : nullptr;
    return n ? n : "";
}

std::string Statement::declaredType(int i) const {
    const char* t = stmt_ ? sqlite3_column_decltype(stmt_, i) : nullptr;
    return t ? t : "";
}

int Statement::columnIndex(std::string_view name) const {
    if (!stmt_) return -1;
    const int n = sqlite3_column_count(stmt_);
    for (int i = 0; i < n; ++i) {
        const char* c = sqlite3_column_name(stmt_, i);
        if (c && sameName(name, c)) return i;
    }
    return -1;
}

int Statement::index(std::string_view name) const {
    int i = columnIndex(name);
    if (i < 0) throw SqlError("Campo no encontrado: " + std::string(name));
    return i;
}

bool Statement::isNull(int i) const {
    return sqlite3_column_type(stmt_, i) == SQLITE_NULL;
}

SqlValue Statement::value(int i) const {
    switch (sqlite3_column_type(stmt_, i)) {
        case SQLITE_INTEGER:
            return static_cast<int64_t>(sqlite3_column_int64(stmt_, i));
        case SQLITE_FLOAT:
            return sqlite3_column_double(stmt_, i);
        case SQLITE_NULL:
            return std::monostate{};
        default:
            return getText(i);
    }
}

int64_t Statement::getInt64(int i, int64_t def) const {
    if (isNull(i)) return def;
    if (sqlite3_column_type(stmt_, i) == SQLITE_FLOAT)
        return static_cast<int64_t>(std::nearbyint(sqlite3_column_double(stmt_, i)));
    return sqlite3_column_int64(stmt_, i);
}

int32_t Statement::getInt(int i, int32_t def) const {
    return static_cast<int32_t>(getInt64(i, def));
}

double Statement::getDouble(int i, double def) const {
    return isNull(i) ? def : sqlite3_column_double(stmt_, i);
}

bool Statement::getBool(int i, bool def) const {
    if (isNull(i)) return def;
    if (sqlite3_column_type(stmt_, i) == SQLITE_TEXT) {
        std::string t = lower(getText(i));
        return t == "true" || t == "t" || t == "1" || t == "yes";
    }
    return sqlite3_column_double(stmt_, i) != 0.0;
}

std::string Statement::getText(int i, std::string_view def) const {
    if (isNull(i)) return std::string(def);
    const unsigned char* t = sqlite3_column_text(stmt_, i);
    int n = sqlite3_column_bytes(stmt_, i);
    if (!t) return std::string(def);
    std::string text(reinterpret_cast<const char*>(t), n);
    // Valid UTF-8 as it stands; anything else is taken as code page 1252, as files written
    // by other systems carry their names.
    if (isValidUtf8(text)) return text;
    return vxf::cp1252ToUtf8(text);
}

Fixed4 Statement::getFixed4(int i, Fixed4 def) const {
    if (isNull(i)) return def;
    if (sqlite3_column_type(stmt_, i) == SQLITE_INTEGER)
        return Fixed4::fromInt(sqlite3_column_int64(stmt_, i));
    return Fixed4::fromDouble(sqlite3_column_double(stmt_, i));
}

std::optional<DateTime> Statement::getDateTime(int i) const {
    if (isNull(i)) return std::nullopt;
    return fromStoreDateTime(getText(i));
}

std::optional<int32_t> Statement::optInt(std::string_view name) const {
    int i = index(name);
    if (isNull(i)) return std::nullopt;
    return getInt(i);
}

std::optional<double> Statement::optDouble(std::string_view name) const {
    int i = index(name);
    if (isNull(i)) return std::nullopt;
    return getDouble(i);
}

std::optional<Fixed4> Statement::optFixed4(std::string_view name) const {
    int i = index(name);
    if (isNull(i)) return std::nullopt;
    return getFixed4(i);
}

// ---------------------------------------------------------------- Database

Database::Database(const std::filesystem::path& file, Mode mode) {
    auto c = std::make_shared<SqlConnection>();
    c->file = file;
    c->readOnly = mode == Mode::ReadOnly;
    int flags = mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY
                : mode == Mode::Create ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE
                                       : SQLITE_OPEN_READWRITE;
    // A connection is used by one thread only: no locking of SQLite's own mutexes per call.
    flags |= SQLITE_OPEN_NOMUTEX;
    int rc = sqlite3_open_v2(file.string().c_str(), &c->db, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = describe(nullptr, c->db, rc, nullptr);
        throw SqlError(msg + ": " + file.string(), rc);
    }
    sqlite3_extended_result_codes(c->db, 1);
    sqlite3_busy_timeout(c->db, 5000);
    // Names sort as a Spanish reader expects (ORDER BY Nombre COLLATE NOMBRES).
    sqlite3_create_collation_v2(
        c->db, kNameCollation, SQLITE_UTF8, nullptr,
        [](void*, int n1, const void* s1, int n2, const void* s2) {
            return compareNames(std::string_view(static_cast<const char*>(s1), size_t(n1)),
                                std::string_view(static_cast<const char*>(s2), size_t(n2)));
        },
        nullptr);
    harden(c->db);
    // Checked every 100,000 steps of the engine: a few milliseconds of work at most, so the
    // deadline still holds, without reading the clock inside every short query.
    sqlite3_progress_handler(c->db, 100000, onProgress, c.get());
    conn_ = std::move(c);
    // A page cache of 32 MB holds a large workspace's values: a formula's run reads them again
    // and again, and each page read from the file costs a system call.
    exec("PRAGMA trusted_schema=OFF; PRAGMA cell_size_check=ON; PRAGMA cache_size=-32768");
    // A rollback journal leaves no side files once a change is committed, so the folder
    // always packs as one complete file.
    if (!conn_->readOnly) exec("PRAGMA journal_mode=DELETE");
    // Reading a file that was never written is an error worth reporting at once, and a file
    // whose schema is not ours is refused before anything reads its tables.
    checkWorkspaceSchema(*this);
}

void Database::vacuum() {
    sqlite3* db = handle();
    const int before = sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 1);
    try {
        exec("VACUUM");
    } catch (...) {
        sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, before);
        throw;
    }
    sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, before);
}

Database& Database::operator=(Database&& other) noexcept {
    if (this != &other) {
        close();
        conn_ = std::move(other.conn_);
    }
    return *this;
}

void Database::onCommit(std::function<void()> notify) {
    SqlConnection& c = conn();
    c.onCommit = std::move(notify);
    if (!c.onCommit) {
        sqlite3_commit_hook(c.db, nullptr, nullptr);
        return;
    }
    sqlite3_commit_hook(
        c.db,
        [](void* p) -> int {
            auto* connection = static_cast<SqlConnection*>(p);
            if (connection->onCommit) connection->onCommit();
            return 0;  // the commit goes on
        },
        &c);
}

Database::~Database() {
    close();
}

void Database::close() {
    if (conn_) conn_->close();
    conn_.reset();
}

bool Database::isOpen() const {
    return conn_ && conn_->db;
}
bool Database::readOnly() const {
    return conn_ && conn_->readOnly;
}
const std::filesystem::path& Database::file() const {
    static const std::filesystem::path none;
    return conn_ ? conn_->file : none;
}
sqlite3* Database::handle() const {
    return conn_ ? conn_->db : nullptr;
}

void Database::setStepTimeLimit(std::chrono::milliseconds limit) {
    conn().stepLimit = limit;
}

const std::string& Database::lastError() const {
    return conn().lastError;
}

SqlConnection& Database::conn() const {
    if (!isOpen()) throw SqlError("La base de datos no está abierta");
    return *conn_;
}

void Database::exec(std::string_view sql) {
    sqlite3* db = conn().db;
    std::string text(sql);
    char* err = nullptr;
    conn().startCall();
    int rc = sqlite3_exec(db, text.c_str(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::string msg = describe(conn_.get(), db, rc, err ? err : sqlite3_errstr(rc));
        sqlite3_free(err);
        conn_->lastError = msg;
        throw SqlError(msg, rc);
    }
}

Statement Database::prepare(std::string_view sql) {
    sqlite3* db = conn().db;
    sqlite3_stmt* stmt = nullptr;
    conn_->startCall();
    int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) fail(conn_.get(), db, rc, sql);
    if (!stmt) throw SqlError("Sentencia vacía");
    return Statement(conn_, stmt, false);
}

Statement Database::cached(std::string_view sql) {
    SqlConnection& c = conn();
    auto it = c.cache.find(std::string(sql));
    if (it != c.cache.end()) {
        sqlite3_stmt* stmt = it->second;
        c.cache.erase(it);
        return Statement(conn_, stmt, true);
    }
    Statement s = prepare(sql);
    s.cached_ = true;
    return s;
}

int64_t Database::lastInsertRowId() const {
    return sqlite3_last_insert_rowid(conn().db);
}
int64_t Database::totalChanges() const {
    return sqlite3_total_changes64(conn().db);
}
int Database::changes() const {
    return sqlite3_changes(conn().db);
}
bool Database::inTransaction() const {
    return sqlite3_get_autocommit(conn().db) == 0;
}

bool Database::tableExists(std::string_view table) {
    Statement s =
        cached("SELECT 1 FROM sqlite_master WHERE type='table' AND name=:n COLLATE NOCASE");
    s.bind("n", table);
    return s.step();
}

std::vector<std::string> Database::tableNames() {
    std::vector<std::string> out;
    Statement s = prepare(
        "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%' "
        "ORDER BY rowid");
    while (s.step()) out.push_back(s.getText(0));
    return out;
}

std::vector<std::string> Database::columnNames(std::string_view table) {
    std::vector<std::string> out;
    Statement s = prepare("SELECT name FROM pragma_table_info(:t)");
    s.bind("t", table);
    while (s.step()) out.push_back(s.getText(0));
    return out;
}

// ---------------------------------------------------------------- Transaction

// Every savepoint has the same name: transactions end in the reverse order they began, and
// RELEASE and ROLLBACK TO act on the latest savepoint of a name, so each reaches its own. The
// three statements stay prepared (a run of the engine opens and closes several).
Transaction::Transaction(Database& db) : db_(db) {
    db_.cached("SAVEPOINT vexa_sp").execute();
}

Transaction::~Transaction() {
    // A transaction the engine already rolled back (a trigger's RAISE(ROLLBACK), an interrupt,
    // a full disk) has no savepoint left to return to.
    if (done_ || !db_.isOpen() || !db_.inTransaction()) return;
    try {
        db_.cached("ROLLBACK TO vexa_sp").execute();
        db_.cached("RELEASE vexa_sp").execute();
    } catch (...) {
        // Nothing more can be done while unwinding; the connection reports it on next use.
    }
}

bool Transaction::active() const {
    return !done_ && db_.isOpen() && db_.inTransaction();
}

void Transaction::commit() {
    if (done_) return;
    if (!db_.inTransaction()) {
        done_ = true;
        const std::string& cause = db_.conn().lastError;
        throw SqlError("La base de datos anuló la transacción; no se guardó ningún cambio" +
                           (cause.empty() ? std::string() : ": " + cause),
                       SQLITE_ABORT);
    }
    db_.cached("RELEASE vexa_sp").execute();
    done_ = true;
}

}  // namespace vexa
