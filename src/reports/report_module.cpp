#include "reports/report_module.h"

#include <QDate>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include "reports/staged_file.h"
#include <QToolBar>
#include <QVBoxLayout>

namespace vexa {

std::function<void(int, QWidget*)>& reportCommandRunner() {
    static std::function<void(int, QWidget*)> r;
    return r;
}

// ---- choice window

ReportChoiceDialog::ReportChoiceDialog(QWidget* parent) : QDialog(parent) {
    auto* lay = new QVBoxLayout(this);
    label_ = new QLabel(this);
    search_ = new QLineEdit(this);
    label_->setBuddy(search_);
    list_ = new QListWidget(this);
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("Ver Reporte"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Cancelar"), this);
    ok->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    lay->addWidget(label_);
    lay->addWidget(search_);
    lay->addWidget(list_);
    lay->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &ReportChoiceDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &ReportChoiceDialog::accept);
    connect(search_, &QLineEdit::textEdited, this, [this](const QString& t) {
        for (int i = 0; i < list_->count(); ++i)
            if (list_->item(i)->text().startsWith(t, Qt::CaseSensitive)) {
                list_->setCurrentRow(i);
                return;
            }
    });
    resize(360, 420);
}

void ReportChoiceDialog::setKind(ReportItem kind) {
    switch (kind) {
        case ReportItem::Ingredient:
            setWindowTitle(QStringLiteral("Listado de insumos"));
            label_->setText(QStringLiteral("Insumo"));
            break;
        case ReportItem::Nutrient:
            setWindowTitle(QStringLiteral("Listado de nutrientes"));
            label_->setText(QStringLiteral("Nutriente"));
            break;
        case ReportItem::Group:
            setWindowTitle(QStringLiteral("Listado de grupos"));
            label_->setText(QStringLiteral("Grupo"));
            break;
        default:
            setWindowTitle(QStringLiteral("Listado de fórmulas"));
            label_->setText(QStringLiteral("Fórmulas"));
            break;
    }
}

void ReportChoiceDialog::setItems(const std::vector<ReportChoice>& items) {
    items_ = items;
    list_->clear();
    for (const ReportChoice& c : items_) list_->addItem(QString::fromStdString(c.name));
    if (!items_.empty()) list_->setCurrentRow(0);
    search_->clear();
}

void ReportChoiceDialog::accept() {
    const int row = list_->currentRow();
    // An empty list runs the report with no item.
    chosen_ = row >= 0 && row < int(items_.size()) ? items_[size_t(row)].code : 0;
    QDialog::accept();
}

// ---- preview

ReportPreview::ReportPreview(const QString& html, const QString& textHtml,
                             const ReportPageHeader& header, QWidget* parent)
    : QDialog(parent), html_(html), textHtml_(textHtml), header_(header) {
    setWindowTitle(QStringLiteral("Vista preliminar del reporte"));
    printer_ = new QPrinter(QPrinter::HighResolution);
    printer_->setPageSize(QPageSize(defaultReportPaper()));
    printer_->setPageMargins(QMarginsF(15, 12, 15, 15), QPageLayout::Millimeter);
    printer_->setDocName(QStringLiteral("Impresión de reporte"));
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QToolBar(this);
    bar->addAction(QStringLiteral("&Imprimir..."), this, &ReportPreview::print);
    bar->addAction(QStringLiteral("&Configurar impresora..."), this, &ReportPreview::printerSetup);
    bar->addAction(QStringLiteral("&Guardar..."), this, &ReportPreview::save);
    bar->addSeparator();
    bar->addAction(QStringLiteral("Acercar"), this, [this] { view_->zoomIn(); });
    bar->addAction(QStringLiteral("Alejar"), this, [this] { view_->zoomOut(); });
    bar->addAction(QStringLiteral("100 %"), this, [this] { view_->setZoomFactor(1.0); });
    bar->addSeparator();
    bar->addAction(QStringLiteral("Ce&rrar"), this, &QDialog::accept);
    lay->addWidget(bar);
    view_ = new QPrintPreviewWidget(printer_, this);
    lay->addWidget(view_);
    connect(view_, &QPrintPreviewWidget::paintRequested, this,
            [this](QPrinter* p) { generate(*p); });
    view_->setZoomMode(QPrintPreviewWidget::CustomZoom);
    view_->setZoomFactor(1.0);
    // Maximised; the screen's size as well, for desktops that leave the state to no one.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    setWindowState(Qt::WindowMaximized);
}

int ReportPreview::generate(QPagedPaintDevice& device) {
    // "Estado del reporte" comes up only when the pages take a while.
    QProgressDialog status(QString(), QString(), 0, 0, this);
    status.setWindowTitle(QStringLiteral("Estado del reporte"));
    status.setMinimumDuration(700);
    return paintReport(device, html_, header_, [&status](int page, int pages) {
        status.setMaximum(pages);
        status.setValue(page - 1);
        status.setLabelText(QStringLiteral("Generando la página %p")
                                .replace(QLatin1String("%p"), QString::number(page)));
        return true;
    });
}

void ReportPreview::print() {
    QPrintDialog d(printer_, this);
    d.setOption(QAbstractPrintDialog::PrintCollateCopies);
    if (d.exec() != QDialog::Accepted) return;
    printer_->setDocName(QStringLiteral("Impresión de reporte"));
    QProgressDialog status(QString(), QStringLiteral("&Cancelar"), 0, 0, this);
    status.setWindowTitle(QStringLiteral("Estado del reporte"));
    status.setMinimumDuration(500);
    const int n = paintReport(*printer_, html_, header_, [&status](int page, int pages) {
        status.setMaximum(pages);
        status.setValue(page - 1);
        status.setLabelText(QStringLiteral("Imprimiendo página %p")
                                .replace(QLatin1String("%p"), QString::number(page)));
        return !status.wasCanceled();
    });
    if (n < 0 && !status.wasCanceled())
        QMessageBox::critical(this, windowTitle(),
                              QStringLiteral("No se pudo imprimir el reporte."));
}

void ReportPreview::printerSetup() {
    QPageSetupDialog d(printer_, this);
    if (d.exec() == QDialog::Accepted) view_->updatePreview();
}

bool ReportPreview::saveTo(const QString& file, QString* error) const {
    const QString ext = file.section(QLatin1Char('.'), -1).toLower();
    if (ext == QLatin1String("pdf"))
        return writeReportPdf(html_, header_,
                              printer_->pageLayout().pageSize().id() == QPageSize::Letter
                                  ? QPageSize::Letter
                                  : QPageSize::A4,
                              file, error);
    const std::string page = textHtml_.toStdString();
    const QByteArray bytes = ext == QLatin1String("txt")
                                 ? QByteArray::fromStdString(reportHtmlToText(page))
                                 : textHtml_.toUtf8();
    const std::string cause = writeWholeFile(file, bytes);
    if (!cause.empty()) {
        if (error)
            *error = QStringLiteral("No se pudo escribir el reporte en %1: %2")
                         .arg(file, QString::fromStdString(cause));
        return false;
    }
    return true;
}

void ReportPreview::save() {
    QString filter;
    QString file = QFileDialog::getSaveFileName(
        this, QStringLiteral("Guardar reporte"), QString(),
        QStringLiteral("Adobe Acrobat (PDF) (*.pdf);;Texto Plano (*.TXT) (*.txt);;"
                       "Página Web (*.HTML) (*.html *.htm)"),
        &filter);
    if (file.isEmpty()) return;
    if (!file.contains(QLatin1Char('.'))) {
        if (filter.startsWith(QLatin1String("Adobe")))
            file += QLatin1String(".pdf");
        else if (filter.startsWith(QLatin1String("Texto")))
            file += QLatin1String(".txt");
        else
            file += QLatin1String(".html");
    }
    QString error;
    if (!saveTo(file, &error)) QMessageBox::critical(this, windowTitle(), error);
}

// ---- module

void ReportModule::message(const QString& text, QWidget* parent) {
    if (showMessage)
        showMessage(text, parent);
    else
        QMessageBox::critical(parent, QStringLiteral("Vexa"), text);
}

void ReportModule::writeMissingTemplates(QWidget* parent) {
    const QString folder = src_.folder ? src_.folder() : QString();
    if (folder.isEmpty()) return;
    try {
        writeMissingReportTemplates(folder.toStdString());
    } catch (const std::exception& e) {
        message(QString::fromUtf8(e.what()), parent);
    }
}

bool ReportModule::runReport(const ReportCommand& cmd, int32_t code, const QString& groupName,
                             QWidget* parent) {
    Database* db = src_.db ? src_.db() : nullptr;
    if (!db) return false;
    const TDBDef def = src_.def();
    const QString user = src_.user ? src_.user() : QString();
    const QString folder = src_.folder ? src_.folder() : QString();
    const QLocale loc;
    const QString date = loc.toString(QDate::currentDate(), QLocale::ShortFormat);
    const char point = loc.decimalPoint().isEmpty() ? '.' : loc.decimalPoint().at(0).toLatin1();
    QString html, textHtml;
    try {
        if (!folder.isEmpty()) writeMissingReportTemplates(folder.toStdString());
        ReportData data =
            loadReportData(*db, def, cmd, code, user.toStdString(), groupName.toStdString());
        html = QString::fromStdString(
            fillReport(folder.toStdString(), data, point ? point : '.', date.toStdString()));
        data.fileHeader = true;
        textHtml = QString::fromStdString(
            fillReport(folder.toStdString(), data, point ? point : '.', date.toStdString()));
    } catch (const std::exception& e) {
        message(QString::fromUtf8(e.what()), parent);
        return false;
    }
    ReportPageHeader header{QString::fromStdString(def.Nombre), QString::fromUtf8(cmd.caption),
                            user, date};
    if (showPreview) {
        showPreview(html, textHtml, header, parent);
    } else {
        ReportPreview preview(html, textHtml, header, parent);
        preview.exec();
    }
    return true;
}

void ReportModule::run(int tag, QWidget* parent) {
    const ReportCommand* cmd = reportCommandByTag(tag);
    Database* db = src_.db ? src_.db() : nullptr;
    if (!cmd || !db) return;
    switch (cmd->item) {
        case ReportItem::All:
        case ReportItem::Price:
        case ReportItem::DryMatter:
            runReport(*cmd, 0, QString(), parent);
            return;
        default:
            break;
    }
    const ReportItem first = cmd->item == ReportItem::Formula ? ReportItem::Group : cmd->item;
    const auto items = reportChoices(*db, first);
    if (items.empty()) {
        message(QString::fromUtf8(kNoHayItems), parent);
        return;
    }
    ReportChoiceDialog dlg(parent);
    dlg.setKind(first);
    dlg.setItems(items);
    QString groupName;
    if (cmd->item == ReportItem::Formula) {
        if (beforeChoice) beforeChoice(dlg);
        if (dlg.exec() != QDialog::Accepted) return;
        const int32_t group = dlg.chosenCode();
        dlg.setKind(ReportItem::Formula);
        dlg.setItems(reportChoices(*db, ReportItem::Formula, group));
        groupName = QString::fromStdString(groupNameOf(*db, group));
    }
    for (;;) {
        if (beforeChoice) beforeChoice(dlg);
        if (dlg.exec() != QDialog::Accepted) return;
        if (!runReport(*cmd, dlg.chosenCode(), groupName, parent)) return;
    }
}

}  // namespace vexa
