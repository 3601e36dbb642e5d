#include "workflows/member_list.h"

#include <algorithm>
#include <set>

#include "catalog/catalog_context.h"
#include "store/group_queries.h"
#include "store/ratio_queries.h"
#include "store/shared_procs.h"

namespace vexa {

namespace {

const char* membersTable(MemberList::Kind k) {
    return k == MemberList::Kind::Ingredients ? "EI" : "EN";
}

}  // namespace

MemberList::MemberList(Database& db, Kind kind, int32_t cat, const std::string& groupName)
    : db_(db), kind_(kind), cat_(cat), groupName_(groupName) {
    std::vector<CodeName> all;
    std::vector<int32_t> members;
    if (kind == Kind::Ratios) {
        for (const RatioInfo& r : ratiosByName(db)) all.push_back({r.code, r.name});
        members = groupRatios(db, cat);
    } else {
        all = kind == Kind::Ingredients ? ingredientsByName(db) : nutrientsByName(db);
        members = groupMembers(db, membersTable(kind), cat);
    }
    std::set<int32_t> in(members.begin(), members.end());
    rows_.reserve(all.size());
    for (const CodeName& c : all)
        rows_.push_back(
            {c.code, utf8Left(c.name, kind == Kind::Ratios ? 30 : 25), in.count(c.code) > 0});
    current_ = rows_.empty() ? -1 : 0;
}

std::string MemberList::caption() const {
    return std::string(kind_ == Kind::Ingredients ? "Modificar lista de insumos del grupo "
                       : kind_ == Kind::Ratios    ? "Modificar lista de relaciones del grupo "
                                                  : "Modificar lista de nutrientes del grupo ") +
           utf8Left(groupName_, 25);
}

void MemberList::setCurrent(int row) {
    if (row >= 0 && row < static_cast<int>(rows_.size())) current_ = row;
}

void MemberList::toggle(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    current_ = row;
    rows_[row].Sel = !rows_[row].Sel;
}

void MemberList::selectAll(bool on) {
    for (Row& r : rows_) r.Sel = on;
}

int MemberList::selectedCount() const {
    return static_cast<int>(
        std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.Sel; }));
}

void MemberList::save() {
    std::vector<int32_t> codes;
    for (const Row& r : rows_)
        if (r.Sel) codes.push_back(r.Codigo);
    if (kind_ == Kind::Ratios)
        replaceGroupRatios(db_, cat_, codes);
    else
        replaceGroupMembers(db_, membersTable(kind_), cat_, codes);
    catalogContext().modified();
}

}  // namespace vexa
