#pragma once
// The whole program on a fresh sample workspace in a temporary Documents folder, with the
// dialogs scripted: the base of the tests that drive windows as a user would.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <filesystem>
#include <memory>
#include <string>

#include "catalog/request_event.h"
#include "catalog/requests.h"
#include "scripted_dialogs.h"
#include "shell/application.h"
#include "shell/main_window.h"
#include "store/request_codes.h"
#include "store/settings.h"
#include "workflows/formula_window.h"

namespace vexa::test {

class SampleApp : public ::testing::Test {
protected:
    void SetUp() override {
        docs = std::filesystem::path(tmp.path().toStdString()) / "Documentos";
        std::filesystem::create_directories(docs);
    }
    void TearDown() override {
        if (app) app->shutdown();
        SisOpc().RO = false;
    }
    MainWindow& start() {
        app = std::make_unique<VexaApp>(AppFolders{docs, docs / "VEXA.INI"});
        app->createSampleIfFirstStart();
        EXPECT_TRUE(app->openStartupWorkspace({}));
        MainWindow& w = app->createMainWindow();
        w.show();
        settle();
        return w;
    }
    static void settle() {
        for (int i = 0; i < 8; ++i) QCoreApplication::processEvents();
    }
    // The active window of the workspace area, when it is a W.
    template <typename W>
    static W* active(MainWindow& w) {
        QMdiSubWindow* frame = w.mdiArea()->activeSubWindow();
        return frame ? qobject_cast<W*>(frame->widget()) : nullptr;
    }
    // Formula `formula` of group `group` opened as the formulas window opens it.
    static FormulaWindow* openFormula(MainWindow& w, int formula, int group) {
        postRequest(&w, kAppCmdEvent, kAppOpenFormula, packLowHigh(formula, group));
        settle();
        return active<FormulaWindow>(w);
    }
    // The rows of `sql` (one column x) joined by "|".
    std::string query(const std::string& sql) {
        Statement st =
            app->workspace().database()->prepare("SELECT group_concat(x, '|') FROM (" + sql + ")");
        return st.step() ? st.getText(0) : std::string();
    }
    QTemporaryDir tmp;
    std::filesystem::path docs;
    ScriptedDialogs dialogs;
    DialogsScope scope{dialogs};
    std::unique_ptr<VexaApp> app;
};

}  // namespace vexa::test
