// The groups window and the member lists without widgets.
#include <algorithm>

#include "catalog/requests.h"
#include "lists_fixture.h"
#include "workflows/group_list.h"
#include "workflows/member_list.h"

namespace vexa::test {

using GroupLists = ListsFixture;

namespace {

// Rows of the tables a group's delete touches.
std::string groupTables(Database& db) {
    std::string out;
    for (const char* sql :
         {"SELECT group_concat(Codigo) FROM (SELECT Codigo FROM Cat ORDER BY Codigo)",
          "SELECT group_concat(Cat || ':' || CNI) FROM (SELECT * FROM EI ORDER BY rowid)",
          "SELECT group_concat(Cat || ':' || CNI) FROM (SELECT * FROM EN ORDER BY rowid)",
          "SELECT group_concat(Codigo) FROM (SELECT Codigo FROM LR ORDER BY Codigo)",
          "SELECT group_concat(LR || ':' || CNI) FROM (SELECT * FROM RIn ORDER BY rowid)",
          "SELECT group_concat(LR || ':' || CNI) FROM (SELECT * FROM RNu ORDER BY rowid)",
          "SELECT group_concat(Codigo) FROM (SELECT Codigo FROM MM ORDER BY Codigo)",
          "SELECT group_concat(CMM || ':' || CIns) FROM (SELECT * FROM MMI ORDER BY rowid)"}) {
        Statement st = db.prepare(sql);
        out += (st.step() ? st.getText(0) : std::string()) + "\n";
    }
    return out;
}

}  // namespace

TEST_F(GroupLists, DeletingAGroupTakesEverythingInItAndNothingElse) {
    seed();
    GroupList l(db, *dm, sink);
    l.show();
    ASSERT_TRUE(l.locate("Codigo", int64_t{1}));
    dialogs.yesNo = {false};
    EXPECT_FALSE(l.remove());
    EXPECT_EQ(count("SELECT COUNT(*) FROM Cat"), 2);
    dialogs.yesNo = {true};
    EXPECT_TRUE(l.remove());
    EXPECT_EQ(dialogs.questions,
              (std::vector<std::string>{"¿Desea borrar el grupo?", "¿Desea borrar el grupo?"}));
    // Only Cerdos is left, with its formula, restrictions, mix and lines.
    EXPECT_EQ(groupTables(db), "2\n2:3\n2:2,2:3\n3\n3:3\n3:2\n2\n2:3\n");
    EXPECT_EQ(l.rowCount(), 1);
    EXPECT_TRUE(modified);
    EXPECT_EQ(sink.posted.back(), (RecordingSink::Request{kAppRefreshWindow, 3}));
}

TEST_F(GroupLists, ARefusedDeleteLeavesTheWholeGroupAndSaysSo) {
    seed();
    enableTriggers();
    WriteFaults faults(db, {"Cat", "EI", "EN", "LR", "RIn", "RNu", "MM", "MMI"});
    GroupList l(db, *dm, sink);
    l.show();
    const std::string before = groupTables(db);
    int refused = 0;
    for (int n = 1;; ++n) {
        SCOPED_TRACE(n);
        faults.failAt(n);
        dialogs.yesNo = {true};
        size_t errors = dialogs.errors.size();
        bool removed = l.remove();
        if (!faults.fired()) {
            EXPECT_TRUE(removed);  // every write of the delete was tried
            break;
        }
        ++refused;
        EXPECT_FALSE(removed);
        EXPECT_EQ(groupTables(db), before);
        ASSERT_EQ(dialogs.errors.size(), errors + 1);
        EXPECT_NE(dialogs.errors.back().find("No se pudo borrar"), std::string::npos);
        EXPECT_EQ(l.rowCount(), 2);
        EXPECT_FALSE(modified);
    }
    // EI, EN, two formulas each with its restrictions, the mix with its lines, the group.
    EXPECT_GE(refused, 10);
}

TEST_F(GroupLists, NewGroupCopyAndInPlaceEdits) {
    seed();
    GroupList l(db, *dm, sink);
    l.show();
    EXPECT_FALSE(l.editWithDialog);  // a group enters edit state without a dialog
    ASSERT_EQ(l.priceItems().size(), 1u);
    EXPECT_EQ(l.priceName(0), "Precio");

    // A new group taken back at once, without a question; one that was named stays.
    ASSERT_TRUE(l.addGroup());
    EXPECT_TRUE(l.discardNew());
    EXPECT_EQ(count("SELECT COUNT(*) FROM Cat"), 2);
    EXPECT_TRUE(dialogs.questions.empty());
    ASSERT_TRUE(l.addGroup());
    EXPECT_EQ(l.currentName(), "Nuevo grupo");
    int fresh = l.currentCode();
    EXPECT_EQ(count("SELECT COUNT(*) FROM Cat WHERE Codigo = " + std::to_string(fresh) +
                    " AND Precio = 1 AND EnMS = 0"),
              1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM EI WHERE Cat = " + std::to_string(fresh)), 0);
    EXPECT_TRUE(l.setName(l.current(), "Postura con un nombre demasiado largo"));
    EXPECT_EQ(l.currentName(), "Postura con un nombre dem");  // 25 characters
    EXPECT_FALSE(l.discardNew());
    db.exec("INSERT INTO Nut (Nombre, Tipo) VALUES ('Precio 2', 1)");
    l.show();
    ASSERT_TRUE(l.locate("Codigo", int64_t{fresh}));
    EXPECT_TRUE(l.setPriceItem(l.current(), 4));
    EXPECT_EQ(count("SELECT Precio FROM Cat WHERE Codigo = " + std::to_string(fresh)), 4);
    EXPECT_EQ(l.priceName(l.current()), "Precio 2");
    EXPECT_FALSE(l.editing());

    // A copy has the members, the formulas with their restrictions and the mixes with lines.
    ASSERT_TRUE(l.locate("Codigo", int64_t{1}));
    ASSERT_TRUE(l.copy());
    int copy = l.currentCode();
    EXPECT_EQ(l.currentName(), "Pollos");
    auto of = [&](const std::string& sql) { return count(sql + std::to_string(copy)); };
    EXPECT_EQ(of("SELECT COUNT(*) FROM EI WHERE Cat = "), 2);
    EXPECT_EQ(of("SELECT COUNT(*) FROM EN WHERE Cat = "), 1);
    EXPECT_EQ(of("SELECT COUNT(*) FROM LR WHERE Cat = "), 2);
    EXPECT_EQ(of("SELECT COUNT(*) FROM RIn JOIN LR ON LR.Codigo = RIn.LR WHERE LR.Cat = "), 2);
    EXPECT_EQ(of("SELECT COUNT(*) FROM RNu JOIN LR ON LR.Codigo = RNu.LR WHERE LR.Cat = "), 3);
    EXPECT_EQ(of("SELECT COUNT(*) FROM MMI JOIN MM ON MM.Codigo = MMI.CMM WHERE MM.Cat = "), 2);
}

TEST_F(GroupLists, HeaderButtonsAskForTheGroupsFormulasAndMixes) {
    seed();
    GroupList l(db, *dm, sink);
    l.show();
    l.last();
    l.showFormulas();
    l.showMixes();
    EXPECT_EQ(sink.posted,
              (std::vector<RecordingSink::Request>{{kAppOpenFormulas, 2}, {kAppOpenMixList, 2}}));
}

using MemberLists = ListsFixture;

TEST_F(MemberLists, MarksAreWrittenOnlyBySave) {
    seed();
    struct Case {
        MemberList::Kind kind;
        const char* caption;
        std::vector<bool> marked;  // by name
        const char* table;
        int all;
    };
    const Case cases[] = {
        {MemberList::Kind::Ingredients,
         "Modificar lista de insumos del grupo Pollos",
         {true, true, false},
         "EI",
         3},  // Maíz, Soya, Trigo
        {MemberList::Kind::Nutrients,
         "Modificar lista de nutrientes del grupo Pollos",
         {false, false, true},
         "EN",
         3},  // Materia seca, Precio, Proteína
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        const std::string members =
            std::string("SELECT COUNT(*) FROM ") + c.table + " WHERE Cat = ";
        MemberList m(db, c.kind, 1, "Pollos");
        EXPECT_EQ(m.caption(), c.caption);
        std::vector<bool> sel;
        for (const auto& r : m.rows()) sel.push_back(r.Sel);
        EXPECT_EQ(sel, c.marked);
        // Toggling without saving writes nothing.
        m.toggle(1);
        m.selectAll(false);
        EXPECT_EQ(count(members + "1"), static_cast<int>(std::count(sel.begin(), sel.end(), true)));
        m.selectAll(true);
        EXPECT_EQ(m.selectedCount(), c.all);
        m.save();
        EXPECT_EQ(count(members + "1"), c.all);
        EXPECT_EQ(count(members + "2"), c.kind == MemberList::Kind::Ingredients ? 1 : 2);
        m.toggle(0);
        m.save();
        EXPECT_EQ(count(members + "1"), c.all - 1);
    }
    EXPECT_TRUE(modified);
}

TEST_F(MemberLists, ARefusedSaveKeepsTheMembers) {
    seed();
    enableTriggers();
    WriteFaults faults(db, {"EI"});
    MemberList m(db, MemberList::Kind::Ingredients, 1, "Pollos");
    m.selectAll(true);
    for (int n : {1, 3, 5}) {  // a delete, an insert, the last insert
        SCOPED_TRACE(n);
        faults.failAt(n);
        EXPECT_THROW(m.save(), SqlError);
        Statement st =
            db.prepare("SELECT group_concat(CNI) FROM (SELECT CNI FROM EI WHERE Cat = 1)");
        ASSERT_TRUE(st.step());
        EXPECT_EQ(st.getText(0), "1,2");
    }
}

}  // namespace vexa::test
