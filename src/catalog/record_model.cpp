#include "catalog/record_model.h"

#include "catalog/number_text.h"
#include <cmath>

namespace vexa {

RecordModel::RecordModel(RecordList& list, std::vector<GridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), list_(list), columns_(std::move(columns)) {}

int RecordModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !bound_ ? 0 : list_.rowCount();
}

int RecordModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QString RecordModel::formatNumber(double v, const QString& format) {
    int dot = format.indexOf('.');
    int decimals = dot < 0 ? 0 : static_cast<int>(format.size()) - dot - 1;
    // The user's decimal separator, never a thousands separator (the number fields refuse
    // one), and always the leading zero: "0.1900", not ".1900".
    return formatUserNumber(v, decimals);
}

QString RecordModel::displayText(int row, int col) const {
    const GridColumn& c = columns_.at(col);
    if (c.lookup) return c.lookup(row);
    const SqlValue& v = list_.value(row, c.field.toStdString());
    if (std::holds_alternative<std::monostate>(v)) return {};
    if (!c.format.isEmpty()) return formatNumber(toNumber(v), c.format);
    return QString::fromStdString(toText(v));
}

QVariant RecordModel::exportValue(int row, int col) const {
    const GridColumn& c = columns_.at(col);
    if (c.lookup) return c.lookup(row);
    const SqlValue& v = list_.value(row, c.field.toStdString());
    if (std::holds_alternative<int64_t>(v))
        return QVariant::fromValue<qlonglong>(std::get<int64_t>(v));
    if (std::holds_alternative<double>(v)) return std::get<double>(v);
    if (std::holds_alternative<std::string>(v))
        return QString::fromStdString(std::get<std::string>(v));
    return {};
}

QVariant RecordModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return displayText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole && !columns_[index.column()].format.isEmpty())
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant RecordModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (o == Qt::Horizontal) return columns_.at(section).title;
    return section + 1;
}

Qt::ItemFlags RecordModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && columns_[index.column()].setter && list_.canModify())
        f |= Qt::ItemIsEditable;
    return f;
}

bool RecordModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) return false;
    const GridColumn& c = columns_[index.column()];
    if (!c.setter || !list_.canModify()) return false;
    return c.setter(index.row(), value);
}

void RecordModel::reset() {
    beginResetModel();
    endResetModel();
}

}  // namespace vexa
