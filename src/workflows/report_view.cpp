#include "workflows/report_view.h"

#include "engine/utf8.h"
#include "store/file_target.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontDialog>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <stdexcept>

#include "catalog/dialogs.h"
#include "reports/default_program.h"

namespace vexa {

namespace {

constexpr int kDefaultPointSize = 10;

QColor toQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

bool endsWithTxt(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (auto& ch : tail) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return tail == ".txt";
}

// RTF text of one run: control characters escaped, everything beyond ASCII as \uN?.
void appendRtfText(std::string& out, const QString& text) {
    for (QChar ch : text) {
        char16_t u = ch.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u == 0x2028 || u == 0x2029) {
            out += "\\line ";
        } else if (u < 0x80) {
            out += static_cast<char>(u);
        } else {
            out += "\\u" + std::to_string(static_cast<int16_t>(u)) + "?";
        }
    }
}

}  // namespace

// The writers' document: the lines kept in memory, shown in the view when a report is
// complete (outermost EndUpdate) or, for writes outside an update, once control returns to
// the event loop.
class ReportView::ViewDocument : public MemoryReportDocument {
public:
    explicit ViewDocument(ReportView* view) : view_(view) {}
    void AppendLine(std::string_view text) override {
        MemoryReportDocument::AppendLine(text);
        changed();
    }
    void AppendSelected(std::string_view text) override {
        MemoryReportDocument::AppendSelected(text);
        changed();
    }
    void SetSelectionColor(Rgb color) override {
        MemoryReportDocument::SetSelectionColor(color);
        changed();
    }
    void SetSelectionSize(int pointSize) override {
        MemoryReportDocument::SetSelectionSize(pointSize);
        changed();
    }
    void SetSelectionFont(std::string_view font) override {
        MemoryReportDocument::SetSelectionFont(font);
        changed();
    }
    void EndUpdate() override {
        MemoryReportDocument::EndUpdate();
        if (updateDepth() == 0 && dirty) view_->render();
    }
    void Clear() override {
        MemoryReportDocument::Clear();
        changed();
    }
    void flush() {
        if (dirty) view_->render();
    }
    bool dirty = false;

private:
    void changed() {
        if (dirty) return;
        dirty = true;
        if (updateDepth() == 0) QTimer::singleShot(0, view_, [this] { flush(); });
    }
    ReportView* view_;
};

ReportView::ReportView(QWidget* parent) : QTextEdit(parent), doc_(new ViewDocument(this)) {
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setLineWrapMode(QTextEdit::NoWrap);
    setAcceptRichText(false);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(kDefaultPointSize);
    QTextEdit::document()->setDefaultFont(fixed);
}

ReportView::~ReportView() {
    delete doc_;
}

ReportDocument& ReportView::document() {
    return *doc_;
}

void ReportView::render() {
    doc_->dirty = false;
    QTextDocument* qdoc = QTextEdit::document();
    qdoc->clear();
    QTextCursor cursor(qdoc);
    cursor.beginEditBlock();
    const QFont base = qdoc->defaultFont();
    bool first = true;
    for (const ReportLine& line : doc_->Lines()) {
        QTextCharFormat fmt;
        QFont font = base;
        if (!line.font.empty()) font.setFamily(QString::fromStdString(line.font));
        font.setPointSize(line.pointSize > 0 ? line.pointSize : base.pointSize());
        fmt.setFont(font);
        fmt.setForeground(toQColor(line.color));
        if (!first) cursor.insertBlock(QTextBlockFormat(), fmt);
        first = false;
        cursor.setBlockCharFormat(fmt);
        cursor.insertText(QString::fromStdString(line.text), fmt);
    }
    cursor.endEditBlock();
    moveCursor(QTextCursor::Start);
}

std::string ReportView::reportText() const {
    doc_->flush();
    if (doc_->Lines().empty()) return {};
    return withoutControlCharacters((toPlainText() + "\n").toStdString());
}

void ReportView::applyFontToSelection(const QFont& font) {
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection()) return;
    QTextCharFormat fmt;
    fmt.setFont(font);
    cursor.mergeCharFormat(fmt);
}

