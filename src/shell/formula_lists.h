#pragma once
// The formulas window and the groups window join the main window: their commands, the
// requests that open them (8) and refresh them (17 with 3 and 4).
namespace vexa {

class CommandModule;
class QtRequestSink;

void registerFormulaLists(CommandModule& cm, QtRequestSink& sink);

}  // namespace vexa
