// Numbers as the user types and reads them, in a comma locale (es_ES) and a point locale
// (es_MX); numeric grid columns; searches without accents.
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <clocale>

#include "catalog/ingredients_window.h"
#include "catalog/number_text.h"
#include "catalog/number_box.h"
#include "catalog/nutrients_window.h"
#include "catalog/value_dialogs.h"
#include "catalog/value_windows.h"
#include "workflows/restriction_dialogs.h"
#include "gui_fixture.h"
#include "locale_scope.h"

namespace vexa::test {

TEST(UserNumbers, OneRuleForDecimalAndThousandsSeparatorsInEveryLocale) {
    struct Case {
        const char* locale;
        const char* typed;
        std::optional<double> value;  // nullopt: refused with a message
        bool shownBack = false;       // read with the other separator: shown back at once
    } cases[] = {
        // Spain: "," decimal, "." thousands.
        {"es_ES", "1,85", 1.85},
        {"es_ES", "1.000", 1000},
        {"es_ES", "2.950", 2950},
        {"es_ES", "1.234,5", 1234.5},
        {"es_ES", "1.234.567", 1234567},
        {"es_ES", "1.5", 1.5, true},
        {"es_ES", "0.19", 0.19, true},
        {"es_ES", "0.435", 0.435, true},
        {"es_ES", "12.3456", 12.3456, true},
        {"es_ES", " -2,5 ", -2.5},
        {"es_ES", ",5", 0.5},
        {"es_ES", "12", 12},
        {"es_ES", "1234,5", 1234.5},
        {"es_ES", "1,234.5", {}},
        {"es_ES", "1.2.3", {}},
        {"es_ES", "1,2,3", {}},
        {"es_ES", "1.23,4.5", {}},
        {"es_ES", "1,85 kg", {}},
        {"es_ES", "", {}},
        {"es_ES", "-", {}},
        // Mexico: "." decimal, "," thousands.
        {"es_MX", "1.85", 1.85},
        {"es_MX", "1,000", 1000},
        {"es_MX", "1,234.5", 1234.5},
        {"es_MX", "1,234,567", 1234567},
        {"es_MX", "1,85", 1.85, true},
        {"es_MX", "0,1900", 0.19, true},
        {"es_MX", "1.234,5", {}},
        {"es_MX", "1.2.3", {}},
        // C: as Mexico.
        {"C", "1,000", 1000},
        {"C", "0.5", 0.5},
        {"C", "0,5", 0.5, true},
        {"C", "1.234,5", {}},
        // A locale that groups with a space: "1.234" reads two ways.
        {"fr_FR", "1.234", {}},
        {"fr_FR", "1.5", 1.5, true},
        {"fr_FR", "1 234,5", 1234.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.locale) + " \"" + c.typed + "\"");
        UserNumber n = parseUserNumber(c.typed, QLocale(c.locale));
        if (c.value) {
            ASSERT_TRUE(n.value) << n.error;
            EXPECT_DOUBLE_EQ(*n.value, *c.value);
            EXPECT_EQ(n.reinterpreted, c.shownBack);
        } else {
            EXPECT_FALSE(n.value);
            EXPECT_FALSE(n.error.empty());
        }
    }
    // Two readings are both shown; the other convention's form is shown as it would read.
    EXPECT_NE(parseUserNumber("1.234", QLocale("fr_FR")).error.find("1,234 o como 1234"),
              std::string::npos);
    EXPECT_NE(parseUserNumber("1,234.5", QLocale("es_ES")).error.find("1234,5"), std::string::npos);
    EXPECT_EQ(formatUserNumber(0.19, 4, QLocale("es_ES")), "0,1900");
    EXPECT_EQ(formatUserNumber(0.19, 4, QLocale("es_MX")), "0.1900");
    EXPECT_EQ(formatUserNumber(1234.5, 4, QLocale("es_ES")), "1234,5000");
}

