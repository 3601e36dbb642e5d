#include "catalog/record_list.h"

#include <algorithm>
#include <QString>
#include <cctype>
#include <charconv>
#include <cmath>
#include <exception>
#include <sstream>
#include <stdexcept>

#include "catalog/catalog_context.h"
#include "catalog/dialogs.h"
#include "catalog/requests.h"
#include "store/tdm.h"

namespace vexa {

namespace {

std::string lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// While a change is being written the services' own "modified" reports are held back: the
// list marks the workspace once the change is committed, and not at all when it is refused.
class HeldModified {
public:
    HeldModified() : dm_(catalogContext().dm) {
        if (dm_) {
            saved_ = std::move(dm_->onModified);
            dm_->onModified = [] {};
        }
    }
    ~HeldModified() {
        if (dm_) dm_->onModified = std::move(saved_);
    }
    HeldModified(const HeldModified&) = delete;
    HeldModified& operator=(const HeldModified&) = delete;

private:
    Tdm* dm_;
    std::function<void()> saved_;
};

std::string trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return {};
    size_t b = s.find_last_not_of(" \t");
    return s.substr(a, b - a + 1);
}

const SqlValue kNull{};

}  // namespace

std::string toText(const SqlValue& v) {
    if (std::holds_alternative<std::string>(v)) return std::get<std::string>(v);
    if (std::holds_alternative<int64_t>(v)) return std::to_string(std::get<int64_t>(v));
    if (std::holds_alternative<double>(v)) {
        std::ostringstream os;
        os << std::get<double>(v);
        return os.str();
    }
    return {};
}

double toNumber(const SqlValue& v, double def) {
    if (std::holds_alternative<int64_t>(v)) return static_cast<double>(std::get<int64_t>(v));
    if (std::holds_alternative<double>(v)) return std::get<double>(v);
    if (std::holds_alternative<std::string>(v)) {
        // Text the store holds is written with a point; std::from_chars reads it the same in
        // every locale (std::stod would stop at the point in a decimal-comma one).
        const std::string& t = std::get<std::string>(v);
        const char* begin = t.data();
        const char* end = begin + t.size();
        while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
        if (begin < end && *begin == '+') ++begin;
        double out = 0;
        if (std::from_chars(begin, end, out).ec == std::errc()) return out;
    }
    return def;
}

RecordList::RecordList(Database& db, RequestSink& requests, int activationCode)
    : requests_(requests), db_(db), activationCode_(activationCode) {}

void RecordList::setUpdateSql(std::string modify, std::string insert, std::string remove) {
    query_.modify = std::move(modify);
    query_.insert = std::move(insert);
    query_.remove = std::move(remove);
}

void RecordList::load() {
    Statement st = db_.prepare(query_.text());
    for (const auto& [name, v] : params_)
        if (st.hasParameter(name)) st.bind(name, v);
    fields_.clear();
    for (int i = 0; i < st.columnCount(); ++i) fields_.push_back(st.columnName(i));
    rows_.clear();
    while (st.step()) {
        Row r;
        r.reserve(fields_.size());
        for (int i = 0; i < st.columnCount(); ++i) r.push_back(st.value(i));
        rows_.push_back(std::move(r));
    }
}

void RecordList::open() {
    load();
    state_ = State::Browse;
    current_ = rows_.empty() ? -1 : 0;
    changed();
}

void RecordList::close() {
    rows_.clear();
    buffer_.clear();
    state_ = State::Closed;
    inserting_ = false;
    current_ = -1;
    changed();
}

void RecordList::reopen() {
    int keep = current_;
    if (editing()) cancel();
    load();
    state_ = State::Browse;
    current_ = rows_.empty() ? -1 : std::clamp(keep, 0, rowCount() - 1);
    changed();
}

bool RecordList::canModify() const {
    return isOpen() && !db_.readOnly() && !(query_.modify.empty() && query_.insert.empty());
}

int RecordList::fieldIndex(const std::string& name) const {
    std::string n = lower(name);
    for (size_t i = 0; i < fields_.size(); ++i)
        if (lower(fields_[i]) == n) return static_cast<int>(i);
    return -1;
}

const SqlValue& RecordList::value(int row, const std::string& f) const {
    int c = fieldIndex(f);
    if (c < 0 || row < 0 || row >= rowCount()) return kNull;
    return rows_[row][c];
}

