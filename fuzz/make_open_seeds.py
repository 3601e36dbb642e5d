#!/usr/bin/env python3
"""Seeds for the open-path fuzzer: small workspace databases (512-byte pages), sound and
hostile. Each seed is one byte of mode (see fuzz/open_fuzzer.cpp) and a database file.
    fuzz/make_open_seeds.py OUTPUT_FOLDER
"""
import os
import sqlite3
import sys
import tempfile

SCHEMA = """
CREATE TABLE Val (Ins INTEGER, Nut INTEGER, Valor FLOAT, PRIMARY KEY (Ins, Nut));
CREATE INDEX Val_Nut ON Val (Nut);
CREATE TABLE Ins (Codigo INTEGER PRIMARY KEY AUTOINCREMENT, Nombre VARCHAR(25) COLLATE NOCASE, Redondeo VARCHAR(2) COLLATE NOCASE, ItId INTEGER);
CREATE INDEX Ins_Nombre ON Ins (Nombre);
CREATE TABLE Nut (Codigo INTEGER PRIMARY KEY AUTOINCREMENT, Nombre VARCHAR(25) COLLATE NOCASE, Unidad VARCHAR(12) COLLATE NOCASE, ItId INTEGER, Tipo INTEGER, Orden INTEGER);
CREATE INDEX Nut_Nombre ON Nut (Nombre);
CREATE INDEX Nut_Orden ON Nut (Orden);
CREATE TABLE LR (Codigo INTEGER PRIMARY KEY AUTOINCREMENT, Nombre VARCHAR(40) COLLATE NOCASE, Cat INTEGER, MS INTEGER, Precio INTEGER, Cons FLOAT, TCO SMALLINT, DefMS SMALLINT, DefPx SMALLINT, DefCon SMALLINT, Ultima TIMESTAMP, Valor FLOAT);
CREATE INDEX LR_Cat ON LR (Cat);
CREATE INDEX LR_Nombre ON LR (Nombre);
CREATE INDEX LR_CatNom ON LR (Cat, Nombre);
CREATE TABLE Cat (Codigo INTEGER PRIMARY KEY AUTOINCREMENT, Nombre VARCHAR(25) COLLATE NOCASE, MS INTEGER, Precio INTEGER, Cons FLOAT, TCO SMALLINT, EnMS SMALLINT, UsaCon SMALLINT, UsaRel SMALLINT);
CREATE INDEX Cat_Nombre ON Cat (Nombre);
CREATE TABLE RRN (LR INTEGER NOT NULL, Codigo INTEGER NOT NULL, MinN1 FLOAT NOT NULL, MinN2 FLOAT, MaxN1 FLOAT, MaxN2 FLOAT, PRIMARY KEY (LR, Codigo));
CREATE TABLE RIn (LR INTEGER NOT NULL, CNI INTEGER NOT NULL, Min FLOAT, Max FLOAT, Resul MONEY, PRIMARY KEY (LR, CNI));
CREATE TABLE RNu (LR INTEGER NOT NULL, CNI INTEGER NOT NULL, Min FLOAT, Max FLOAT, Resul MONEY, PRIMARY KEY (LR, CNI));
CREATE TABLE Rel (Codigo INTEGER PRIMARY KEY AUTOINCREMENT, Nombre VARCHAR(25) COLLATE NOCASE, Nut1 INTEGER NOT NULL, Nut2 INTEGER NOT NULL);
CREATE INDEX Rel_Nombre ON Rel (Nombre);
CREATE TABLE EN (Cat INTEGER, CNI INTEGER);
CREATE TABLE MM (Codigo INTEGER PRIMARY KEY AUTOINCREMENT, Nombre VARCHAR(30) COLLATE NOCASE, Cat INTEGER, EnMS INTEGER, MS INTEGER);
CREATE INDEX MM_PorCat ON MM (Cat);
CREATE INDEX MM_Nombre ON MM (Nombre);
CREATE INDEX MM_CatNom ON MM (Cat, Nombre);
CREATE TABLE MMI (CMM INTEGER, CIns INTEGER, Valor FLOAT, Red SMALLINT, DefRed BOOLEAN, Perc MONEY, MS MONEY, PRIMARY KEY (CMM, CIns));
CREATE INDEX MMI_PorValor ON MMI (Valor DESC, CMM DESC);
CREATE TABLE EI (Cat INTEGER, CNI INTEGER);
CREATE TABLE TN (Codigo INTEGER, Tipo VARCHAR(12) COLLATE NOCASE, PRIMARY KEY (Codigo));
CREATE TABLE TI (Codigo INTEGER PRIMARY KEY AUTOINCREMENT, Nombre VARCHAR(15) COLLATE NOCASE);
CREATE INDEX TI_Nombre ON TI (Nombre);
CREATE TABLE RCI (LR INTEGER NOT NULL, Ins INTEGER NOT NULL, Min FLOAT, Max FLOAT, TCO BOOLEAN NOT NULL, PRIMARY KEY (LR, Ins));
CREATE TABLE ER (Cat INTEGER, Cod INTEGER, PRIMARY KEY (Cat, Cod));
CREATE TABLE DETDIE (Die INTEGER, Ins INTEGER, Valor FLOAT, PRIMARY KEY (Die, Ins));
CREATE TABLE DIETAS (Codigo INTEGER PRIMARY KEY AUTOINCREMENT, Nombre VARCHAR(30) COLLATE NOCASE, Fecha DATE, Cant FLOAT, LoteId INTEGER);
CREATE INDEX DIETAS_Nombre ON DIETAS (Nombre);
CREATE INDEX DIETAS_LoteId ON DIETAS (LoteId);
CREATE TABLE LOTES (Codigo INTEGER PRIMARY KEY AUTOINCREMENT, Nombre VARCHAR(30) COLLATE NOCASE, Precio INTEGER, Fecha DATE);
CREATE INDEX LOTES_Nombre ON LOTES (Nombre);
"""

