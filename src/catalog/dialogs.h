#pragma once
// The one way our windows talk to the user through standard boxes: message boxes,
// questions, input boxes and file choosers. The desktop program uses Qt's dialogs;
// tests install a scripted implementation that answers from a queue.
#include <optional>
#include <string>
#include <vector>

namespace vexa {

struct FileChoice {
    enum class Mode { Open, Save, Folder };
    Mode mode = Mode::Open;
    std::string title;
    std::string startDir;
    // Pairs "Description|pattern|Description|pattern", as the captions give them.
    std::string filter;
    std::string defaultExt;
    std::string fileName;
};

// What the user asked of the record search: the text and the field to look in, an index
// into the offered fields, or -1 for all of them.
struct SearchRequest {
    std::string text;
    int field = -1;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual bool askYesNo(const std::string& text, const std::string& title = "Confirmación") = 0;
    enum class Answer { Yes, No, Cancel };
    // Yes/No/Cancel question; Escape and closing the box answer Cancel.
    virtual Answer askYesNoCancel(const std::string& text,
                                  const std::string& title = "Confirmación") {
        return askYesNo(text, title) ? Answer::Yes : Answer::No;
    }
    // A question answered by one of `buttons` (the last one is also the answer of Escape and
    // of closing the box): its index, or -1 when there is nobody to answer.
    virtual int askChoice(const std::string& text, const std::string& title,
                          const std::vector<std::string>& buttons) {
        (void)text, (void)title, (void)buttons;
        return -1;
    }
    virtual void showError(const std::string& text) = 0;
    virtual void showInfo(const std::string& text) = 0;
    virtual std::optional<std::string> askText(const std::string& title, const std::string& prompt,
                                               const std::string& initial) = 0;
    virtual std::optional<std::string> chooseFile(const FileChoice& choice) = 0;
    // The record search ("Búsqueda"): a text and a choice among the searchable fields.
    // Without a dialog of its own it asks for the text only, in every field.
    virtual std::optional<SearchRequest> askSearch(const std::string& title,
                                                   const std::vector<std::string>& fields) {
        (void)fields;
        auto text = askText(title, "Buscar:", "");
        if (!text) return std::nullopt;
        return SearchRequest{*text, -1};
    }
};

// The process-wide instance; the program installs the Qt one at start, tests a scripted one.
Dialogs& dialogs();
void setDialogs(Dialogs* d);

}  // namespace vexa