void ReportView::chooseFontForSelection() {
    doc_->flush();
    bool ok = false;
    QFont font = QFontDialog::getFont(&ok, textCursor().charFormat().font(), this, "Font");
    if (ok) applyFontToSelection(font);
}

void ReportView::printTo(QPrinter& printer) const {
    doc_->flush();
    // Half an inch in from each edge of the page, as the printed reports always had.
    printer.setPageMargins(QMarginsF(12.7, 12.7, 12.7, 12.7), QPageLayout::Millimeter);
    QTextEdit::document()->print(&printer);
}

void ReportView::printWithDialog() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    printTo(printer);
}

void ReportView::printPreview() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* p) { printTo(*p); });
    preview.exec();
}

std::string ReportView::toRtf() const {
    doc_->flush();
    const QTextDocument* qdoc = QTextEdit::document();
    // Font table first: every family used, in order of first use.
    std::vector<QString> fonts;
    auto fontIndex = [&fonts](const QString& family) {
        for (size_t i = 0; i < fonts.size(); ++i)
            if (fonts[i] == family) return static_cast<int>(i);
        fonts.push_back(family);
        return static_cast<int>(fonts.size() - 1);
    };
    std::vector<QColor> colors;
    auto colorIndex = [&colors](const QColor& c) {
        for (size_t i = 0; i < colors.size(); ++i)
            if (colors[i] == c) return static_cast<int>(i) + 1;
        colors.push_back(c);
        return static_cast<int>(colors.size());
    };
    std::string body;
    for (QTextBlock block = qdoc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QTextFragment frag = it.fragment();
            if (!frag.isValid()) continue;
            QTextCharFormat fmt = frag.charFormat();
            QFont font = fmt.font();
            QColor color = fmt.foreground().color();
            int size = font.pointSize() > 0 ? font.pointSize() : kDefaultPointSize;
            body += "{\\f" + std::to_string(fontIndex(font.family())) + "\\fs" +
                    std::to_string(size * 2) + "\\cf" + std::to_string(colorIndex(color));
            if (font.bold()) body += "\\b";
            if (font.italic()) body += "\\i";
            body += ' ';
            appendRtfText(body, frag.text());
            body += '}';
        }
        if (block.next().isValid()) body += "\\par\n";
    }
    std::string out = "{\\rtf1\\ansi\\deff0{\\fonttbl";
    for (size_t i = 0; i < fonts.size(); ++i) {
        out += "{\\f" + std::to_string(i) + "\\fmodern ";
        appendRtfText(out, fonts[i]);
        out += ";}";
    }
    out += "}{\\colortbl;";
    for (const QColor& c : colors)
        out += "\\red" + std::to_string(c.red()) + "\\green" + std::to_string(c.green()) +
               "\\blue" + std::to_string(c.blue()) + ";";
    out += "}\n" + body + "\\par\n}\n";
    return out;
}

void ReportView::saveTo(const std::string& path) const {
    std::string content = endsWithTxt(path) ? reportText() : toRtf();
    // Written beside the file and put in its place once complete (a full disk must not leave
    // a report that was there before cut short); a link is followed and kept, a device
    // written through.
    if (std::string cause = writeWholeFile(path, content); !cause.empty())
        throw std::runtime_error("No se pudo escribir el archivo " + path + ": " + cause);
}

bool ReportView::saveWithDialog(const std::string& reportsFolder) {
    FileChoice choice;
    choice.mode = FileChoice::Mode::Save;
    choice.title = "Guardar reporte en archivo";
    choice.startDir = reportsFolder;
    choice.filter =
        "Formato de Texto Enriquecido|*.rtf|Formato de Texto|*.txt|Todos los archivos|*.*";
    choice.defaultExt = "rtf";
    auto path = dialogs().chooseFile(choice);
    if (!path || path->empty()) return false;
    try {
        saveTo(*path);
    } catch (const std::exception& e) {
        dialogs().showError(e.what());
        return false;
    }
    if (dialogs().askYesNo("¿Desea abrir el reporte?")) {
        if (!openWithDefaultProgram(QUrl::fromLocalFile(QString::fromStdString(*path))))
            dialogs().showError("No hay un programa para abrir el archivo " + *path + ".");
    }
    return true;
}

}  // namespace vexa
