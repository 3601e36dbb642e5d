// Saving in read-only mode, where nothing can have changed: the workspace file and its backup
// stay as they are (a new save would put the older backup in the bin).
#include "lifecycle_fixture.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

using testing::DocumentsFolder;
using testing::ScriptedUi;

TEST(ReadOnlySave, KeepsTheFileAndItsOlderBackup) {
    DocumentsFolder docs;
    std::filesystem::path file;
    {
        ScriptedUi ui;
        Tdmvxf w(docs.settings(), ui);
        file = testing::createAndOpen(w, docs);
        testing::addIngredient(w, "Maíz amarillo");
        ASSERT_TRUE(w.GuardarVXF());
        testing::addIngredient(w, "Sorgo");
        ASSERT_TRUE(w.GuardarVXF());
        w.CerrarVXF();
    }
    auto backup = file;
    backup.replace_extension(".bkp");
    ASSERT_TRUE(std::filesystem::exists(backup));
    const auto fileBefore = testing::bytesOf(file);
    const auto backupBefore = testing::bytesOf(backup);

    ScriptedUi ui;
    auto settings = docs.settings();
    settings.readOnly = true;
    Tdmvxf w(settings, ui);
    w.AbrirVXF(file);
    ASSERT_EQ(w.OpenStage, kStageOk);
    EXPECT_TRUE(w.GuardarVXF());
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_EQ(testing::bytesOf(file), fileBefore);
    EXPECT_EQ(testing::bytesOf(backup), backupBefore);
}

}  // namespace
}  // namespace vexa
