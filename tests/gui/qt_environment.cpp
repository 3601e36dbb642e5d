// One QApplication for every GUI test, offscreen unless a display is asked for, with Qt's
// Spanish translations as in the program.
#include <gtest/gtest.h>

#include <QApplication>

#include "catalog/number_field.h"
#include "shell/qt_spanish.h"

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
            qEnvironmentVariableIsEmpty("DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "vexa_gui_tests";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
        // As the program does: Qt's own buttons and dialogs in Spanish.
        vexa::installQtSpanish(*app_);
        vexa::installKeypadDecimal(*app_);
    }
    void TearDown() override { delete app_; }

private:
    QApplication* app_ = nullptr;
};

const auto* env = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