class PriceEntry : public CatalogFixture {
protected:
    void SetUp() override {
        CatalogFixture::SetUp();
        dm->AgregarNutriente("Precio", "$/kg", 1, 1, 0);
        dm->AgregarInsumo("Maíz", "0", 0);
        db.exec("INSERT INTO Val VALUES (1, 1, 2)");
        def.Precio = 1;
    }
    double price() {
        Statement st = db.prepare("SELECT Valor FROM Val WHERE Ins = 1 AND Nut = 1");
        return st.step() ? st.getDouble(0) : -1;
    }
    // "&Precios", "E&ditar": types into the value dialog, Tab, then "&Aceptar". Returns what
    // the field showed after Tab.
    std::string editPrice(const QString& typed, bool thenCancel = false) {
        NutrientValuesWindow w(db, *dm, sink);
        w.selectItem(-1);
        w.show();
        QString shown;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<ValueDialog*>(QApplication::activeModalWidget());
            if (!d) return;
            QApplication::setActiveWindow(d);
            EXPECT_TRUE(QTest::qWaitForWindowActive(d));
            d->value->setFocus();
            d->value->selectAll();
            QTest::keyClicks(d->value, typed);
            QTest::keyClick(d->value, Qt::Key_Tab);
            shown = d->value->text();
            d->accept();
            if (d->isVisible() && thenCancel) d->reject();
        });
        w.action("DataSetEdit1")->trigger();
        grid = w.model()->displayText(0, 1).toStdString();
        alignment = w.model()->data(w.model()->index(0, 1), Qt::TextAlignmentRole).toInt();
        w.close();
        return shown.toStdString();
    }
    std::string grid;
    int alignment = 0;
};

