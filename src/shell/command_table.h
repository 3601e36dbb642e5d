#pragma once
// The main commands: caption, shortcut, hint, tag and help context of each.
#include <string>
#include <vector>

namespace vexa {

struct CommandSpec {
    const char* name;
    const char* caption;
    const char* shortcut;  // key text, empty for none
    const char* hint;
    int tag;          // -1 for none
    int helpContext;  // 0 for none
};

const std::vector<CommandSpec>& commandTable();
const CommandSpec* findCommand(const std::string& name);

// Menus in order; "-" is a separator, "[Title" opens a submenu and "]" closes it.
struct MenuSpec {
    const char* title;
    std::vector<const char*> items;
};
const std::vector<MenuSpec>& mainMenus();
const std::vector<const char*>& toolBarCommands();

}  // namespace vexa