SqlValue RecordList::field(const std::string& name) const {
    int c = fieldIndex(name);
    if (c < 0) return {};
    if (editing()) return buffer_.at(c);
    if (current_ < 0) return {};
    return rows_[current_][c];
}

std::string RecordList::text(const std::string& name) const {
    return toText(field(name));
}

int64_t RecordList::integer(const std::string& name, int64_t def) const {
    SqlValue v = field(name);
    if (std::holds_alternative<std::monostate>(v)) return def;
    return static_cast<int64_t>(std::llround(toNumber(v, static_cast<double>(def))));
}

double RecordList::number(const std::string& name, double def) const {
    return toNumber(field(name), def);
}

void RecordList::setField(const std::string& name, SqlValue v) {
    int c = fieldIndex(name);
    if (!editing() || c < 0) return;
    buffer_[c] = std::move(v);
}

void RecordList::setCurrent(int row) {
    if (rows_.empty()) return;
    row = std::clamp(row, 0, rowCount() - 1);
    if (row == current_) return;
    if (editing()) post();
    current_ = row;
    if (onCurrentChanged) onCurrentChanged();
}

bool RecordList::locate(const std::string& f, const SqlValue& v) {
    int c = fieldIndex(f);
    if (c < 0) return false;
    for (int i = 0; i < rowCount(); ++i) {
        if (toText(rows_[i][c]) == toText(v)) {
            setCurrent(i);
            return true;
        }
    }
    return false;
}

bool RecordList::edit() {
    if (!canModify() || current_ < 0 || editing()) return false;
    buffer_ = rows_[current_];
    refused_ = false;
    state_ = State::Edit;
    inserting_ = false;
    changed();
    if (editWithDialog) return wEditar();
    return true;
}

bool RecordList::insert() {
    if (!canModify() || editing()) return false;
    buffer_.assign(fields_.size(), SqlValue{});
    refused_ = false;
    state_ = State::Insert;
    onNewRecord();
    inserting_ = true;
    changed();
    afterInsert();
    return true;
}

void RecordList::bindRow(Statement& st, const Row& fresh, const Row* old) {
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (st.hasParameter(fields_[i])) st.bind(fields_[i], fresh[i]);
        if (old && st.hasParameter("OLD_" + fields_[i])) st.bind("OLD_" + fields_[i], (*old)[i]);
    }
    for (const auto& [name, v] : params_)
        if (st.hasParameter(name) && fieldIndex(name) < 0) st.bind(name, v);
}

bool RecordList::post() {
    if (!editing()) return false;
    beforePost();  // a failed check leaves the record in edit state
    refused_ = false;
    bool wasInsert = state_ == State::Insert;
    const std::string& sql = wasInsert ? query_.insert : query_.modify;
    try {
        HeldModified held;
        Transaction tx(db_);
        if (!sql.empty()) {
            Statement st = db_.prepare(sql);
            bindRow(st, buffer_, wasInsert ? nullptr : &rows_[current_]);
            st.execute();
        }
        writeDependents(wasInsert);
        tx.commit();
    } catch (const std::exception& e) {
        refusedWrite("No se pudo guardar el registro", e);
        return false;
    }
    if (wasInsert) {
        int at = current_ < 0 ? 0 : current_ + 1;
        rows_.insert(rows_.begin() + at, buffer_);
        current_ = at;
    } else {
        rows_[current_] = buffer_;
    }
    state_ = State::Browse;
    buffer_.clear();
    bool wasInserting = inserting_;
    if (wasInserting) ActualizarInfo();
    inserting_ = false;
    markModified();
    afterPost(wasInsert);
    changed();
    return true;
}

void RecordList::cancel() {
    if (!editing()) return;
    state_ = State::Browse;
    buffer_.clear();
    inserting_ = false;
    changed();
}

bool RecordList::remove() {
    if (!canModify() || current_ < 0 || editing()) return false;
    if (!confirmDelete()) return false;
    refused_ = false;
    try {
        HeldModified held;
        Transaction tx(db_);
        deleteDependents();
        if (!query_.remove.empty()) {
            Statement st = db_.prepare(query_.remove);
            bindRow(st, rows_[current_], &rows_[current_]);
            st.execute();
        }
        tx.commit();
    } catch (const std::exception& e) {
        refusedWrite("No se pudo borrar el registro", e);
        return false;
    }
    rows_.erase(rows_.begin() + current_);
    if (current_ >= rowCount()) current_ = rowCount() - 1;
    markModified();
    afterDelete();
    changed();
    return true;
}

