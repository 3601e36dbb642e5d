#pragma once
// TfrmLista without widgets: every ingredient (TfrmListaI), every nutrient (TfrmListaN) or
// every nutrient ratio (ER) by name, marked when it is a member of the group; "Aceptar" writes the
// marked ones as the group's members in one change.
#include <cstdint>
#include <string>
#include <vector>

namespace vexa {

class Database;

class MemberList {
public:
    enum class Kind { Ingredients, Nutrients, Ratios };
    struct Row {
        int32_t Codigo = 0;
        std::string Nombre;  // 25 characters
        bool Sel = false;
    };

    MemberList(Database& db, Kind kind, int32_t cat, const std::string& groupName);

    Kind kind() const { return kind_; }
    int32_t group() const { return cat_; }
    // "Modificar lista de insumos del grupo " (or "de nutrientes") and the group name.
    std::string caption() const;
    const std::vector<Row>& rows() const { return rows_; }
    int current() const { return current_; }
    void setCurrent(int row);
    void toggle(int row);     // a click on the row, or the space bar on it
    void selectAll(bool on);  // "Seleccionar Todos" / "Deseleccionar Todos"
    int selectedCount() const;
    // "Aceptar": the marked rows become the group's members, in list order. A refused write
    // throws and leaves the members as they were.
    void save();

private:
    Database& db_;
    Kind kind_;
    int32_t cat_;
    std::string groupName_;
    std::vector<Row> rows_;
    int current_ = -1;
};

}  // namespace vexa
