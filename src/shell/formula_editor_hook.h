#pragma once
// Request 16 opens a formula editor window, one per request.
#include <functional>
#include <string>

namespace vexa {

class CommandModule;
class QtRequestSink;
class FormulaWindow;

// `databaseName` names the workspace in the report headers. `opened` (may be empty) is told
// of every new editor, so the manual-mix and batch windows can set its hooks.
void registerFormulaEditor(CommandModule& cm, QtRequestSink& sink,
                           std::function<std::string()> databaseName,
                           std::function<void(FormulaWindow&)> opened = {});

}  // namespace vexa