bool RecordList::atomically(const std::function<bool()>& fn) {
    bool ok = false;
    bool marked = false;
    std::exception_ptr failure;
    {
        HeldModified held;
        Transaction tx(db_);
        if (batch_++ == 0) batchModified_ = false;
        refused_ = false;
        try {
            ok = fn() && !refused_;
        } catch (...) {
            failure = std::current_exception();
        }
        --batch_;
        if (ok) {
            tx.commit();
            marked = batchModified_ && batch_ == 0;
        }
    }
    if (!ok) {
        // The rows written before the failure are gone again: show what is left.
        if (editing()) cancel();
        if (isOpen()) reopen();
        if (failure) std::rethrow_exception(failure);
    } else if (marked) {
        catalogContext().modified();
    }
    return ok;
}

void RecordList::markModified() {
    if (batch_ > 0)
        batchModified_ = true;
    else
        catalogContext().modified();
}

void RecordList::refusedWrite(const std::string& what, const std::exception& e) {
    refused_ = true;
    state_ = State::Browse;
    buffer_.clear();
    inserting_ = false;
    int keep = current_;
    try {
        load();
    } catch (const std::exception&) {
        rows_.clear();
    }
    current_ = rows_.empty() ? -1 : std::clamp(keep, 0, rowCount() - 1);
    changed();
    dialogs().showError(what + ": " + e.what());
}

void RecordList::doubleClick() {
    if (rowCount() > 0) edit();
}

bool RecordList::userSort(const std::string& ordering) {
    if (ignoresSort || sortLine() <= 0 || sortLine() >= static_cast<int>(queryLines().size()))
        return false;
    std::string cleaned;
    for (char c : ordering)
        if (c != '[' && c != ']') cleaned += c;
    std::vector<SortKey> keys;
    std::stringstream ss(cleaned);
    std::string item;
    while (std::getline(ss, item, ',')) {
        std::istringstream words(trim(item));
        std::string name, dir, extra;
        words >> name >> dir >> extra;
        int c = fieldIndex(name);
        std::string d = lower(dir);
        if (c < 0 || !extra.empty() || !(d.empty() || d == "asc" || d == "desc")) return false;
        keys.push_back({fields_[c], d == "desc"});
    }
    if (keys.empty()) return false;
    if (editing()) post();
    close();
    query_.orderBy(keys);
    open();
    return isOpen();
}

bool RecordList::search(const std::string& wanted, int field) {
    std::string w = foldForSearch(wanted);
    std::vector<std::string> fields = searchFields;
    if (field >= 0 && field < static_cast<int>(searchFields.size())) fields = {searchFields[field]};
    for (int r = 0; r < rowCount(); ++r) {
        for (const auto& f : fields) {
            std::string t = foldForSearch(toText(value(r, f)));
            bool hit = searchMatch == Match::Beginning ? t.rfind(w, 0) == 0
                                                       : t.find(w) != std::string::npos;
            if (hit) {
                setCurrent(r);
                if (onCurrentChanged) onCurrentChanged();
                return true;
            }
        }
    }
    return false;
}

void RecordList::activated(bool active) {
    requests_.postApp(kAppActivation, activationArg(activationCode_, !active));
}

void RecordList::beforeSave() {
    if (isOpen() && canModify()) reopen();
}

void RecordList::closing(std::int64_t windowRef) {
    if (isOpen()) {
        if (editing()) {
            try {
                post();
            } catch (const std::exception&) {
                cancel();
            }
        }
        close();
    }
    requests_.postApp(kAppWindowClosed, windowRef);
    requests_.postApp(kAppActivation, activationArg(activationCode_, true));
}

void RecordList::ChequearNegativo(const std::string& name) const {
    SqlValue v = field(name);
    if (!std::holds_alternative<std::monostate>(v) && toNumber(v) < 0)
        throw std::runtime_error("Error: No se permiten valores negativos");
}

void RecordList::changed() {
    if (onChanged) onChanged();
}

// What the search compares: without case and without accents, so "fosforo" finds
// "Fósforo" and "TEÍ" finds "Proteína".
std::string foldForSearch(const std::string& s) {
    QString d = QString::fromStdString(s).normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(d.size());
    for (QChar c : d)
        if (c.category() != QChar::Mark_NonSpacing) out += c;
    return out.toCaseFolded().toStdString();
}

}  // namespace vexa