FORMULA = """
INSERT INTO TN VALUES (0, 'Nutriente'); INSERT INTO TN VALUES (1, 'Precio');
INSERT INTO TN VALUES (2, 'Materia Seca');
INSERT INTO Nut (Nombre, Unidad, Tipo, Orden, ItId) VALUES ('Costo', '$/Kg', 1, 1, 0);
INSERT INTO Nut (Nombre, Unidad, Tipo, Orden, ItId) VALUES ('Proteína', '%', 0, 2, 0);
INSERT INTO Nut (Nombre, Unidad, Tipo, Orden, ItId) VALUES ('MS', '%', 2, 3, 0);
INSERT INTO Ins (Nombre, Redondeo, ItId) VALUES ('Maíz', '1', 1);
INSERT INTO Ins (Nombre, Redondeo, ItId) VALUES ('Soya', '1', 1);
INSERT INTO Val VALUES (1, 1, 0.19); INSERT INTO Val VALUES (1, 2, 9);
INSERT INTO Val VALUES (2, 1, 0.39); INSERT INTO Val VALUES (2, 2, 48);
INSERT INTO Val VALUES (1, 3, 88); INSERT INTO Val VALUES (2, 3, 90);
INSERT INTO Cat (Nombre, Precio, MS) VALUES ('Pollos', 1, 3);
INSERT INTO EN VALUES (1, 2); INSERT INTO EN VALUES (1, 3); INSERT INTO EI VALUES (1, 1);
INSERT INTO LR (Nombre, Cat, Cons, MS, Precio) VALUES ('Inicio', 1, 100, 3, 1);
INSERT INTO RIn (LR, CNI, Min, Max) VALUES (1, 1, 10, 90);
INSERT INTO RIn (LR, CNI) VALUES (1, 2);
INSERT INTO RNu (LR, CNI, Min, Max) VALUES (1, 2, 20, 24);
INSERT INTO LOTES (Nombre, Fecha) VALUES ('Genérico', '2026-01-02');
"""

