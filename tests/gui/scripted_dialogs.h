#pragma once
// Dialog answers scripted by a test, and a record of everything the program showed.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "catalog/dialogs.h"
#include "catalog/requests.h"

namespace vexa::test {

class ScriptedDialogs : public Dialogs {
public:
    std::deque<bool> yesNo;                        // unanswered questions get "No"
    std::deque<std::optional<std::string>> files;  // unanswered choosers are cancelled
    std::deque<std::optional<std::string>> texts;
    std::vector<std::string> questions, errors, infos, fileTitles;

    bool askYesNo(const std::string& text, const std::string&) override {
        questions.push_back(text);
        if (yesNo.empty()) return false;
        bool a = yesNo.front();
        yesNo.pop_front();
        return a;
    }
    // Three-way questions; without an answer queued here they take the yes/no queue.
    std::deque<Answer> yesNoCancel;
    Answer askYesNoCancel(const std::string& text, const std::string& title) override {
        if (yesNoCancel.empty()) return Dialogs::askYesNoCancel(text, title);
        questions.push_back(text);
        Answer a = yesNoCancel.front();
        yesNoCancel.pop_front();
        return a;
    }
    // Questions with buttons of their own: the index queued, else nobody answers (-1).
    std::deque<int> choices;
    std::vector<std::vector<std::string>> choiceButtons;
    int askChoice(const std::string& text, const std::string&,
                  const std::vector<std::string>& buttons) override {
        questions.push_back(text);
        choiceButtons.push_back(buttons);
        if (choices.empty()) return -1;
        int a = choices.front();
        choices.pop_front();
        return a;
    }
    void showError(const std::string& text) override { errors.push_back(text); }
    void showInfo(const std::string& text) override { infos.push_back(text); }
    std::optional<std::string> askText(const std::string&, const std::string&,
                                       const std::string&) override {
        if (texts.empty()) return std::nullopt;
        auto t = texts.front();
        texts.pop_front();
        return t;
    }
    // Searches answered with a field; without one queued the text queue answers for all fields.
    std::deque<SearchRequest> searches;
    std::vector<std::string> offeredFields;
    std::optional<SearchRequest> askSearch(const std::string& title,
                                           const std::vector<std::string>& fields) override {
        offeredFields = fields;
        if (searches.empty()) return Dialogs::askSearch(title, fields);
        SearchRequest r = searches.front();
        searches.pop_front();
        return r;
    }
    std::optional<std::string> chooseFile(const FileChoice& c) override {
        fileTitles.push_back(c.title);
        if (files.empty()) return std::nullopt;
        auto f = files.front();
        files.pop_front();
        return f;
    }
};

// Installs itself for the life of a test.
class DialogsScope {
public:
    explicit DialogsScope(ScriptedDialogs& d) { setDialogs(&d); }
    ~DialogsScope() { setDialogs(nullptr); }
};

// Requests posted by logic classes, kept for the test to read.
class RecordingSink : public RequestSink {
public:
    struct Request {
        int code;
        std::int64_t arg;
        bool operator==(const Request& o) const { return code == o.code && arg == o.arg; }
    };
    std::vector<Request> posted;
    void postApp(int code, std::int64_t arg) override { posted.push_back({code, arg}); }
};

}  // namespace vexa::test
