#pragma once
// The formulas window and the groups window join the main window: their commands and the
// requests that open them (8, the groups window's buttons).
namespace vexa {

class CommandModule;
class QtRequestSink;

void registerFormulaLists(CommandModule& cm, QtRequestSink& sink);

}  // namespace vexa
