// The list of manual mixes without widgets: new mixes, opening, copies, deletes.
#include "catalog/requests.h"
#include "lists_fixture.h"
#include "workflows/mix_list.h"

namespace vexa::test {

using MixLists = ListsFixture;

TEST_F(MixLists, NewMixTakesTheGroupsBasisChoiceAndOpensWhenAccepted) {
    seed();
    db.exec("UPDATE Cat SET EnMS = 1 WHERE Codigo = 2");
    struct Case {
        int group;
        std::optional<NewMixAnswer> answer;
        bool basisShown;
        int mixes, enMS;  // MM rows afterwards, EnMS of the new one
    } cases[] = {{1, std::nullopt, false, 2, -1},
                 {1, NewMixAnswer{"Inicio manual", true}, false, 3, 0},
                 {2, NewMixAnswer{"Cerdos seca", true}, true, 4, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mixes);
        sink.posted.clear();
        MixList l(db, *dm, sink);
        std::string preset;
        bool shown = !c.basisShown;
        l.newMixDialog = [&](const std::string& p, bool enMS, bool showBasis) {
            preset = p;
            shown = showBasis;
            EXPECT_FALSE(enMS);
            return c.answer;
        };
        l.reloadGroups();
        ASSERT_TRUE(l.selectGroup(c.group));
        l.insert();
        EXPECT_EQ(preset, "Nueva mezcla");
        EXPECT_EQ(shown, c.basisShown);
        EXPECT_EQ(count("SELECT COUNT(*) FROM MM"), c.mixes);
        if (!c.answer) {
            EXPECT_TRUE(sink.posted.empty());
            continue;
        }
        const int code = count("SELECT MAX(Codigo) FROM MM");
        EXPECT_EQ(count("SELECT EnMS FROM MM WHERE Codigo = " + std::to_string(code)), c.enMS);
        EXPECT_EQ(count("SELECT Cat FROM MM WHERE Codigo = " + std::to_string(code)), c.group);
        ASSERT_EQ(sink.posted.size(), 1u);
        EXPECT_EQ(sink.posted[0],
                  (RecordingSink::Request{kAppOpenMix, packLowHigh(code, c.group)}));
    }
}

TEST_F(MixLists, EditOpensTheWindowCopyKeepsTheLinesDeleteTakesThem) {
    seed();
    MixList l(db, *dm, sink);
    l.reloadGroups();
    ASSERT_TRUE(l.selectGroup(1));
    ASSERT_EQ(l.rowCount(), 1);
    // Editing never happens in place: the mix opens in its window.
    EXPECT_FALSE(l.edit());
    EXPECT_FALSE(l.editing());
    ASSERT_EQ(sink.posted.size(), 1u);
    EXPECT_EQ(sink.posted[0], (RecordingSink::Request{kAppOpenMix, packLowHigh(1, 1)}));

    sink.posted.clear();
    l.copy();
    EXPECT_EQ(l.rowCount(), 2);
    const int copy = count("SELECT MAX(Codigo) FROM MM");
    EXPECT_EQ(count("SELECT COUNT(*) FROM MMI WHERE CMM = " + std::to_string(copy)), 2);
    EXPECT_EQ(count("SELECT SUM(Valor) FROM MMI WHERE CMM = " + std::to_string(copy)), 100);
    ASSERT_EQ(sink.posted.size(), 1u);
    EXPECT_EQ(sink.posted[0], (RecordingSink::Request{kAppOpenMix, packLowHigh(copy, 1)}));

    ASSERT_TRUE(l.locate("Codigo", int64_t{1}));
    ASSERT_TRUE(l.remove());
    EXPECT_EQ(count("SELECT COUNT(*) FROM MM WHERE Codigo = 1"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM MMI WHERE CMM = 1"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM MMI"), 3);  // the copy and the other group's mix
}

}  // namespace vexa::test
