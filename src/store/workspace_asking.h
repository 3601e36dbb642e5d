#pragma once
// The workspace module's answer to an error of a single file while packing or unpacking:
// show it with its cause, then let the user decide whether to go on without that file.
#include "store/container/container.h"
#include "store/workspace_files.h"
#include "store/workspace_ui.h"

namespace vexa {

class AskingHandler : public ContainerErrorHandler {
public:
    explicit AskingHandler(WorkspaceUi& ui) : ui_(ui) {}
    FileErrorAnswer onFileError(const std::string& fileName, const ContainerError& error) override {
        std::string cause = writeErrorText(error.systemError(), fileName);
        ui_.showError(cause.empty() ? error.what() : cause + " (" + error.what() + ")");
        return ui_.askContinueAfterFileError(fileName) ? FileErrorAnswer::Continue
                                                       : FileErrorAnswer::Stop;
    }

private:
    WorkspaceUi& ui_;
};

}  // namespace vexa
