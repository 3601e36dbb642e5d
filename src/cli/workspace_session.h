#pragma once
// A workspace opened by vexa-cli: unpacked into a private working folder under the system's
// temporary folder, never saved unless a verb asks for it, removed again at the end.
#include "store/tdm.h"
#include "store/workspace.h"

#include <filesystem>
#include <memory>
#include <ostream>

namespace vexa::cli {

// Errors go to the error stream; every question is answered No.
class CliUi : public WorkspaceUi {
public:
    explicit CliUi(std::ostream& err) : err_(err) {}
    void showError(const std::string& message) override { err_ << "vexa-cli: " << message << '\n'; }

private:
    std::ostream& err_;
};

WorkspaceSettings cliWorkspaceSettings();

class CliWorkspace {
public:
    explicit CliWorkspace(std::ostream& err);
    ~CliWorkspace();
    // False (the error printed) when the file cannot be opened.
    bool open(const std::filesystem::path& file);
    Tdmvxf& vxf() { return vxf_; }
    Tdm& dm() { return *dm_; }

private:
    CliUi ui_;
    Tdmvxf vxf_;
    std::unique_ptr<Tdm> dm_;
};

}  // namespace vexa::cli
