#pragma once
// The mixing tools join the main window: the list of manual mixes ("acMM", request 9), the
// manual-mix window (request 18, "acMMI"), the electrolyte balance ("acBDE"), and the formula
// editor's "Crear &mezcla" and "Preparar &batch".
#include <functional>
#include <string>

namespace vexa {

class CommandModule;
class FormulaWindow;
class QtRequestSink;

// `databaseName` names the workspace in the manual-mix report.
void registerMixCommands(CommandModule& cm, QtRequestSink& sink,
                         std::function<std::string()> databaseName = {});

// Given to every new formula editor: its results go on to a manual mix or a batch.
void connectFormulaEditor(CommandModule& cm, FormulaWindow& w);

}  // namespace vexa
