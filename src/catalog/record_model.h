#pragma once
// The grid's view of a record list: the window's visible columns with their titles and
// display formats; rows are the list's rows.
#include <QAbstractTableModel>
#include <QString>
#include <functional>
#include <vector>

#include "catalog/record_list.h"

namespace vexa {

struct GridColumn {
    QString field;
    QString title;
    QString format;  // "0.0000" / "0" for numbers (right-aligned), empty for text
    // A looked-up column: computes its text from the row.
    std::function<QString(int row)> lookup = {};
    // A looked-up column that sorts by a field of the query; empty: it sorts nothing.
    QString sortField = {};
    // A column edited in place (when the list can be modified): stores what was put in the
    // cell and says whether it did.
    std::function<bool(int row, const QVariant& value)> setter = {};
};

class RecordModel : public QAbstractTableModel {
    Q_OBJECT
public:
    RecordModel(RecordList& list, std::vector<GridColumn> columns, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    const std::vector<GridColumn>& columns() const { return columns_; }
    void reset();
    // Rows are read only once the list exists (it is built after the window's base).
    void bind() {
        bound_ = true;
        reset();
    }
    // The text the grid shows, for the export as well.
    QString displayText(int row, int col) const;
    QVariant exportValue(int row, int col) const;

    static QString formatNumber(double v, const QString& format);

private:
    RecordList& list_;
    std::vector<GridColumn> columns_;
    bool bound_ = false;
};

}  // namespace vexa
