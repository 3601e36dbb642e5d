#pragma once
// The results pane: an engine report document shown as fixed-pitch, selectable, read-only rich
// text with the colours, sizes and fonts its writers set. The formula editor, the manual mix and
// the batch report all show their reports through it.
#include <QTextEdit>

#include "engine/report_document.h"

class QFont;
class QPrinter;

namespace vexa {

class ReportView : public QTextEdit {
    Q_OBJECT
public:
    explicit ReportView(QWidget* parent = nullptr);
    ~ReportView() override;

    // What the report writers append to; the view shows it once each report is complete.
    ReportDocument& document();
    // The shown text, lines joined with "\n" and a final "\n" (as the command-line program
    // writes the same report).
    std::string reportText() const;

    // The font the user picked, on the selected text only ("&Font").
    void applyFontToSelection(const QFont& font);
    // Asks for a font in the font dialog and applies it to the selection.
    void chooseFontForSelection();

    // Print dialog, then the whole document on the chosen printer.
    void printWithDialog();
    // Preview of the pages, printable from there.
    void printPreview();
    // Lays the document out on the printer's pages, with half-inch margins.
    void printTo(QPrinter& printer) const;

    // Asks for a file ("Guardar reporte en archivo") and writes the report, rich text or plain
    // text by the extension; then offers to open it. `reportsFolder` is where the chooser starts.
    // Returns false when nothing was written (cancelled or failed; a failure was shown).
    bool saveWithDialog(const std::string& reportsFolder);
    // Writes the report to `path`: rich text (RTF) unless the name ends in ".txt". Throws
    // std::runtime_error with the cause when the file cannot be written.
    void saveTo(const std::string& path) const;
    // The document as RTF, with each run's font, size and colour.
    std::string toRtf() const;

private:
    class ViewDocument;
    void render();
    ViewDocument* doc_;
};

}  // namespace vexa
