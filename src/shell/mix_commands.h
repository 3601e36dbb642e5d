#pragma once
// The mixing tools join the main window: the electrolyte balance ("acBDE").
namespace vexa {

class CommandModule;
class QtRequestSink;

void registerMixCommands(CommandModule& cm, QtRequestSink& sink);

}  // namespace vexa