# name, mode byte (bit 0: 0 = database; bits 2-3: layout 0 = 1030.04 ... 3 = 1030.01), SQL
VARIANTS = [
    ("sound", 0, ""),
    ("trigger", 0, "CREATE TRIGGER t AFTER UPDATE ON LR BEGIN DELETE FROM Ins; DELETE FROM Val; END;"),
    ("trigger-rollback", 0,
     "CREATE TRIGGER r BEFORE UPDATE ON RIn BEGIN SELECT RAISE(ROLLBACK, 'no'); END;"),
    ("recursive-view", 0, "CREATE VIEW v AS WITH RECURSIVE c(x) AS "
     "(SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT x FROM c;"),
    ("blob-view", 0, "CREATE VIEW b AS SELECT zeroblob(900000000) AS z;"),
    ("view-as-table", 0, "DROP TABLE TI; CREATE VIEW TI AS SELECT 1 AS Codigo, 'x' AS Nombre;"),
    ("index-as-table", 0, "DROP TABLE ER; CREATE INDEX ER ON Ins (Nombre);"),
    ("virtual-table", 0, "CREATE VIRTUAL TABLE f USING rtree(id, a, b);"),
    ("check-refuses", 0, "DROP TABLE RNu; CREATE TABLE RNu (LR INTEGER NOT NULL, "
     "CNI INTEGER NOT NULL, Min FLOAT, Max FLOAT, Resul MONEY CHECK (Resul IS NULL), "
     "PRIMARY KEY (LR, CNI)); INSERT INTO RNu (LR, CNI, Min) VALUES (1, 2, 20);"),
    ("expression-index", 0, "CREATE INDEX e ON Ins (length(Nombre) * 2, upper(Nombre));"),
    ("generated-column", 0, "CREATE TABLE g (a, b AS (a * 2));"),
    ("latin1-names", 0, "UPDATE Ins SET Nombre = CAST(X'4D61ED7A' AS TEXT) WHERE Codigo = 1;"
     "UPDATE Nut SET Nombre = CAST(X'50726F7465ED6E61' AS TEXT) WHERE Codigo = 2;"),
    ("no-results-column", 0, "ALTER TABLE RIn DROP COLUMN Resul;"),
    ("old-layout-half", 12, "ALTER TABLE LR DROP COLUMN Ultima; ALTER TABLE LR DROP COLUMN Valor;"
     "ALTER TABLE RIn DROP COLUMN Resul; DROP INDEX LR_CatNom;"),
    ("old-layout-1030-03", 4, "ALTER TABLE MMI DROP COLUMN Perc; ALTER TABLE MMI DROP COLUMN MS;"
     "ALTER TABLE RIn DROP COLUMN Resul; ALTER TABLE RNu DROP COLUMN Resul;"),
    ("wrong-types", 0, "UPDATE RIn SET Min = 'mucho', Max = X'00FF'; UPDATE LR SET Cons = 1e308;"
     "UPDATE Val SET Valor = -9e300 WHERE Ins = 2;"),
    ("statistics", 0, "ANALYZE; DELETE FROM sqlite_stat1; INSERT INTO sqlite_stat1 VALUES "
     "('Val', 'Val_Nut', '1000000000 1');"),
    ("without-rowid", 0, "CREATE TABLE w (k PRIMARY KEY, v) WITHOUT ROWID; "
     "INSERT INTO w VALUES (1, zeroblob(2000));"),
]


def build(path, extra):
    con = sqlite3.connect(path)
    con.execute("PRAGMA page_size = 512")
    con.executescript(SCHEMA + FORMULA)
    con.executescript(extra)
    con.commit()
    con.isolation_level = None
    con.execute("VACUUM")
    con.close()


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, mode, extra in VARIANTS:
        with tempfile.TemporaryDirectory() as tmp:
            db = os.path.join(tmp, "vexa.sqlite")
            build(db, extra)
            with open(db, "rb") as f:
                data = f.read()
        with open(os.path.join(out, "db-" + name), "wb") as f:
            f.write(bytes([mode]) + data)
    # Workspace files as they stand (mode 1): the container fuzzer's seeds.
    seeds = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
    for name in sorted(os.listdir(seeds)):
        with open(os.path.join(seeds, name), "rb") as f:
            data = f.read()
        with open(os.path.join(out, "vxf-" + name), "wb") as f:
            f.write(bytes([1]) + data[1:])


if __name__ == "__main__":
    main()
