#include "catalog/qt_dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>

namespace vexa {

namespace {
QWidget* owner(QWidget* parent) {
    return parent ? parent : QApplication::activeWindow();
}
}  // namespace

bool QtDialogs::askYesNo(const std::string& text, const std::string& title) {
    return QMessageBox::question(owner(parent_), qs(title), qs(text),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

Dialogs::Answer QtDialogs::askYesNoCancel(const std::string& text, const std::string& title) {
    // With a Cancel button the box makes it the answer of Escape and of closing the box.
    switch (QMessageBox::question(owner(parent_), qs(title), qs(text),
                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                  QMessageBox::Yes)) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

int QtDialogs::askChoice(const std::string& text, const std::string& title,
                         const std::vector<std::string>& buttons) {
    if (buttons.empty()) return -1;
    QMessageBox box(QMessageBox::Question, qs(title), qs(text), QMessageBox::NoButton,
                    owner(parent_));
    std::vector<QPushButton*> added;
    for (size_t i = 0; i < buttons.size(); ++i) {
        const bool last = i + 1 == buttons.size();
        added.push_back(box.addButton(qs(buttons[i]), i == 0 ? QMessageBox::AcceptRole
                                                      : last ? QMessageBox::RejectRole
                                                             : QMessageBox::ActionRole));
    }
    box.setDefaultButton(added.front());
    box.setEscapeButton(added.back());
    box.exec();
    for (size_t i = 0; i < added.size(); ++i)
        if (box.clickedButton() == added[i]) return int(i);
    return int(added.size()) - 1;
}

void QtDialogs::showError(const std::string& text) {
    QMessageBox::critical(owner(parent_), QApplication::applicationName(), qs(text));
}

void QtDialogs::showInfo(const std::string& text) {
    QMessageBox::information(owner(parent_), QApplication::applicationName(), qs(text));
}

std::optional<std::string> QtDialogs::askText(const std::string& title, const std::string& prompt,
                                              const std::string& initial) {
    bool ok = false;
    QString answer = QInputDialog::getText(owner(parent_), qs(title), qs(prompt), QLineEdit::Normal,
                                           qs(initial), &ok);
    if (!ok) return std::nullopt;
    return ss(answer);
}

QString QtDialogs::qtFilter(const std::string& filter) {
    QStringList parts = qs(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString desc = parts[i];
        QString pattern = parts[i + 1];
        pattern.replace(';', ' ');
        // Descriptions already showing their pattern keep it once.
        if (desc.contains('(')) desc = desc.left(desc.indexOf('(')).trimmed();
        out << QString("%1 (%2)").arg(desc, pattern);
    }
    return out.join(";;");
}

std::optional<std::string> QtDialogs::chooseFile(const FileChoice& c) {
    QFileDialog dlg(owner(parent_), qs(c.title), qs(c.startDir), qtFilter(c.filter));
    switch (c.mode) {
        case FileChoice::Mode::Open:
            dlg.setAcceptMode(QFileDialog::AcceptOpen);
            dlg.setFileMode(QFileDialog::ExistingFile);
            break;
        case FileChoice::Mode::Save:
            dlg.setAcceptMode(QFileDialog::AcceptSave);
            dlg.setFileMode(QFileDialog::AnyFile);
            break;
        case FileChoice::Mode::Folder:
            dlg.setFileMode(QFileDialog::Directory);
            dlg.setOption(QFileDialog::ShowDirsOnly);
            break;
    }
    if (!c.defaultExt.empty()) dlg.setDefaultSuffix(qs(c.defaultExt));
    if (!c.fileName.empty()) dlg.selectFile(qs(c.fileName));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    return ss(dlg.selectedFiles().first());
}

std::optional<SearchRequest> QtDialogs::askSearch(const std::string& title,
                                                  const std::vector<std::string>& fields) {
    QDialog dlg(owner(parent_));
    dlg.setWindowTitle(qs(title));
    auto* form = new QFormLayout(&dlg);
    auto* text = new QLineEdit(&dlg);
    text->setMinimumWidth(260);
    form->addRow("&Buscar:", text);
    auto* field = new QComboBox(&dlg);
    field->addItem("Todos los campos");
    for (const std::string& f : fields) field->addItem(qs(f));
    // One field leaves nothing to choose.
    if (fields.size() > 1)
        form->addRow("&Campo:", field);
    else
        field->hide();
    auto* buttons = new QDialogButtonBox(&dlg);
    buttons->addButton("&Aceptar", QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton("Cancelar", QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    form->addRow(buttons);
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    return SearchRequest{ss(text->text()), field->currentIndex() - 1};
}

}  // namespace vexa
