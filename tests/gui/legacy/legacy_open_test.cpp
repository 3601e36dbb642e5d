// A workspace of the earlier program opened in the desktop program: converted, the notice
// shown once, saved in the current format with the old file as the backup; a damaged one
// refused with the table named and nothing opened in its place.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <sstream>

#include "../../store/legacy/paradox_writer.h"
#include "../scripted_dialogs.h"
#include "shell/application.h"
#include "shell/settings_logic.h"
#include "store/container/container.h"
#include "store/db_def.h"
#include "store/settings.h"
#include "store/workspace.h"

namespace vexa::test {

namespace fs = std::filesystem;
using vexa::testing::writeParadoxTable;

namespace {

// Nutrients and ingredients in the earlier program's tables, packed with their DB.def.
fs::path legacyFile(const fs::path& scratch, const fs::path& file, bool withNutrients) {
    fs::create_directories(scratch);
    if (withNutrients)
        writeParadoxTable(scratch / "NUT.DB", {{"Codigo", pxfAutoInc, 4}, {"Nombre", pxfAlpha, 25}},
                          {{"1", "Proteína"}, {"4", "Energía"}});
    writeParadoxTable(scratch / "INS.DB", {{"Codigo", pxfAutoInc, 4}, {"Nombre", pxfAlpha, 25}},
                      {{"2", "Harina de maíz"}, {"7", "Ñame"}}, 850);
    TDBDef def;
    def.Nombre = "Granja antigua";
    def.Ver = kCurrentVer;
    writeDBDef(scratch, def);
    packFolder(scratch, file);
    fs::remove_all(scratch);
    return file;
}

std::string bytesOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace

TEST(LegacyDesktop, ConvertedOnOpenToldOnceAndSavedWithTheOldFileAsBackup) {
    QTemporaryDir tmp;
    const fs::path docs = fs::path(tmp.path().toStdString()) / "Documentos";
    fs::create_directories(docs);
    ScriptedDialogs dialogs;
    DialogsScope scope{dialogs};
    auto app = std::make_unique<VexaApp>(AppFolders{docs, docs / "VEXA.INI"});
    const fs::path folder = SisOpc().VXFPath;
    const fs::path file = legacyFile(docs / "x", folder / "Antigua.vxf", true);
    const std::string before = bytesOf(file);

    ASSERT_TRUE(app->openStartupWorkspace({file.string()}));
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(dialogs.infos, std::vector<std::string>{legacyNotice(file)});
    EXPECT_TRUE(app->workspace().modified());
    Statement names =
        app->workspace().database()->prepare("SELECT Nombre FROM Ins ORDER BY Codigo");
    std::vector<std::string> got;
    while (names.step()) got.push_back(names.getText(0));
    EXPECT_EQ(got, (std::vector<std::string>{"Harina de maíz", "Ñame"}));

    app->workspace().save();
    EXPECT_FALSE(app->workspace().modified());
    EXPECT_EQ(bytesOf(folder / "Antigua.bkp"), before);
    ASSERT_TRUE(app->workspace().open(file.string()));
    EXPECT_EQ(dialogs.infos.size(), 1u);

    // Without its nutrient table it cannot be converted: the message names the table, the
    // file stays as it was and the workspace that was open is not replaced by a broken one.
    const fs::path bad = legacyFile(docs / "y", folder / "Rota.vxf", false);
    const std::string badBefore = bytesOf(bad);
    EXPECT_FALSE(app->workspace().open(bad.string()));
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_NE(dialogs.errors[0].find("Nut.DB"), std::string::npos) << dialogs.errors[0];
    EXPECT_EQ(dialogs.infos.size(), 1u);
    EXPECT_EQ(bytesOf(bad), badBefore);
    EXPECT_EQ(app->workspace().currentFile(), file.string());
    app->shutdown();
}

}  // namespace vexa::test
