#pragma once
// TdmRep: runs the catalogue reports of the "&Reportes" menu: the item choice window, the
// definitions of the report folder, the preview with print and save, and the
// ingredient-by-nutrient listing.
#include "reports/report_render.h"
#include "store/catalog_report.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPagedPaintDevice;
class QPrinter;
class QPrintPreviewWidget;

namespace vexa {

class Database;

// TfrmRepList: the modal choice of one item; typing moves to the first name that begins with
// the text (case-sensitive).
class ReportChoiceDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReportChoiceDialog(QWidget* parent = nullptr);
    void setKind(ReportItem kind);  // caption and label
    void setItems(const std::vector<ReportChoice>& items);
    int32_t chosenCode() const { return chosen_; }
    QLineEdit* search() const { return search_; }
    QListWidget* list() const { return list_; }
    void accept() override;  // takes the current row's code

private:
    QLabel* label_;
    QLineEdit* search_;
    QListWidget* list_;
    std::vector<ReportChoice> items_;
    int32_t chosen_ = 0;
};

// "Vista preliminar del reporte": the pages at 100 %, print, printer setup and save.
class ReportPreview : public QDialog {
    Q_OBJECT
public:
    ReportPreview(const QString& html, const QString& textHtml, const ReportPageHeader& header,
                  QWidget* parent = nullptr);
    QPrintPreviewWidget* view() const { return view_; }
    // Saves by the file's extension (.pdf, .txt, .html, .htm); false with the cause.
    bool saveTo(const QString& file, QString* error) const;
    void print();
    void printerSetup();
    void save();

private:
    int generate(QPagedPaintDevice& device);
    QString html_;
    QString textHtml_;  // the page with its own header, for text and web files
    ReportPageHeader header_;
    QPrintPreviewWidget* view_;
    QPrinter* printer_;
};

inline constexpr const char* kNoHayItems = "No hay items a mostrar.";

class ReportModule {
public:
    struct Source {
        std::function<Database*()> db;
        std::function<TDBDef()> def;  // Nombre, Precio and MS of the open workspace
        std::function<QString()> user;
        std::function<QString()> folder;  // the report folder
    };
    explicit ReportModule(Source s) : src_(std::move(s)) {}

    // The command of the "&Reportes" menu with this tag.
    void run(int tag, QWidget* parent);
    // Runs one definition into the preview; false (the message shown) when it could not.
    bool runReport(const ReportCommand& cmd, int32_t code, const QString& groupName,
                   QWidget* parent);
    // Writes the missing definitions into the report folder; the message when it cannot.
    void writeMissingTemplates(QWidget* parent);

    // Tests replace these: the preview shown (modal by default) and the messages.
    std::function<void(const QString& html, const QString& textHtml, const ReportPageHeader&,
                       QWidget* parent)>
        showPreview;
    std::function<void(const QString& message, QWidget* parent)> showMessage;
    // The choice window before it is shown (tests drive it).
    std::function<void(ReportChoiceDialog&)> beforeChoice;

private:
    void message(const QString& text, QWidget* parent);
    Source src_;
};

// The command runner the shell sets; the nutrients window's "Reporte" uses it.
std::function<void(int tag, QWidget* parent)>& reportCommandRunner();

}  // namespace vexa
