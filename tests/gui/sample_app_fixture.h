#pragma once
// The whole program on a fresh sample workspace in a temporary Documents folder, with the
// dialogs scripted: the base of the tests that drive windows as a user would.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <filesystem>
#include <memory>

#include "scripted_dialogs.h"
#include "shell/application.h"
#include "shell/main_window.h"
#include "store/settings.h"

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
    QTemporaryDir tmp;
    std::filesystem::path docs;
    ScriptedDialogs dialogs;
    DialogsScope scope{dialogs};
    std::unique_ptr<VexaApp> app;
};

}  // namespace vexa::test
