// Leaving a modified workspace, driven through Qt's own message box as a user would: the
// save question has Sí, No and Cancelar; Escape or closing the question keeps the program
// and the workspace as they were, wherever the question is asked. A later start of the
// program hands its file to the running one.
#include <QDeadlineTimer>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <deque>
#include <fstream>

#include "catalog/qt_dialogs.h"
#include "gui_fixture.h"
#include "shell/application.h"
#include "shell/companions.h"
#include "shell/single_instance.h"
#include "store/sample_workspace.h"
#include "test_paths.h"
#include "vexa_version.h"

namespace vexa::test {

namespace fs = std::filesystem;

namespace {

const char* kSaveQuestion = "¿Desea guardar la base de datos actual?";

// Qt's real message boxes; file choosers answered by the test, errors noted (a real error box
// would wait for a click nobody makes).
class RealQuestions : public QtDialogs {
public:
    std::deque<bool> yesNo;  // yes/no questions answered here; the save question is Qt's
    bool askYesNo(const std::string& text, const std::string& title) override {
        if (yesNo.empty()) return QtDialogs::askYesNo(text, title);
        bool a = yesNo.front();
        yesNo.pop_front();
        return a;
    }
    std::deque<std::optional<std::string>> files;
    std::vector<std::string> errors;
    std::optional<std::string> chooseFile(const FileChoice&) override {
        if (files.empty()) return std::nullopt;
        auto f = files.front();
        files.pop_front();
        return f;
    }
    void showError(const std::string& text) override { errors.push_back(text); }
};

// What a message box showed before the test answered it.
struct SeenBox {
    bool seen = false;
    QString text;
    QStringList buttons;
};

// Waits for the next message box, notes what it shows, then lets `answer` act on it.
void answerNextBox(SeenBox& seen, std::function<void(QMessageBox*)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, &seen, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        seen.seen = true;
        seen.text = box->text();
        for (QAbstractButton* b : box->buttons()) seen.buttons << b->text();
        answer(box);
    });
    timer->start();
}

void pressEscape(QMessageBox* box) {
    QTest::keyClick(box, Qt::Key_Escape);
}
void closeBox(QMessageBox* box) {
    box->close();
}
void clickNo(QMessageBox* box) {
    box->button(QMessageBox::No)->click();
}

void settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

}  // namespace

class LeavingFixture : public ::testing::Test {
protected:
    void SetUp() override {
        docs = fs::path(tmp.path().toStdString()) / "Documentos";
        fs::create_directories(docs);
        setDialogs(&questions);
    }
    void TearDown() override {
        companionLauncher() = [](const QString& p, const QStringList& a) {
            return QProcess::startDetached(p, a);
        };
        if (app) app->shutdown();
        app.reset();
        setDialogs(nullptr);
    }
    // The sample workspace open in the main window, with one ingredient renamed.
    MainWindow& startModified() {
        app = std::make_unique<VexaApp>(AppFolders{docs, docs / "VEXA.INI"});
        app->createSampleIfFirstStart();
        EXPECT_TRUE(app->openStartupWorkspace({}));
        other = fs::path(SisOpc().VXFPath) / "Otra.vxf";
        app->workspace().vxf().CrearVXF(
            other, [](Database& db, TDBDef& def) { fillSampleWorkspace(db, def); });
        MainWindow& w = app->createMainWindow();
        w.show();
        settle();
        original = app->workspace().currentFile();
        app->workspace().database()->exec(
            "UPDATE Ins SET Nombre = 'Maíz renombrado' WHERE Codigo = (SELECT MIN(Codigo) "
            "FROM Ins)");
        app->workspace().setModified();
        return w;
    }

public:
    int renamed() {
        Statement st = app->workspace().database()->prepare(
            "SELECT COUNT(*) FROM Ins WHERE Nombre = 'Maíz renombrado'");
        return st.step() ? st.getInt(0) : -1;
    }

    QTemporaryDir tmp;
    fs::path docs, other;
    int launched = 0;
    std::string original;
    RealQuestions questions;
    std::unique_ptr<VexaApp> app;
};

