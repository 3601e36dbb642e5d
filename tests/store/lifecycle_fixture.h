#pragma once
// A documents folder in the system temp folder and a scripted stand-in for the desktop program.
#include "store/workspace.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace vexa::testing {

class ScriptedUi : public WorkspaceUi {
public:
    std::vector<std::string> errors;
    std::vector<std::pair<int, int>> requests;
    std::vector<std::filesystem::path> trashed;
    int questions = 0;
    bool answerYes = false;
    std::optional<std::filesystem::path> fileToChoose;

    void showError(const std::string& message) override { errors.push_back(message); }
    std::vector<std::string> notices;
    void showNotice(const std::string& message) override { notices.push_back(message); }
    bool askYesNo(const std::string&, const std::string&) override {
        ++questions;
        return answerYes;
    }
    std::optional<std::filesystem::path> chooseOpenFile(const std::string&,
                                                        const std::filesystem::path&) override {
        return fileToChoose;
    }
    std::optional<std::filesystem::path> chooseSaveFile(const std::string&,
                                                        const std::filesystem::path&) override {
        return fileToChoose;
    }
    bool notifyShell(int code, int argument) override {
        requests.emplace_back(code, argument);
        return true;
    }
    bool moveToTrash(const std::filesystem::path& file) override {
        trashed.push_back(file);
        return false;  // no recycle bin here: the caller deletes
    }
};

// <temp>/vexa_<test name>_<process>/ with the folders a documents folder holds; the
// process id keeps test runs side by side apart.
class DocumentsFolder {
public:
    DocumentsFolder() {
        auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root = std::filesystem::temp_directory_path() /
               (std::string("vexa_") + info->test_suite_name() + "_" + info->name() + "_" +
                std::to_string(::getpid()));
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root / "VXF");
    }
    ~DocumentsFolder() {
        std::error_code ec;
        std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
        std::filesystem::remove_all(root, ec);
    }
    WorkspaceSettings settings() const {
        WorkspaceSettings s;
        s.documents = root;
        s.workRoot = root / "Devov";
        s.vxfPath = root / "VXF";
        s.privateFolder = root / "Temp";
        s.userName = "Dra. Pérez";
        return s;
    }
    std::filesystem::path vxf(const std::string& name) const { return root / "VXF" / name; }

    std::filesystem::path root;
};

// The whole content of a file.
inline std::string bytesOf(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// One ingredient more in the open workspace, marked as an unsaved change.
inline void addIngredient(Tdmvxf& w, const std::string& name) {
    w.db().prepare("insert into Ins (Nombre) values (:N)").bind("N", name).execute();
    w.DBModified = true;
}

// Creates the workspace `name` in the documents' VXF folder and opens it; returns its file.
inline std::filesystem::path createAndOpen(Tdmvxf& w, const DocumentsFolder& docs,
                                           const std::string& name = "Granja.vxf") {
    auto file = docs.vxf(name);
    w.CrearVXF(file);
    w.AbrirVXF(file);
    EXPECT_EQ(w.OpenStage, kStageOk);
    return file;
}

}  // namespace vexa::testing
