#!/usr/bin/env python3
"""Writes the hostile seed files of the signal_file and config_file targets.

Usage: fuzz/tools/make_hostile_seeds.py [CORPUS_FOLDER]   (default fuzz/corpus)

Each seed is a database a crafted or damaged file could be: side-file
leftovers (a file in write-ahead-log mode, a file another program was writing
when it stopped), computed columns, views, triggers, virtual tables, a column
named like the row id, tables without row ids, control characters and long
texts. The files are small, so the fuzzer mutates them quickly.
"""
import os
import shutil
import sqlite3
import sys
import tempfile

SIGNAL_TABLES = (
    "CREATE TABLE Config (Instrument TEXT, Type TEXT);"
    "CREATE TABLE Parameters (Gain TEXT, Coupling TEXT, TimeBase TEXT, Name TEXT,"
    " Description TEXT, Comment TEXT, Date TEXT);"
)
SIGNAL_ROWS = (
    "INSERT INTO Config VALUES ('OrvaScope.exe', 'Signal');"
    "INSERT INTO Parameters VALUES ('1V/div', 'DC', '1ms/Div', 'n', 'd', 'c', '1/1/2026');"
)
SAMPLES = ("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 63)"
           " SELECT (i % 16) * 0.1 FROM n")
CONFIG_FIELDS = ("CouplingChannel1, CouplingChannel2, Channel1Active, Channel2Active, GainChannel1,"
                 " GainChannel2, TimeBase, Mode, CoordChannel1, CoordChannel2, Slope, TriggerChannel,"
                 " AverageChannel1, AverageChannel2, ModeXY, YChannel1, YChannel2")
CONFIG_ROW = "1, 1, -1, -1, 4, 4, 9, 2, 0, 0, 0, 1, 2, 2, 0, 0, 0"
CONFIG_HEAD = ("CREATE TABLE Config (Instrument TEXT, Type TEXT, Model TEXT);"
               "INSERT INTO Config VALUES ('OrvaScope.exe', 'Instruments', '/usr/bin/OrvaScope.exe');")
ESCAPES = "'OrvaScope' || char(27) || '[2J' || char(7) || char(10) || 'line two' || char(13)"
EXPENSIVE = "instr(printf('%.*c', 1000000, 'a'), 'b')"


def signal(data_sql, rows=SIGNAL_ROWS, fill=True):
    sql = SIGNAL_TABLES + data_sql + rows
    if fill:
        sql += "INSERT INTO Data (Value) " + SAMPLES + ";"
    return sql


SIGNAL_SEEDS = {
    "generated-column.mdb": signal(
        "CREATE TABLE Data (Value FLOAT, Slow GENERATED ALWAYS AS (" + EXPENSIVE + ") VIRTUAL);"),
    "stored-generated-column.mdb": signal(
        "CREATE TABLE Data (Value FLOAT, Twice FLOAT GENERATED ALWAYS AS (Value * 2) STORED);"),
    "view-data.mdb": signal("CREATE TABLE Samples (Value FLOAT);"
                            "CREATE VIEW Data AS SELECT Value FROM Samples;", fill=False)
    + "INSERT INTO Samples " + SAMPLES + ";",
    "trigger-on-data.mdb": signal("CREATE TABLE Data (Value FLOAT);")
    + "CREATE TRIGGER t AFTER INSERT ON Data BEGIN DELETE FROM Config; END;",
    "virtual-data.mdb": signal("CREATE VIRTUAL TABLE Data USING fts4(Value);", fill=False),
    "rowid-column.mdb": signal("CREATE TABLE Data (Value FLOAT, rowid INTEGER);", fill=False)
    + "INSERT INTO Data SELECT column1, 100 - column1 * 10 FROM (VALUES (0.1), (0.2), (0.3));",
    "without-rowid.mdb": signal("CREATE TABLE Data (Value FLOAT, k INTEGER PRIMARY KEY) WITHOUT ROWID;",
                                fill=False) + "INSERT INTO Data VALUES (0.3, 1), (0.2, 2), (0.1, 3);",
    "escape-texts.mdb": SIGNAL_TABLES + "CREATE TABLE Data (Value FLOAT);"
    + "INSERT INTO Config VALUES (" + ESCAPES + ", 'Signal');"
    + "INSERT INTO Parameters VALUES ('1V/div', 'DC', '1ms/Div', " + ESCAPES + ", '', '', '');",
    "nul-in-blob.mdb": SIGNAL_TABLES + "CREATE TABLE Data (Value FLOAT);"
    + "INSERT INTO Config VALUES (X'4f72766100' || X'1b5b324a', 'Signal');",
    "huge-texts.mdb": signal("CREATE TABLE Data (Value FLOAT);",
                             rows="INSERT INTO Config VALUES ('OrvaScope.exe', 'Signal');"
                             "INSERT INTO Parameters VALUES (printf('%.*c', 20000, 'g'), 'DC', '1ms/Div',"
                             " printf('%.*c', 20000, char(27)), '', '', '');"),
}