TEST_F(LeavingFixture, CancelKeepsTheProgramAndTheWorkspaceWhereverTheQuestionIsAsked) {
    struct Case {
        const char* place;
        std::function<void(LeavingFixture&, MainWindow&)> leave;
    };
    const std::vector<Case> places = {
        {"Salir",
         [](LeavingFixture&, MainWindow& w) { w.commands().action("acSalir")->trigger(); }},
        {"cerrar la ventana", [](LeavingFixture&, MainWindow& w) { w.close(); }},
        {"Abrir vxf...",
         [](LeavingFixture& f, MainWindow& w) {
             f.questions.files = {f.other.string()};
             w.commands().action("acAbrir")->trigger();
         }},
        {"Nueva base de datos",
         [](LeavingFixture& f, MainWindow& w) {
             f.questions.files = {(fs::path(SisOpc().VXFPath) / "Nueva.vxf").string()};
             w.commands().action("acNuevo")->trigger();
         }},
        {"Ejecutar Lotexa",
         [](LeavingFixture& f, MainWindow& w) {
             CommandModule& cm = w.commands();
             cm.programFolder = QString::fromStdString(f.docs.string());
             std::ofstream(f.docs / "Lotexa").put('\n');
             fs::permissions(f.docs / "Lotexa", fs::perms::owner_all);
             companionLauncher() = [&f](const QString&, const QStringList&) {
                 ++f.launched;
                 return true;
             };
             f.questions.yesNo = {true};  // "¿Desea terminar la sesión?"
             cm.action("acLotes")->trigger();
         }},
        {"segundo inicio",
         [](LeavingFixture& f, MainWindow& w) {
             w.commands().openHandedOver(QString::fromStdString(f.other.string()));
             settle();
         }},
    };
    const std::vector<std::pair<const char*, void (*)(QMessageBox*)>> answers = {
        {"Escape", pressEscape}, {"cerrar la pregunta", closeBox}};
    for (const Case& c : places) {
        for (const auto& [how, answer] : answers) {
            SCOPED_TRACE(std::string(c.place) + " / " + how);
            MainWindow& w = startModified();
            w.commands().action("acNut")->trigger();
            w.commands().action("acPrec")->trigger();
            settle();
            const auto windowsBefore = w.findChildren<QMdiSubWindow*>().size();
            ASSERT_GT(windowsBefore, 0);
            SeenBox seen;
            answerNextBox(seen, answer);
            c.leave(*this, w);
            settle();
            ASSERT_TRUE(seen.seen);
            EXPECT_EQ(seen.text, kSaveQuestion);
            seen.buttons.sort();
            EXPECT_EQ(seen.buttons, (QStringList{"&No", "&Sí", "Cancelar"}));
            // Nothing happened: same program, same workspace, same unsaved change.
            EXPECT_TRUE(w.isVisible());
            EXPECT_TRUE(app->workspace().connected());
            EXPECT_EQ(app->workspace().currentFile(), original);
            EXPECT_TRUE(app->workspace().modified());
            EXPECT_EQ(w.findChildren<QMdiSubWindow*>().size(), windowsBefore);  // none closed
            EXPECT_EQ(renamed(), 1);
            EXPECT_FALSE(fs::exists(fs::path(SisOpc().VXFPath) / "Nueva.vxf"));
            EXPECT_TRUE(questions.errors.empty());
            EXPECT_EQ(launched, 0);  // nothing started on a cancelled leave
            // Leaving for good still works: No throws the change away.
            answerNextBox(seen, clickNo);
            w.close();
            settle();
            EXPECT_FALSE(w.isVisible());
            EXPECT_FALSE(app->workspace().connected());
            app->shutdown();
            app.reset();
            fs::remove_all(docs);
            fs::create_directories(docs);
        }
    }
}

TEST_F(LeavingFixture, ASecondStartWithAFileHandsItToTheRunningProgram) {
    MainWindow& w = startModified();
    // The running program, listening under a name of its own for this test.
    const QString user = QString("vexa-test-%1").arg(QCoreApplication::applicationPid());
    SingleInstance running(QString("Vexa-%1-%2").arg(kProductVersion, user));
    ASSERT_TRUE(running.claim());
    QObject::connect(&running, &SingleInstance::fileReceived, &w,
                     [&w](const QString& f) { w.commands().openHandedOver(f); });
    QObject::connect(&running, &SingleInstance::requestReceived, &w,
                     [&w](int c) { postRequest(&w, kAppCmdEvent, c, 0); });

    // `vexa Otra.vxf`, started in the workspace folder while Vexa runs.
    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("USER", user);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(QString::fromStdString(other.parent_path().string()));
    SeenBox seen;
    answerNextBox(seen, clickNo);
    second.start(VEXA_GUI_PATH, {"Otra.vxf"});
    ASSERT_TRUE(second.waitForStarted(5000));
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && (second.state() != QProcess::NotRunning ||
                                      app->workspace().currentFile() != other.string())) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(seen.seen);
    EXPECT_EQ(seen.text, kSaveQuestion);
    EXPECT_EQ(app->workspace().currentFile(), other.string());
    EXPECT_EQ(renamed(), 0);  // the other workspace, as it was saved
    settle();
    EXPECT_EQ(w.statusText(2).toStdString(), other.string());
}

TEST(SingleInstanceTest, ALaterStartHandsOverItsFileAsAnAbsolutePath) {
    QTemporaryDir tmp;
    QString name = QString("vexa-file-test-%1").arg(QCoreApplication::applicationPid());
    SingleInstance first(name);
    ASSERT_TRUE(first.claim());
    QSignalSpy files(&first, &SingleInstance::fileReceived);
    QSignalSpy codes(&first, &SingleInstance::requestReceived);
    const QString odd = tmp.filePath("Mi base\nrara ñ.vxf");  // any character a name may hold
    SingleInstance second(name);
    EXPECT_FALSE(second.claim(3, odd));
    QSignalSpy* spies[] = {&files, &codes};
    for (QSignalSpy* s : spies)
        if (s->isEmpty()) s->wait(2000);
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(files.takeFirst().at(0).toString(), odd);
    ASSERT_EQ(codes.size(), 1);
    EXPECT_EQ(codes.takeFirst().at(0).toInt(), 3);
    // A relative name is made absolute where it was given.
    SingleInstance third(name);
    EXPECT_FALSE(third.claim(3, "Granja.vxf"));
    if (files.isEmpty()) files.wait(2000);
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(files.takeFirst().at(0).toString(), QDir::current().absoluteFilePath("Granja.vxf"));
}

}  // namespace vexa::test
