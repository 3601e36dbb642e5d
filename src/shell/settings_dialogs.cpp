#include "shell/settings_dialogs.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "catalog/dialog_keys.h"
#include "catalog/dialogs.h"
#include "catalog/qt_dialogs.h"
#include "catalog/request_event.h"
#include "shell/settings_logic.h"
#include "shell/workspace_service.h"
#include "store/catalog_queries.h"
#include "store/settings.h"
#include "store/shared_procs.h"
#include "store/tdm.h"

namespace vexa {

namespace {

QDialogButtonBox* okCancel(QDialog* d) {
    auto* b = new QDialogButtonBox(d);
    b->addButton("&Aceptar", QDialogButtonBox::AcceptRole)->setDefault(true);
    b->addButton("Cancelar", QDialogButtonBox::RejectRole);
    QObject::connect(b, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(b, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return b;
}

void fillNutrients(Database& db, QComboBox* box, int tipo, int selected) {
    for (const CodeName& n : nutrientsOfType(db, tipo)) box->addItem(qs(n.name), n.code);
    box->setCurrentIndex(box->findData(selected));
}

// A path box the user fills only through a picker.
QWidget* pickerRow(QWidget* parent, QLineEdit*& edit, const QString& value, FileChoice choice) {
    auto* w = new QWidget(parent);
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    edit = new QLineEdit(value, w);
    edit->setReadOnly(true);
    auto* b = new QToolButton(w);
    b->setText("...");
    QLineEdit* e = edit;
    QObject::connect(b, &QToolButton::clicked, w, [e, choice]() mutable {
        choice.startDir = ss(e->text());
        if (auto f = dialogs().chooseFile(choice)) e->setText(qs(*f));
    });
    h->addWidget(edit, 1);
    h->addWidget(b);
    return w;
}

}  // namespace

PropertiesDialog::PropertiesDialog(WorkspaceService& ws, Tdm& dm, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), ws_(ws), dm_(dm) {
    setWindowTitle("Propiedades de la base de datos");
    auto* v = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);
    v->addWidget(tabs);

    auto* user = new QWidget(tabs);
    auto* uf = new QFormLayout(user);
    title = new QLineEdit(qs(ws.title()), user);
    author = new QLineEdit(qs(ws.author()), user);
    author->setReadOnly(true);
    comment = new QLineEdit(qs(ws.comment()), user);
    for (auto* e : {title, author, comment}) e->setMaxLength(50);
    uf->addRow("&Título de la base de datos", title);
    uf->addRow("&Creador", author);
    uf->addRow("C&omentario", comment);
    tabs->addTab(user, "Usuario");

    WorkspaceProps p = ws.props();
    auto* values = new QWidget(tabs);
    auto* vv = new QVBoxLayout(values);
    auto* priceBox = new QGroupBox("&Precio", values);
    auto* pf = new QFormLayout(priceBox);
    price = new QComboBox(priceBox);
    fillNutrients(dm.db(), price, 1, p.Precio);
    pf->addRow("&Item precio por defecto :", price);
    vv->addWidget(priceBox);
    auto* msBox = new QGroupBox("&Materia seca", values);
    auto* mf = new QVBoxLayout(msBox);
    useDryMatter = new QCheckBox("&Utilizar valores de Materia Seca", msBox);
    useDryMatter->setChecked(p.UsarMS);
    mf->addWidget(useDryMatter);
    dryMatterRow = new QWidget(msBox);
    auto* dr = new QFormLayout(dryMatterRow);
    dr->setContentsMargins(0, 0, 0, 0);
    dryMatter = new QComboBox(dryMatterRow);
    fillNutrients(dm.db(), dryMatter, 2, p.MS);
    dr->addRow("Item materia seca:", dryMatter);
    mf->addWidget(dryMatterRow);
    auto* state = new QGroupBox("Estado de la base de datos", msBox);
    auto* sl = new QVBoxLayout(state);
    fresh = new QRadioButton("En base fresca", state);
    dry = new QRadioButton("En base seca", state);
    (p.EnBaseFresca ? dry : fresh)->setChecked(true);
    sl->addWidget(fresh);
    sl->addWidget(dry);
    mf->addWidget(state);
    progress = new QProgressBar(msBox);
    progress->setValue(0);
    mf->addWidget(progress);
    vv->addWidget(msBox);
    vv->addStretch(1);
    tabs->addTab(values, "Valores");
    connect(useDryMatter, &QCheckBox::toggled, this, &PropertiesDialog::updateDryMatterControls);
    updateDryMatterControls();

    auto* info = new QPlainTextEdit(qs(databaseInfoText(dm.db())), tabs);
    info->setReadOnly(true);
    tabs->addTab(info, "Información");
    QDialogButtonBox* buttons = okCancel(this);
    v->addWidget(buttons);
    if (ws.readOnly()) {
        // Read-only mode: the properties are there to be read, not changed.
        for (QLineEdit* e : {title, comment}) e->setReadOnly(true);
        for (QWidget* w : {static_cast<QWidget*>(price), static_cast<QWidget*>(dryMatter),
                           static_cast<QWidget*>(useDryMatter), fresh->parentWidget()})
            w->setEnabled(false);
    }
    for (QAbstractButton* b : buttons->buttons())
        if (buttons->buttonRole(b) == QDialogButtonBox::AcceptRole) okButton = b;
    okButton->setEnabled(!ws.readOnly());
}

void PropertiesDialog::updateDryMatterControls() {
    bool on = useDryMatter->isChecked();
    dryMatterRow->setVisible(on);
    fresh->parentWidget()->setEnabled(on && !ws_.readOnly());
}

void PropertiesDialog::accept() {
    if (ws_.readOnly()) {
        reject();
        return;
    }
    // Changed properties are kept by the next save; marking the workspace modified makes
    // closing offer that save instead of dropping them.
    const std::string before =
        ws_.title() + '\n' + ws_.comment() + '\n' + std::to_string(ws_.props().Precio) + ' ' +
        std::to_string(ws_.props().MS) + ' ' + std::to_string(ws_.props().UsarMS) + ' ' +
        std::to_string(ws_.props().EnBaseFresca);
    WorkspaceProps p = ws_.props();
    p.Precio = price->currentData().toInt();
    p.MS = dryMatter->currentData().toInt();
    p.UsarMS = useDryMatter->isChecked();
    bool wantDry = dry->isChecked();
    if (p.UsarMS && wantDry != p.EnBaseFresca &&
        dialogs().askYesNo("¿Desea convertir la base de datos?")) {
        try {
            convertBasis(dm_.db(), dm_, p.MS, wantDry, [this](int done, int total) {
                progress->setMaximum(total);
                progress->setValue(done);
            });
        } catch (const std::exception& e) {
            // Nothing was converted: the values and the stated basis stay as they were, and
            // the dialog stays open so the user can cancel or try again.
            progress->setValue(0);
            dialogs().showError(std::string("No se pudo convertir la base de datos: ") + e.what());
            return;
        }
        ws_.setModified();
        dialogs().showInfo("Conversión terminada.");
        progress->setValue(0);
    }
    ws_.setDescription(utf8Left(ss(title->text()), 50), utf8Left(ss(author->text()), 50),
                       utf8Left(ss(comment->text()), 50));
    p.EnBaseFresca = wantDry;
    ws_.setProps(p);
    const std::string after = ws_.title() + '\n' + ws_.comment() + '\n' + std::to_string(p.Precio) +
                              ' ' + std::to_string(p.MS) + ' ' + std::to_string(p.UsarMS) + ' ' +
                              std::to_string(p.EnBaseFresca);
    if (after != before) ws_.setModified();
    requests().postApp(kAppRefreshCaption, 0);
    QDialog::accept();
}

OptionsDialog::OptionsDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Opciones del sistema");
    const VexaSisOpc& o = SisOpc();
    auto* v = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);
    v->addWidget(tabs);
    auto* u = new QWidget(tabs);
    auto* uf = new QFormLayout(u);
    user = new QLineEdit(qs(o.Nombre), u);
    company = new QLineEdit(qs(o.Compania), u);
    farm = new QLineEdit(qs(o.Granja), u);
    for (auto* e : {user, company, farm}) e->setMaxLength(50);
    uf->addRow("&Formulador/Productor", user);
    uf->addRow("&Compañia/Razón Social", company);
    uf->addRow("&Nombre de la Granja/Establo", farm);
    tabs->addTab(u, "Usuario");
    auto* f = new QWidget(tabs);
    auto* ff = new QFormLayout(f);
    FileChoice folder{FileChoice::Mode::Folder, "", "", "", "", ""};
    FileChoice file{FileChoice::Mode::Open,
                    "",
                    "",
                    "Archivos Vexa (*.vxf)|*.vxf|Todos los Archivos (*.*)|*.*",
                    "vxf",
                    ""};
    ff->addRow("&Carpeta por defecto para los archivos de Vexa",
               pickerRow(f, vxfPath, qs(o.VXFPath), folder));
    ff->addRow("&Archivo de Vexa por defecto", pickerRow(f, vxfFile, qs(o.VXFFile), file));
    ff->addRow("Carpeta por defecto para los &Reportes",
               pickerRow(f, repPath, qs(o.RepPath), folder));
    tabs->addTab(f, "Valores");
    auto* op = new QWidget(tabs);
    auto* ol = new QVBoxLayout(op);
    readOnly = new QCheckBox("&Habilitar el modo Sólo Lectura", op);
    readOnly->setChecked(o.RO);
    ol->addWidget(readOnly);
    auto* note = new QLabel(
        "El modo Sólo Lectura no permite ningún tipo de cambio en los datos de las bases de "
        "datos y evita así cambios no autorizados.\nEl cambio se efectuará cuando reinicie la "
        "aplicación.",
        op);
    note->setWordWrap(true);
    ol->addWidget(note);
    ol->addStretch(1);
    tabs->addTab(op, "Opciones");
    v->addWidget(okCancel(this));
    enterMovesFocus(this);
}

void OptionsDialog::accept() {
    VexaSisOpc& o = SisOpc();
    o.Nombre = utf8Left(ss(user->text()), 50);
    o.Compania = utf8Left(ss(company->text()), 50);
    o.Granja = utf8Left(ss(farm->text()), 50);
    o.VXFPath = ss(vxfPath->text());
    o.VXFFile = ss(vxfFile->text());
    o.RepPath = ss(repPath->text());
    o.RO = readOnly->isChecked();
    requests().postApp(kAppRefreshCaption, 0);
    QDialog::accept();
}

bool showSystemOptions(QWidget* parent) {
    OptionsDialog d(parent);
    return d.exec() == QDialog::Accepted;
}

void showDatabaseProperties(WorkspaceService& ws, Tdm& dm, QWidget* parent) {
    PropertiesDialog d(ws, dm, parent);
    d.exec();
}

}  // namespace vexa
