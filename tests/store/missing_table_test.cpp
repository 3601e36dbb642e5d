// A workspace file whose database lost a whole table (a damaged or hand-edited file) is
// refused on opening with a message that names the table, read-only or not, instead of
// opening and then failing in every window that reads the table.
#include "lifecycle_fixture.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

using testing::DocumentsFolder;
using testing::ScriptedUi;

TEST(MissingTables, AFileThatLostATableIsRefusedNamingIt) {
    DocumentsFolder docs;
    std::filesystem::path file;
    {
        ScriptedUi ui;
        Tdmvxf w(docs.settings(), ui);
        file = testing::createAndOpen(w, docs);
        w.db().exec("DROP TABLE Nut");
        w.DBModified = true;
        ASSERT_TRUE(w.GuardarVXF());
        w.CerrarVXF();
    }
    const auto before = testing::bytesOf(file);
    for (bool readOnly : {false, true}) {
        ScriptedUi ui;
        auto settings = docs.settings();
        settings.readOnly = readOnly;
        Tdmvxf w(settings, ui);
        w.AbrirVXF(file);
        EXPECT_NE(w.OpenStage, kStageOk) << readOnly;
        EXPECT_FALSE(w.isOpen());
        ASSERT_EQ(ui.errors.size(), 1u) << readOnly;
        EXPECT_NE(ui.errors[0].find("le falta la tabla Nut"), std::string::npos) << ui.errors[0];
        EXPECT_EQ(testing::bytesOf(file), before);
    }
}

}  // namespace
}  // namespace vexa