CONFIG_SEEDS = {
    "generated-column.mdb": CONFIG_HEAD + "CREATE TABLE Parameters (" + CONFIG_FIELDS
    + ", Slow GENERATED ALWAYS AS (" + EXPENSIVE + ") VIRTUAL);"
    + "INSERT INTO Parameters (" + CONFIG_FIELDS + ") VALUES (" + CONFIG_ROW + ");",
    "view-config.mdb": "CREATE VIEW Config AS SELECT 'OrvaScope.exe' AS Instrument, 'Instruments' AS Type;"
    + "CREATE TABLE Parameters (" + CONFIG_FIELDS + ");"
    + "INSERT INTO Parameters VALUES (" + CONFIG_ROW + ");",
    "trigger-on-parameters.mdb": CONFIG_HEAD + "CREATE TABLE Parameters (" + CONFIG_FIELDS + ");"
    + "INSERT INTO Parameters VALUES (" + CONFIG_ROW + ");"
    + "CREATE TRIGGER t AFTER UPDATE ON Parameters BEGIN DELETE FROM Config; END;",
    "escape-texts.mdb": "CREATE TABLE Config (Instrument TEXT, Type TEXT, Model TEXT);"
    + "INSERT INTO Config VALUES (" + ESCAPES + ", 'Instruments', '');"
    + "CREATE TABLE Parameters (" + CONFIG_FIELDS + ");"
    + "INSERT INTO Parameters VALUES (" + CONFIG_ROW + ");",
    "text-values.mdb": CONFIG_HEAD + "CREATE TABLE Parameters (" + CONFIG_FIELDS + ");"
    + "INSERT INTO Parameters VALUES (" + CONFIG_ROW.replace("4, 4", "char(27) || '[31m', printf('%.*c', 20000, 'x')")
    + ");",
}


def write(path, sql, wal=False):
    if os.path.exists(path):
        os.remove(path)
    con = sqlite3.connect(path)
    if wal:
        con.execute("PRAGMA journal_mode = WAL")
    con.executescript(sql)
    con.commit()
    con.close()  # the last connection checkpoints the log and removes it


def interrupted(path, sql, update):
    """The file as another program left it when it stopped in the middle of a
    large transaction: pages of the change already written to the file, the
    rollback journal (not kept) holding the old ones."""
    write(path, sql)
    con = sqlite3.connect(path, isolation_level=None)
    con.execute("PRAGMA cache_size = 1")  # spill changed pages to the file before the commit
    con.execute("BEGIN")
    con.execute(update)
    copy = path + ".copy"
    shutil.copyfile(path, copy)
    con.execute("ROLLBACK")
    con.close()
    os.replace(copy, path)


def main():
    corpus = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "corpus")
    sig = os.path.join(corpus, "signal_file")
    cfg = os.path.join(corpus, "config_file")
    for name, sql in SIGNAL_SEEDS.items():
        write(os.path.join(sig, name), sql)
    for name, sql in CONFIG_SEEDS.items():
        write(os.path.join(cfg, name), sql)
    plain_signal = signal("CREATE TABLE Data (Value FLOAT);")
    write(os.path.join(sig, "wal-mode.mdb"), plain_signal, wal=True)
    plain_config = CONFIG_HEAD + "CREATE TABLE Parameters (" + CONFIG_FIELDS + ");" \
        + "INSERT INTO Parameters VALUES (" + CONFIG_ROW + ");"
    write(os.path.join(cfg, "wal-mode.mdb"), plain_config, wal=True)
    big_signal = signal("CREATE TABLE Data (Value FLOAT, Pad TEXT);", fill=False) \
        + "INSERT INTO Data WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 299)" \
        " SELECT (i % 16) * 0.1, printf('%.*c', 40, 'p') FROM n;"
    interrupted(os.path.join(sig, "interrupted-write.mdb"), big_signal,
                "UPDATE Data SET Value = -Value, Pad = upper(Pad)")

if __name__ == "__main__":
    main()