TEST_F(PriceEntry, TypedNumbersFollowTheLocaleAndAreShownBackAsUnderstood) {
    struct Case {
        const char* locale;
        const char* typed;
        double stored;
        const char* shown;
    } cases[] = {
        {"es_ES", "1,85", 1.85, "1,8500"},     {"es_ES", "0.19", 0.19, "0,1900"},
        {"es_ES", "2.950", 2950, "2950,0000"}, {"es_ES", "1.234,5", 1234.5, "1234,5000"},
        {"es_MX", "1,85", 1.85, "1.8500"},     {"es_MX", "0.19", 0.19, "0.1900"},
        {"es_MX", "1,000", 1000, "1000.0000"},
    };
    for (const Case& c : cases) {
        LocaleScope scope(c.locale);
        EXPECT_EQ(editPrice(c.typed), c.shown) << c.locale << " " << c.typed;
        EXPECT_DOUBLE_EQ(price(), c.stored) << c.locale << " " << c.typed;
        EXPECT_EQ(grid, c.shown) << c.locale;  // the leading zero stays
        EXPECT_TRUE(alignment & Qt::AlignRight);
    }
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(PriceEntry, TheOtherConventionIsRefusedWithAMessage) {
    struct Case {
        const char* locale;
        const char* typed;
    } cases[] = {{"es_ES", "1,234.5"}, {"es_MX", "1.234,5"}};
    for (const Case& c : cases) {
        LocaleScope scope(c.locale);
        db.exec("UPDATE Val SET Valor = 2");
        size_t told = dialogs.errors.size();
        EXPECT_EQ(editPrice(c.typed, true), QLocale().toString(2.0, 'f', 4).toStdString())
            << c.locale;
        EXPECT_DOUBLE_EQ(price(), 2) << c.locale;
        ASSERT_GT(dialogs.errors.size(), told) << c.locale;
        EXPECT_NE(dialogs.errors.back().find(std::string("\"") + c.typed + "\""), std::string::npos)
            << dialogs.errors.back();
    }
}

// The keypad's decimal key types the locale's separator, whatever the keyboard layout sends.
TEST(KeypadDecimal, TypesTheLocalesDecimalSeparator) {
    for (const char* locale : {"es_ES", "es_MX"}) {
        LocaleScope scope(locale);
        QLineEdit edit;
        NumberBox box;
        for (QWidget* w : {static_cast<QWidget*>(&edit), static_cast<QWidget*>(&box)}) {
            QTest::keyClick(w, Qt::Key_1);
            for (auto [key, text] : {std::pair{Qt::Key_Period, "."}, {Qt::Key_Comma, ","}}) {
                QKeyEvent press(QEvent::KeyPress, key, Qt::KeypadModifier, text);
                QApplication::sendEvent(w, &press);
            }
        }
        const QString dec(QLocale().decimalPoint());
        EXPECT_EQ(edit.text(), "1" + dec + dec) << locale;
    }
}

using Grids = CatalogFixture;

TEST_F(Grids, NumericColumnsAreRightAlignedAndSortAsNumbers) {
    seed();
    db.exec(
        "UPDATE Ins SET Redondeo = '-1' WHERE Nombre = 'Maíz';"
        "UPDATE Ins SET Redondeo = '-3' WHERE Nombre = 'Soya';"
        "UPDATE Ins SET Redondeo = '2' WHERE Nombre = 'Trigo';"
        "DELETE FROM Val WHERE Ins = 2 AND Nut = 1;");
    IngredientsWindow w(db, *dm, sink);
    auto column = [&](int c) {
        std::vector<std::string> out;
        for (int r = 0; r < w.model()->rowCount(); ++r)
            out.push_back(w.model()->displayText(r, c).toStdString());
        return out;
    };
    auto align = [&](int c) {
        return w.model()->data(w.model()->index(0, c), Qt::TextAlignmentRole).toInt();
    };
    EXPECT_FALSE(align(0) & Qt::AlignRight);  // names
    EXPECT_TRUE(align(1) & Qt::AlignRight);   // "Redondeo"
    EXPECT_TRUE(align(2) & Qt::AlignRight);   // "Nutrientes"
    w.grid()->horizontalHeader()->sectionClicked(1);
    EXPECT_EQ(column(1), (std::vector<std::string>{"-3", "-1", "2"}));  // as text: -1, -3, 2
    w.grid()->horizontalHeader()->sectionClicked(2);
    EXPECT_EQ(column(2), (std::vector<std::string>{"1", "2", "2"}));
    EXPECT_EQ(column(0)[0], "Soya");
    w.close();
}

TEST_F(Grids, SearchIgnoresAccentsAndCase) {
    seed();
    dm->AgregarNutriente("Fósforo", "%", 3, 0, 0);
    dm->AgregarInsumo("Ácido cítrico", "0", 0);
    NutrientsWindow n(db, *dm, sink);
    dialogs.texts = {std::string("fosforo")};
    n.action("acBuscar")->trigger();
    EXPECT_EQ(n.nutrients().text("Nombre"), "Fósforo");
    IngredientsWindow i(db, *dm, sink);
    i.ingredients().last();
    dialogs.texts = {std::string("ACIDO")};
    i.action("acBuscar")->trigger();
    EXPECT_EQ(i.ingredients().text("NOMBRE"), "Ácido cítrico");
    EXPECT_TRUE(dialogs.infos.empty());
    n.close();
    i.close();
}

// Numbers the store keeps as text read the same whatever the C library's locale (the
// desktop program takes it from the environment).
TEST(StoredNumbers, ReadTheSameInADecimalCommaLocale) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    ASSERT_NE(std::setlocale(LC_NUMERIC, "es_ES.UTF-8"), nullptr) << "es_ES.UTF-8 not generated";
    EXPECT_DOUBLE_EQ(toNumber(SqlValue{std::string("0.19")}), 0.19);
    EXPECT_DOUBLE_EQ(toNumber(SqlValue{std::string(" -3")}), -3.0);
    EXPECT_DOUBLE_EQ(toNumber(SqlValue{std::string("abc")}, 7.0), 7.0);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

// The line-edit fields (nutrient limits, ratio terms): the same reading, and a number read
// with the other separator is shown back in the locale's form when the user leaves it.
TEST(NumberLineEdits, ReadAsTheNumberBoxesAndShowBackWhatWasUnderstood) {
    struct Case {
        const char* locale;
        const char* typed;
        std::optional<double> value;
        const char* shown;  // after the user leaves the field
    } cases[] = {
        {"es_ES", "2.950", 2950, "2.950"},       {"es_ES", "1.5", 1.5, "1,5000"},
        {"es_ES", "1.234,5", 1234.5, "1.234,5"}, {"es_MX", "1,000", 1000, "1,000"},
        {"es_MX", "0,5", 0.5, "0.5000"},         {"es_ES", "1,234.5", {}, "1,234.5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.locale) + " " + c.typed);
        LocaleScope scope(c.locale);
        NutrientRestrictionDialog d("Energía", 0.0, std::nullopt, nullptr);
        d.minEdit->setText(c.typed);
        emit d.minEdit->editingFinished();
        EXPECT_EQ(d.minEdit->text().toStdString(), c.shown);
        if (c.value) {
            ASSERT_TRUE(d.minimum());
            EXPECT_DOUBLE_EQ(*d.minimum(), *c.value);
        } else {
            EXPECT_FALSE(d.minimum());
        }
    }
}

}  // namespace vexa::test
