#pragma once
// A database in a temporary folder filled with the sample workspace, and the Tdm over it.
#include "store/sample_workspace.h"
#include "store/schema.h"
#include "store/tdm.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace vexa::testing {

class SampleDatabase {
public:
    SampleDatabase() {
        auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = std::filesystem::temp_directory_path() /
                 (std::string("vexa_sample_") + std::to_string(::getpid()) + "_" +
                  info->test_suite_name() + "_" + info->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        db = createDatabase(folder);
        counts = fillSampleWorkspace(db, def);
        dm = std::make_unique<Tdm>(db, def);
    }
    ~SampleDatabase() {
        dm.reset();
        db.close();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    int32_t formulaCode(const std::string& name) {
        auto q = db.prepare("Select Codigo From LR Where Nombre = :N");
        q.bind("N", name);
        return q.step() ? q.getInt(0) : 0;
    }

    std::filesystem::path folder;
    Database db;
    TDBDef def;
    SampleCounts counts;
    std::unique_ptr<Tdm> dm;
};

}  // namespace vexa::testing
