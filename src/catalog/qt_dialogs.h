#pragma once
// The dialogs of the desktop program: Qt's message boxes, input box and file dialogs.
#include <QString>
#include <QStringList>

#include "catalog/dialogs.h"

class QWidget;

namespace vexa {

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    bool askYesNo(const std::string& text, const std::string& title) override;
    Answer askYesNoCancel(const std::string& text, const std::string& title) override;
    int askChoice(const std::string& text, const std::string& title,
                  const std::vector<std::string>& buttons) override;
    void showError(const std::string& text) override;
    void showInfo(const std::string& text) override;
    std::optional<std::string> askText(const std::string& title, const std::string& prompt,
                                       const std::string& initial) override;
    std::optional<std::string> chooseFile(const FileChoice& choice) override;
    std::optional<SearchRequest> askSearch(const std::string& title,
                                           const std::vector<std::string>& fields) override;

    // "Desc|*.a|Desc2|*.*" becomes Qt's "Desc (*.a);;Desc2 (*.*)".
    static QString qtFilter(const std::string& filter);

private:
    QWidget* parent_;
};

inline QString qs(const std::string& s) {
    return QString::fromStdString(s);
}
inline std::string ss(const QString& s) {
    return s.toStdString();
}

}  // namespace vexa
