#pragma once
// The list behind every catalogue window, without widgets: a query read into rows, a
// current record, an edit buffer, and the window's own insert, update and delete statements
// (named queries of the store) run right after each post or delete. A write that the store
// refuses is rolled back with everything the window wrote with it, the list is read again
// and the user is told why; the workspace is not marked modified. The window base classes
// hang their protocol on the virtual hooks (edit with dialog, defaults of a new record,
// checks before post, dependent rows).
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "store/catalog_queries.h"
#include "store/sqlite_db.h"

namespace vexa {

class RequestSink;

class RecordList {
public:
    enum class State { Closed, Browse, Edit, Insert };
    using Row = std::vector<SqlValue>;

    RecordList(Database& db, RequestSink& requests, int activationCode);
    virtual ~RecordList() = default;
    RecordList(const RecordList&) = delete;
    RecordList& operator=(const RecordList&) = delete;

    // The store's query of the window: its lines, sort line and update statements.
    void setQuery(ListQuery q) { query_ = std::move(q); }
    void setQuery(std::vector<std::string> lines) { query_.lines = std::move(lines); }
    const std::vector<std::string>& queryLines() const { return query_.lines; }
    void setSortLine(int line) { query_.sortLine = line; }
    int sortLine() const { return query_.sortLine; }
    void setParam(const std::string& name, SqlValue v) { params_[name] = std::move(v); }
    // Update statements: new values as :Field, the values read as :OLD_Field.
    void setUpdateSql(std::string modify, std::string insert, std::string remove);

    void open();
    void close();
    void reopen();  // keeps the current position when the row count allows
    bool isOpen() const { return state_ != State::Closed; }
    State state() const { return state_; }
    bool editing() const { return state_ == State::Edit || state_ == State::Insert; }
    bool canModify() const;
    Database& db() const { return db_; }

    int rowCount() const { return static_cast<int>(rows_.size()); }
    const std::vector<std::string>& fields() const { return fields_; }
    int fieldIndex(const std::string& name) const;  // -1 when absent; case ignored
    const SqlValue& value(int row, const std::string& field) const;
    const SqlValue& value(int row, int col) const { return rows_.at(row).at(col); }
    // The current record: the edit buffer while editing.
    SqlValue field(const std::string& name) const;
    std::string text(const std::string& name) const;
    int64_t integer(const std::string& name, int64_t def = 0) const;
    double number(const std::string& name, double def = 0) const;
    void setField(const std::string& name, SqlValue v);  // only while editing

    int current() const { return current_; }
    void setCurrent(int row);
    void first() { setCurrent(0); }
    void prior() { setCurrent(current_ - 1); }
    void next() { setCurrent(current_ + 1); }
    void last() { setCurrent(rowCount() - 1); }
    bool bof() const { return current_ <= 0; }
    bool eof() const { return current_ >= rowCount() - 1; }
    bool locate(const std::string& field, const SqlValue& v);

    // Record commands. Each returns whether it did what was asked.
    bool edit();
    bool insert();
    bool post();
    void cancel();
    bool remove();
    void refreshRecord() { reopen(); }
    // The last post or delete was refused by the store (and the user told).
    bool lastWriteRefused() const { return refused_; }
    // Runs several record commands as one change: when `fn` returns false or a write is
    // refused, everything it wrote is rolled back and the list read again.
    bool atomically(const std::function<bool()>& fn);

    // Edit with dialog: set on creation; windows clear it while they write records themselves.
    bool editWithDialog = true;
    bool inserting() const { return inserting_; }
    // Double-click in the grid: edit when there is a record.
    void doubleClick();

    // User sort: the grid's ordering text ("[F] ASC,[G] DESC"). Only columns of the query
    // are accepted, so nothing typed reaches the SQL. True when the list is open again.
    bool userSort(const std::string& ordering);
    bool ignoresSort = false;

    // Search from the first record; moves there and returns true when found.
    enum class Match { Beginning, Anywhere };
    std::vector<std::string> searchFields;
    Match searchMatch = Match::Beginning;
    // `field` indexes searchFields; -1 looks in all of them.
    bool search(const std::string& text, int field = -1);

    // Activation and life in the frame.
    int activationCode() const { return activationCode_; }
    RequestSink& requestsSink() const { return requests_; }
    void activated(bool active);
    void beforeSave();  // the before-save broadcast
    void closing(std::int64_t windowRef);

    // Listeners: the grid model resets on any change of rows or state.
    std::function<void()> onChanged;
    std::function<void()> onCurrentChanged;

    // Fails with "Error: No se permiten valores negativos" when the field is below 0.
    void ChequearNegativo(const std::string& name) const;

protected:
    virtual bool wEditar() { return false; }
    virtual void ActualizarInfo() {}
    virtual void onNewRecord() {}
    virtual void beforePost() {}
    virtual void afterInsert() {}
    virtual void afterPost(bool wasInsert) { (void)wasInsert; }
    // Asks the user; false abandons the delete.
    virtual bool confirmDelete() { return true; }
    // Rows that go with the post or the delete, written in the same transaction.
    virtual void writeDependents(bool wasInsert) { (void)wasInsert; }
    virtual void deleteDependents() {}
    virtual void afterDelete() {}
    RequestSink& requests_;

private:
    void load();
    void changed();
    void bindRow(Statement& st, const Row& fresh, const Row* old);
    void markModified();
    // A write the store refused: back to browse on what the database holds, user told.
    void refusedWrite(const std::string& what, const std::exception& e);

    Database& db_;
    int activationCode_;
    ListQuery query_;
    std::map<std::string, SqlValue> params_;
    std::vector<std::string> fields_;
    std::vector<Row> rows_;
    Row buffer_;
    int current_ = -1;
    State state_ = State::Closed;
    bool inserting_ = false;
    bool refused_ = false;
    int batch_ = 0;  // depth of atomically()
    bool batchModified_ = false;
};

std::string toText(const SqlValue& v);
double toNumber(const SqlValue& v, double def = 0);

// A text as searches and name matches compare it: without case and without accents, so
// "fosforo" finds "Fósforo".
std::string foldForSearch(const std::string& s);

}  // namespace vexa
