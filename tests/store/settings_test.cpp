// Settings files, the system options and the shared arithmetic helpers.
#include "store/db_def.h"
#include "store/ini_file.h"
#include "store/settings.h"
#include "store/shared_procs.h"
#include "store/workspace.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace vexa {
namespace {

namespace fs = std::filesystem;

struct TempDir {
    fs::path path;
    TempDir() {
        path = fs::temp_directory_path() /
               ("vexa_settings_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

void writeBytes(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

TEST(SettingsIni, WritingKeepsEveryOtherLineAsItWas) {
    const std::string original =
        "; hand-written comment\r\n"
        "[user]\r\n"
        "nombre = Ana\r\n"
        "Extra=keep me\r\n"
        "\r\n"
        "[Otra]\r\n"
        "X=1\r\n";
    auto ini = IniFile::parse(original);
    EXPECT_EQ(ini.readString("User", "NOMBRE"), "Ana");
    ini.writeString("User", "Nombre", "Luis");     // replaced in place
    ini.writeString("User", "Compania", "Acme");   // added at the end of its section
    ini.writeString("Dirs", "VXFPath", "/datos");  // a new section at the end
    EXPECT_EQ(ini.serialize(),
              "; hand-written comment\r\n"
              "[user]\r\n"
              "Nombre=Luis\r\n"
              "Extra=keep me\r\n"
              "Compania=Acme\r\n"
              "\r\n"
              "[Otra]\r\n"
              "X=1\r\n"
              "\r\n"
              "[Dirs]\r\n"
              "VXFPath=/datos\r\n");
}

TEST(SettingsIni, ReadsValuesAndDefaults) {
    auto ini =
        IniFile::parse("[Def]\nVer=1030,04\nPrecio= 12 \nMS=abc\nQ=\"quoted\"\n[Def2]\nX=9\n");
    EXPECT_EQ(ini.readString("def", "ver"), "1030,04");
    EXPECT_EQ(ini.readInt("Def", "Precio", 0), 12);
    EXPECT_EQ(ini.readInt("Def", "MS", -5), -5);       // not a number
    EXPECT_EQ(ini.readInt("Def", "Categoria", 7), 7);  // missing
    EXPECT_EQ(ini.readInt("Def", "X", 0), 0);          // other section
    EXPECT_EQ(ini.readString("Def", "Q"), "quoted");
    EXPECT_FALSE(ini.value("Nope", "X").has_value());
    ini.writeString("Def", "Comentario", "dos\r\nlíneas");
    EXPECT_EQ(ini.readString("Def", "Comentario"), "dos  líneas");
    EXPECT_EQ(ini.readInt("Def", "Precio", 0), 12);
}

// The desktop program runs with the C library's locale taken from the user's session (Qt sets
// it), so the store meets a decimal comma in Spain and a point in Mexico.
class ScopedCLocale {
public:
    explicit ScopedCLocale(const char* name) : before_(std::setlocale(LC_ALL, nullptr)) {
        ok_ = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~ScopedCLocale() { std::setlocale(LC_ALL, before_.c_str()); }
    bool ok() const { return ok_; }

private:
    std::string before_;
    bool ok_ = false;
};

TEST(SettingsLocale, StoredNumbersReadAndWriteTheSameUnderEveryLocale) {
    for (const char* name : {"C", "es_ES.UTF-8", "es_MX.UTF-8"}) {
        SCOPED_TRACE(name);
        ScopedCLocale locale(name);
        ASSERT_TRUE(locale.ok()) << "locale missing: scripts/setup.sh generates it";
        struct Case {
            const char* text;
            int64_t raw;
        };
        for (auto c : {Case{"1030.01", 10300100}, Case{"1030,04", 10300400},
                       Case{" 1030.03 ", 10300300}, Case{"+1030.02", 10300200}, Case{"1.030,04", 0},
                       Case{"1030.0.4", 0}, Case{"abc", 0}, Case{"", 0}})
            EXPECT_EQ(parseVersion(c.text).raw(), c.raw) << c.text;
        EXPECT_EQ(formatVersion(kCurrentVer), "1030.04");

        // DB.def is written with a point and reads back, whoever wrote it.
        TempDir dir;
        TDBDef def;
        def.Nombre = "Granja";
        def.Ver = kCurrentVer;
        def.Precio = 3;
        writeDBDef(dir.path, def);
        EXPECT_EQ(IniFile::load(dbDefPath(dir.path)).readString("Def", "Ver"), "1030.04");
        TDBDef back = readDBDef(dir.path);
        EXPECT_EQ(back.Ver, kCurrentVer);
        EXPECT_EQ(back.Precio, 3);

        // A workspace created here opens here: its version is recognised.
        WorkspaceSettings ws;
        ws.workRoot = dir.path / "Devov";
        ws.vxfPath = dir.path;
        ws.documents = dir.path;
        WorkspaceUi quiet;
        Tdmvxf vxf(ws, quiet);
        const auto file = dir.path / "Granja.vxf";
        vxf.CrearVXF(file);
        vxf.AbrirVXF(file);
        EXPECT_EQ(vxf.OpenStage, kStageOk) << vxf.lastError();
        EXPECT_EQ(vxf.lastUpgradeSteps(), "");
        EXPECT_EQ(vxf.DBDef.Ver, kCurrentVer);
        EXPECT_TRUE(vxf.GuardarVXF());
        EXPECT_TRUE(vxf.CerrarVXF());
    }
}

TEST(SettingsIni, OldCodePageFilesAreReadAndKeptInTheirEncoding) {
    // "Compañía" in Windows-1252 (ñ = F1, í = ED): not valid UTF-8.
    const std::string legacy =
        "[User]\r\nCompania=Compa\xF1\xED"
        "a\r\nGranja=El Pinar\r\n";
    auto ini = IniFile::parse(legacy);
    EXPECT_EQ(ini.encoding(), IniFile::Encoding::Cp1252);
    EXPECT_EQ(ini.readString("User", "Compania"), "Compañía");
    ini.writeString("User", "Granja", "La Peña");
    EXPECT_EQ(ini.serialize(),
              "[User]\r\nCompania=Compa\xF1\xED"
              "a\r\nGranja=La Pe\xF1"
              "a\r\n");
    // A character the old code page lacks turns the file into UTF-8 instead of losing it.
    ini.writeString("User", "Granja", "Ферма");
    EXPECT_EQ(ini.serialize(), "[User]\r\nCompania=Compañía\r\nGranja=Ферма\r\n");
}

TEST(SettingsIni, SaveAndLoadRoundTrip) {
    TempDir dir;
    auto file = dir.path / "DB.def";
    IniFile ini = IniFile::load(file);  // missing file: empty
    EXPECT_FALSE(ini.value("User", "Nombre"));
    ini.writeString("User", "Nombre", "Granja Ñandú");
    ini.save(file);
    EXPECT_EQ(IniFile::load(file).readString("User", "Nombre"), "Granja Ñandú");
    EXPECT_FALSE(fs::exists(dir.path / "DB.def.tmp"));
}

TEST(SettingsOptions, ReadOnlyFlagAndDefaults) {
    TempDir dir;
    auto ini = dir.path / "VEXA.INI";
    auto docs = dir.path / "docs";
    struct Case {
        const char* ro;
        bool readOnly;
    };
    for (auto c : {Case{"7", true}, Case{"8", false}, Case{"", false}, Case{"-3", true}}) {
        writeBytes(ini, std::string("[User]\nNombre=Dra. Pérez\nRO=") + c.ro + "\n");
        auto o = LeerOpciones(ini, docs);
        EXPECT_EQ(o.RO, c.readOnly) << c.ro;
        EXPECT_EQ(o.Nombre, "Dra. Pérez");
    }
    fs::remove(ini);
    auto o = LeerOpciones(ini, docs);  // no file at all
    EXPECT_EQ(fs::path(o.VXFPath), docs / "VXF");
    EXPECT_TRUE(fs::is_directory(docs / "VXF"));
    EXPECT_EQ(fs::path(o.RepPath), docs / "Reportes");
    EXPECT_FALSE(fs::exists(docs / "Reportes"));
    EXPECT_EQ(o.VXFFile, "Vexa30.VXF");
    EXPECT_FALSE(o.RO);
    EXPECT_THROW(LeerOpciones(ini, fs::path()), std::runtime_error);
}

TEST(SettingsOptions, WritingKeepsForeignLinesAndEncodesReadOnlyAsOdd) {
    TempDir dir;
    auto ini = dir.path / "VEXA.INI";
    writeBytes(ini, "[Ventana]\nAncho=800\n[User]\nNombre=x\n");
    VexaSisOpc o;
    o.Nombre = "Ana María";
    o.Compania = std::string(60, 'c');
    o.VXFPath = (dir.path / "vxf").string();
    o.VXFFile = "";
    o.RepPath = (dir.path / "rep").string();
    for (bool ro : {true, false, true}) {
        o.RO = ro;
        GuardarOpciones(ini, o);
        auto file = IniFile::load(ini);
        EXPECT_EQ(std::llabs(file.readInt("User", "RO", -1)) % 2, ro ? 1 : 0);
        EXPECT_EQ(file.readString("Ventana", "Ancho"), "800");
        auto back = LeerOpciones(ini, dir.path);
        EXPECT_EQ(back.RO, ro);
        EXPECT_EQ(back.Nombre, "Ana María");
        EXPECT_EQ(back.Compania, std::string(50, 'c'));  // only the first 50 characters count
        EXPECT_EQ(back.VXFFile, "");                     // chosen "no start-up workspace"
    }
}

TEST(SettingsOptions, FileBesideTheProgramWinsWhenPresent) {
    TempDir dir;
    fs::create_directories(dir.path / "bin");
    fs::create_directories(dir.path / "cfg");
    EXPECT_EQ(settingsFilePath(dir.path / "bin", dir.path / "cfg"), dir.path / "cfg" / "VEXA.INI");
    writeBytes(dir.path / "bin" / "vexa.ini", "");
    EXPECT_EQ(settingsFilePath(dir.path / "bin", dir.path / "cfg"), dir.path / "bin" / "vexa.ini");
    auto f = standardFolders(dir.path);
    EXPECT_EQ(f.workRoot, dir.path / "Devov");
    EXPECT_EQ(f.temp, dir.path / "Temp");
    EXPECT_THROW(standardFolders(fs::path()), std::runtime_error);
}

TEST(SettingsProcs, Redondear) {
    struct Case {
        int digits;
        double x, expected;
    };
    for (auto c :
         {Case{2, 1234.5, 1200}, Case{0, 2.5, 2}, Case{0, 3.5, 4}, Case{-4, 1.23456, 1.2346},
          Case{5, 3.14159, 3.1416}, Case{1, 25, 20}, Case{4, 15000, 20000}, Case{-1, 0.25, 0.2},
          Case{-3, 1.0005, 1.0}, Case{-9, 2.00005, 2.0}}) {
        EXPECT_DOUBLE_EQ(Redondear(c.digits, c.x), c.expected) << c.digits << " " << c.x;
    }
}

TEST(SettingsProcs, GuardedFixedPointArithmetic) {
    auto f = [](double v) { return Fixed4::fromDouble(v); };
    EXPECT_EQ(Porcentaje(f(80), f(20)), f(25));
    EXPECT_EQ(Porcentaje(f(0), f(20)), f(0));
    EXPECT_EQ(Porcentaje(f(3), f(1)), f(33.3333));
    EXPECT_EQ(ParteDe(f(88), f(20)), f(17.6));
    EXPECT_EQ(ParteDe(f(0.00005), f(1)), f(0));  // 0.0000005 rounds to even 0
    EXPECT_EQ(Cociente(f(4), f(1)), f(0.25));
    EXPECT_EQ(Cociente(f(0), f(1)), f(0));
    EXPECT_EQ(Cociente(f(0.0001), f(900000000000000.0)), Fixed4::fromInt(1000000000));
    EXPECT_EQ(Dividir(0.0, 5.0), 0.0);
    EXPECT_EQ(Dividir(1e-300, 1e300), 0.0);  // overflow
    EXPECT_EQ(Dividir(1e300, 1e-300), 0.0);  // underflow
    EXPECT_EQ(Dividir(4.0, 2.0), 0.5);
    EXPECT_EQ(utf8Left("Energía Metabolizable", 7), "Energía");
    EXPECT_EQ(utf8Left("abc", 10), "abc");
}

}  // namespace
}  // namespace vexa
