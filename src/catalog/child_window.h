#pragma once
// A child window of the main frame: a header strip with its title, its own menus merged
// into the main menu while it is active, and the requests broadcast by the main window.
#include <QLabel>
#include <QList>
#include <QMenu>
#include <QVBoxLayout>
#include <QWidget>

namespace vexa {

class ChildWindow : public QWidget {
    Q_OBJECT
public:
    ChildWindow(const QString& caption, const QString& header, QWidget* parent = nullptr);
    const QList<QMenu*>& childMenus() const { return menus_; }
    // The main frame tells the window when it gains or loses activation.
    virtual void setActiveChild(bool active) { (void)active; }
    // Requests broadcast by the main window (before a save, leave side-by-side mode...).
    virtual void childRequest(int code, qint64 arg) {
        (void)code;
        (void)arg;
    }
    // Show this item (ingredient, nutrient...) in the window; windows with a selector do.
    virtual void selectItem(qint64 code) { (void)code; }
    // Re-read what the window shows after its data changed elsewhere.
    virtual void refreshInfo() {}
    // Closes the window together with its frame in the main window.
    void closeWindow();
    qint64 reference() const { return reinterpret_cast<qint64>(this); }
    QLabel* headerStrip() const { return header_; }

protected:
    bool event(QEvent* e) override;
    QVBoxLayout* body_;
    QLabel* header_;
    QList<QMenu*> menus_;
};

}  // namespace vexa
