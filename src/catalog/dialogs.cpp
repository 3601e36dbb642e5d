#include "catalog/dialogs.h"
#include "catalog/requests.h"

namespace vexa {
namespace {

// Until the program installs the real ones, answer "no" and drop everything, so that a
// forgotten installation never blocks on a hidden box.
class NullDialogs : public Dialogs {
public:
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showError(const std::string&) override {}
    void showInfo(const std::string&) override {}
    std::optional<std::string> askText(const std::string&, const std::string&,
                                       const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseFile(const FileChoice&) override { return std::nullopt; }
};

class NullSink : public RequestSink {
public:
    void postApp(int, std::int64_t) override {}
};

NullDialogs nullDialogs;
NullSink nullSink;
Dialogs* current = &nullDialogs;
RequestSink* currentSink = &nullSink;

}  // namespace

Dialogs& dialogs() {
    return *current;
}
void setDialogs(Dialogs* d) {
    current = d ? d : &nullDialogs;
}

RequestSink& requests() {
    return *currentSink;
}
void setRequests(RequestSink* sink) {
    currentSink = sink ? sink : &nullSink;
}

}  // namespace vexa
