// quorvel-export run into a library as careless and hostile users leave it: an index saved by a
// spreadsheet or edited by hand, files deleted, other programs' and other users' files beside the
// library's, links planted by another user, a run that fails half-way. Nothing of the library is
// lost, nothing of others touched, and the index and the DXF agree.
#include "export/index_csv.h"
#include "export/stud_list.h"
#include "export_run.h"
#include "model/cp1251.h"
#include "model/number_text.h"
#include "model/stud_mass.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <pwd.h>
#include <sys/stat.h>
#include <utility>

namespace {

namespace fs = std::filesystem;

// Another user than root, for what another user leaves in a folder; none when the test does not
// run as root and so cannot act as another user.
std::optional<uid_t> otherUser()
{
    if (::geteuid() != 0) {
        return std::nullopt;
    }
    const passwd* nobody = ::getpwnam("nobody");
    return nobody != nullptr ? std::optional<uid_t>(nobody->pw_uid) : std::nullopt;
}

// A library of ГОСТ 22032-76 from tables cut down to d 2 and 2.5 (50 studs), and runs into it.
class ExportLibrary : public ::testing::Test {
  protected:
    ExportLibrary()
    {
        tableCopy(dir);
        dir.write("data/quorvel_22032-76.dat",
                  "d   b1    P     c\r\n2   2     0.4   0.3\r\n2.5 2.5   0.45  0.3\r\n");
    }

    // ГОСТ 22032-76 unless another standard is given, one worker; as another user when given.
    ProgramRun run(std::vector<std::string> args, std::optional<uid_t> user = std::nullopt) const
    {
        if (std::find(args.begin(), args.end(), "--standard") == args.end()) {
            args.insert(args.end(), {"--standard", "22032-76"});
        }
        args.insert(args.end(), {"--data", dir.file("data"), "--out", out, "--jobs", "1"});
        const std::string errFile = dir.file("stderr.txt");
        return finish(start(EXPORTER_PATH, args, errFile, user), errFile);
    }

    // The index's rows, as fields; a quoted field may hold a line break.
    std::vector<std::vector<std::string>> rows() const
    {
        std::vector<std::string> records;
        std::string record;
        for (const std::string& line : indexLines(out + "/index.csv")) {
            record += (record.empty() ? "" : "\r\n") + line;
            if (std::count(record.begin(), record.end(), '"') % 2 == 0) {
                records.push_back(std::exchange(record, ""));
            }
        }
        EXPECT_FALSE(records.empty());
        std::vector<std::vector<std::string>> fields;
        for (std::size_t i = 1; i < records.size(); ++i) {
            fields.push_back(csvFields(records[i]));
            EXPECT_EQ(fields.back().size(), 14u) << records[i];
            fields.back().resize(14);
        }
        return fields;
    }
    std::set<std::string> column(std::size_t n, const std::string& dxf = "") const
    {
        std::set<std::string> values;
        for (const auto& row : rows()) {
            if (dxf.empty() || row[12] == dxf) {
                values.insert(row[n]);
            }
        }
        return values;
    }
    std::set<std::string> partNames() const { return column(1); }
    // The blocks of a DXF as ezdxf reads them, and the MASS of each block's insert.
    std::set<std::string> blocks(const std::string& dxf = "22032-76.dxf") const
    {
        std::set<std::string> names;
        for (const std::string& line : readBack("dxf", out + "/" + dxf)) {
            if (line.starts_with("block ")) {
                names.insert(line.substr(6));
            }
        }
        return names;
    }
    std::map<std::string, std::string> insertMasses() const
    {
        std::map<std::string, std::string> masses;
        std::string insert;
        for (const std::string& line : readBack("dxf", out + "/22032-76.dxf")) {
            if (line.starts_with("insert ")) {
                insert = line.substr(7, line.find(' ', 7) - 7);
            } else if (line.starts_with("  attrib MASS")) {
                masses[insert] = line.size() > 14 ? line.substr(14) : "";
            }
        }
        return masses;
    }
    // The index and the DXF's blocks agree: a block for each row that lists one, none else.
    void expectRowsAndBlocksAgree(const std::set<std::string>& drawn) const
    {
        std::set<std::string> listed = column(13, "22032-76.dxf");
        listed.erase("");
        EXPECT_EQ(drawn, listed);
    }

    TempDir dir;
    const std::string out = dir.file("lib");
};

} // namespace

// A designer opens index.csv in a spreadsheet and saves it; the next run reads what was saved
// and keeps every row. What it cannot read is refused before anything is written.
TEST_F(ExportLibrary, AnIndexSavedByASpreadsheetKeepsEveryRow)
{
    ASSERT_EQ(run({"--all", "--format", "dxf"}).status, 0);
    const std::set<std::string> all = partNames();
    ASSERT_EQ(all.size(), 50u);
    const std::string written = readAll(out + "/index.csv");
    const struct {
        const char* label;
        std::string saved;
    } forms[] = {
        {"semicolons, as sed s/,/;/g leaves it",
         [&] {
             std::string text = written;
             std::replace(text.begin(), text.end(), ',', ';');
             return text;
         }()},
        {"tabs, LF, no mark", resavedIndex(written, '\t', "\n", false)},
        {"Windows-1251, semicolons, decimal commas",
         utf8ToCp1251(resavedIndex(written, ';', "\r\n", true))},
        {"columns in another order", resavedIndex(written, ',', "\r\n", false, true)},
    };
    for (const auto& form : forms) {
        SCOPED_TRACE(form.label);
        dir.write("lib/index.csv", form.saved);
        const ProgramRun result = run({"--d", "2", "--l", "10", "--format", "dxf"});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(partNames(), all);
        expectRowsAndBlocksAgree(blocks());
    }

    const struct {
        const char* label;
        std::string saved;
        const char* reason;
    } refused[] = {
        {"UTF-16", "\xFF\xFE" + std::string("d\0e\0s\0", 6),
         "it is UTF-16 text; save it as CSV "
         "in UTF-8 or Windows-1251"},
        {"the step column deleted",
         [&] {
             std::string text = written;
             for (std::size_t at = 0; (at = text.find(",22032-76/", at)) != std::string::npos;) {
                 text.erase(at, text.find(',', at + 1) - at);
             }
             return text.replace(text.find(",step"), 5, "");
         }(),
         "it has no column step"},
    };
    for (const auto& form : refused) {
        SCOPED_TRACE(form.label);
        dir.write("lib/index.csv", form.saved);
        const ProgramRun result = run({"--d", "2", "--l", "10", "--format", "dxf"});
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err, "quorvel-export: " + out +
                                  "/index.csv is not an index this program writes (" + form.reason +
                                  "); move it away or write into another folder\n");
        EXPECT_EQ(readAll(out + "/index.csv"), form.saved);
    }
}

// Leftovers of the exporter's own interrupted writes are cleared away; files of other programs
// and other users, and those of standards the run does not write, stay.
TEST_F(ExportLibrary, OnlyTheExportersOwnLeftoversAreRemoved)
{
    ASSERT_EQ(run({"--d", "2", "--l", "10"}).status, 0);
    const std::optional<uid_t> other = otherUser();
    const struct {
        std::string file;
        bool stays;
        bool others = false; // another user's (when the test runs as root)
    } files[] = {
        {"report.odt.tmpA1b2C3", true},
        {"22032-76/notes.txt.tmpABCDEF", true},
        {"22033-76/Шпилька_M12x100_ГОСТ_22033-76.step.tmpQWERTY", true},
        {"22032-76/Шпилька_M2x14_ГОСТ_22032-76.step.tmpYYYYYY", true, true},
        {"index.csv.tmpAb12Cd", false},
        {"22032-76.dxf.tmp4242_17", false},
        {"22032-76/Шпилька_M2x12_ГОСТ_22032-76.step.tmpZZZZZZ", false},
    };
    for (const auto& file : files) {
        if (!file.others || other) {
            dir.write("lib/" + file.file, "x");
        }
        if (file.others && other) {
            ASSERT_EQ(::chown(dir.file("lib/" + file.file).c_str(), *other, *other), 0);
        }
    }
    ASSERT_EQ(run({"--d", "2", "--l", "10"}).status, 0);
    for (const auto& file : files) {
        SCOPED_TRACE(file.file);
        if (!file.others || other) {
            EXPECT_EQ(fs::exists(utf8Path(dir.file("lib/" + file.file))), file.stays);
        }
    }
}

// A run with another --material: the studs it makes have that material's mass, the kept studs'
// blocks keep their rows' mass, so that the DXF's parts-list masses agree with the index.
TEST_F(ExportLibrary, KeptBlocksTakeTheMassOfTheirOwnRows)
{
    ASSERT_EQ(run({"--all", "--format", "dxf"}).status, 0);
    ASSERT_EQ(run({"--d", "2", "--l", "10", "--material", "aluminium", "--format", "dxf"}).status,
              0);
    std::map<std::string, std::string> expected; // block -> MASS of one stud from its row
    for (const auto& row : rows()) {
        expected[row[13]] = pieceMassText(*parseNumber(row[9]));
        EXPECT_EQ(row[10], row[13] == "GOST22032-76_M2x10" ? "aluminium" : "steel");
    }
    EXPECT_EQ(insertMasses(), expected);
    EXPECT_EQ(expected["GOST22032-76_M2x10"], "0,0000836"); // no exponent in a parts list
}

// A free stud of a table size is a stud of its own, beside the table's; d written as 2, 2.0 or
// 02 is one stud.
TEST_F(ExportLibrary, FreeStudsHaveNamesOfTheirOwn)
{
    ASSERT_EQ(run({"--d", "2", "--l", "10"}).status, 0);
    const std::string tableStep = out + "/22032-76/Шпилька_M2x10_ГОСТ_22032-76.step";
    const std::string tableSolid = readAll(tableStep);
    for (const std::string& d :
         std::vector<std::string>{"2", "2.0", "02", "2." + std::string(230, '0')}) {
        SCOPED_TRACE(d);
        const ProgramRun result =
            run({"--free", "--d", d, "--l", "10", "--b", "5", "--b1", "2", "--c", "0.3"});
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(readAll(tableStep), tableSolid);
        EXPECT_EQ(partNames(), (std::set<std::string>{"Шпилька_M2x10_ГОСТ_22032-76",
                                                      "Шпилька_M2x10_b5_b1-2_c0.3_ГОСТ_22032-76"}));
        EXPECT_EQ(filesUnder(out),
                  (std::set<std::string>{
                      "22032-76.dxf", "index.csv", "22032-76/Шпилька_M2x10_ГОСТ_22032-76.step",
                      "22032-76/Шпилька_M2x10_b5_b1-2_c0.3_ГОСТ_22032-76.step"}));
        const std::set<std::string> drawn = blocks();
        EXPECT_EQ(drawn,
                  (std::set<std::string>{"GOST22032-76_M2x10", "GOST22032-76_M2x10_b5_b1-2_c0.3"}));
        expectRowsAndBlocksAgree(drawn);
    }
}

// A designer deletes a stud's STEP file: its row goes, and its block with it, whatever the next
// run writes.
TEST_F(ExportLibrary, ARowGoesWithItsStepFileAndItsBlock)
{
    const struct {
        const char* label;
        std::vector<std::string> args;
    } runs[] = {
        {"a run of STEP alone", {"--d", "2.5", "--l", "10", "--format", "step"}},
        {"a run of another standard", {"--standard", "22033-76", "--d", "12", "--l", "100"}},
    };
    for (const auto& next : runs) {
        SCOPED_TRACE(next.label);
        fs::remove_all(utf8Path(out));
        ASSERT_EQ(run({"--d", "2", "--l", "10"}).status, 0);
        ASSERT_EQ(run({"--d", "2", "--l", "12"}).status, 0);
        fs::remove(utf8Path(out + "/22032-76/Шпилька_M2x12_ГОСТ_22032-76.step"));
        const ProgramRun result = run(next.args);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(partNames().count("Шпилька_M2x12_ГОСТ_22032-76"), 0u);
        const std::set<std::string> drawn = blocks();
        EXPECT_EQ(drawn.count("GOST22032-76_M2x12"), 0u);
        EXPECT_EQ(drawn.count("GOST22032-76_M2x10"), 1u);
        expectRowsAndBlocksAgree(drawn);
    }
}

// Rows edited by hand that give no block are warned of, named with their line; the run goes on.
// A row stays, without its block, when its files are the exporter's; a duplicated row is kept
// once.
TEST_F(ExportLibrary, HandEditedRowsAreWarnedOfAndKeptWhenTheirFilesAreTheExporters)
{
    ASSERT_EQ(run({"--all", "--format", "dxf"}).status, 0);
    dir.write("lib/notes/report.step", "not a stud");
    std::vector<exporter::IndexRow> edited;
    for (auto row : rows()) {
        const std::string name = row[1];
        if (name == "Шпилька_M2x12_ГОСТ_22032-76") {
            row[3] = "1e200";
        } else if (name == "Шпилька_M2x14_ГОСТ_22032-76") {
            row[0] = "Шпилька\r\nМ2×14";
        } else if (name == "Шпилька_M2x16_ГОСТ_22032-76") {
            row[3] = "x";
        } else if (name == "Шпилька_M2x18_ГОСТ_22032-76") {
            row[3] = "1e200";
            row[11] = "notes/report.step";
        }
        edited.push_back({row[0], row[1], row[2], row[3], row[4], row[5], row[6], row[7], row[8],
                          row[9], row[10], row[11], row[12], row[13]});
        if (name == "Шпилька_M2x20_ГОСТ_22032-76") {
            edited.push_back(edited.back());
        }
    }
    dir.write("lib/index.csv", exporter::indexCsv(edited));
    const ProgramRun result = run({"--d", "2.5", "--l", "10", "--format", "dxf"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string index = out + "/index.csv";
    const std::string warning = "quorvel-export: warning: ";
    const std::string kept = "; the row is kept without it\n";
    EXPECT_TRUE(result.err.starts_with(
        warning + index + " lists Шпилька_M2x20_ГОСТ_22032-76 twice (lines 8 and 9); the " +
        "first is kept\n" + warning + index + ", line 6: the row of Шпилька_M2x16_ГОСТ_22032-76 " +
        "gives no block (its sizes make no stud)" + kept + warning + index +
        ", line 4: the row of Шпилька_M2x14_ГОСТ_22032-76 gives no block (the stand-in host " +
        "refused Шпилька_M2x14_ГОСТ_22032-76 (2D): An attribute holds one line)" + kept + warning +
        index + ", line 3: the row of Шпилька_M2x12_ГОСТ_22032-76 gives no block " +
        "(the stand-in host refused Шпилька_M2x12_ГОСТ_22032-76 (2D): Coordinate out of range)" +
        kept + warning + index + ", line 7: the row of Шпилька_M2x18_ГОСТ_22032-76 gives no " +
        "block (the stand-in host refused Шпилька_M2x18_ГОСТ_22032-76 (2D): Coordinate out of " +
        "range); the row is left out, as its files are not this program's\n1 stud, 2 files, "))
        << result.err;

    std::map<std::string, std::vector<std::string>> byName;
    std::size_t count = 0;
    for (const auto& row : rows()) {
        byName[row[1]] = row;
        ++count;
    }
    EXPECT_EQ(count, 49u); // 50, less the row of another's file
    EXPECT_EQ(byName.count("Шпилька_M2x18_ГОСТ_22032-76"), 0u);
    for (const char* name : {"Шпилька_M2x12_ГОСТ_22032-76", "Шпилька_M2x14_ГОСТ_22032-76",
                             "Шпилька_M2x16_ГОСТ_22032-76"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(byName.count(name), 1u);
        EXPECT_EQ(byName[name][12], "");
        EXPECT_EQ(byName[name][13], "");
    }
    EXPECT_EQ(byName["Шпилька_M2x12_ГОСТ_22032-76"][3], "1e200"); // the user's edit stays
    expectRowsAndBlocksAgree(blocks());
    EXPECT_EQ(readAll(out + "/notes/report.step"), "not a stud");
}

// A run that fails leaves the library as it found it: the files it added go, the index stays.
TEST_F(ExportLibrary, AFailedRunLeavesNoFileItsIndexDoesNotList)
{
    ASSERT_EQ(run({"--d", "2", "--l", "10"}).status, 0);
    const std::string index = readAll(out + "/index.csv");
    const std::string blocked = out + "/22032-76/Шпилька_M2x40_ГОСТ_22032-76.step";
    fs::create_directories(utf8Path(blocked)); // the last stud of d 2 cannot be written
    const ProgramRun failed = run({"--all"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err, "quorvel-export: cannot write " + blocked + ": Is a directory\n");
    EXPECT_EQ(filesUnder(out),
              (std::set<std::string>{"22032-76.dxf", "index.csv",
                                     "22032-76/Шпилька_M2x10_ГОСТ_22032-76.step"}));
    EXPECT_EQ(readAll(out + "/index.csv"), index);

    // The index cannot be replaced: in a folder with the sticky bit, another user's index may be
    // read but not renamed over.
    const std::optional<uid_t> other = otherUser();
    if (!other) {
        GTEST_SKIP() << "the index of another user needs root";
    }
    fs::remove_all(utf8Path(out));
    ASSERT_EQ(run({"--all", "--format", "step"}).status, 0);
    ASSERT_EQ(::chmod(out.c_str(), 01777), 0);
    ASSERT_EQ(::chmod((out + "/index.csv").c_str(), 0666), 0);
    const std::string before = readAll(out + "/index.csv");
    const std::set<std::string> files = filesUnder(out);
    const ProgramRun refused = run({"--all", "--format", "dxf"}, other);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
              "quorvel-export: cannot write " + out + "/index.csv: Operation not permitted\n");
    EXPECT_EQ(filesUnder(out), files); // no DXF listed nowhere
    EXPECT_EQ(readAll(out + "/index.csv"), before);
}

// In a folder another user controls, links that user planted are not followed: the run is
// refused, and the running user's folder they point to is left as it was. The running user's own
// links are followed.
TEST_F(ExportLibrary, LinksOfAnotherUserAreNotFollowed)
{
    const std::optional<uid_t> other = otherUser();
    if (!other) {
        GTEST_SKIP() << "links of another user need root";
    }
    const std::string secret = dir.file("secret");
    fs::create_directories(utf8Path(secret));
    ::chmod(secret.c_str(), 0700);
    dir.write("secret/index.csv", exporter::indexCsv({}));
    dir.write("secret/Шпилька_M2x12_ГОСТ_22032-76.step.tmpAAAAAA", "the user's own");
    const std::set<std::string> secrets = filesUnder(secret);
    const struct {
        std::string link; // in the library ("" for the library itself)
        std::string target;
        std::string message;
    } links[] = {
        {"", secret, out + " is a symbolic link of another user"},
        {"22032-76", secret, out + "/22032-76 is a symbolic link of another user"},
        {"index.csv", secret + "/index.csv", out + "/index.csv is a symbolic link of another user"},
        {"22032-76.dxf", secret + "/x.dxf",
         out + "/22032-76.dxf is a symbolic link of another user"},
    };
    for (const auto& link : links) {
        SCOPED_TRACE(link.message);
        fs::remove_all(utf8Path(out));
        const std::string path = link.link.empty() ? out : out + "/" + link.link;
        fs::create_directories(utf8Path(path).parent_path());
        fs::create_symlink(utf8Path(link.target), utf8Path(path));
        ASSERT_EQ(::lchown(path.c_str(), *other, *other), 0);
        const ProgramRun result = run({"--d", "2", "--l", "10"});
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err, "quorvel-export: " + link.message +
                                  "; move it away or write into another folder\n");
        EXPECT_EQ(filesUnder(secret), secrets);
    }

    fs::remove_all(utf8Path(out));
    fs::create_directories(utf8Path(out));
    fs::create_directories(utf8Path(dir.file("elsewhere")));
    fs::create_directory_symlink(utf8Path(dir.file("elsewhere")), utf8Path(out + "/22032-76"));
    ASSERT_EQ(run({"--d", "2", "--l", "10"}).status, 0);
    EXPECT_TRUE(fs::exists(utf8Path(dir.file("elsewhere/Шпилька_M2x10_ГОСТ_22032-76.step"))));
}

// What stops a run at the lock says what the lock is and what to do; another user's lock file
// that can be read locks as well as one's own, and stays theirs.
TEST_F(ExportLibrary, TheLockSaysWhatItIsAndWhatToDo)
{
    const std::string lock = out + "/.quorvel-export.lock";
    const std::string cannotLock =
        "quorvel-export: cannot lock the output folder " + out + ": its lock file " + lock + " ";
    const std::optional<uid_t> other = otherUser();
    const struct {
        const char* label;
        std::function<void()> leave;
        bool asOther; // the run is another user's than the lock file's
        int status;
        std::string err;
    } rows[] = {
        {"a folder", [&] { fs::create_directories(utf8Path(lock)); }, false, 2,
         cannotLock + "is a folder; remove it and run again\n"},
        {"a link", [&] { fs::create_symlink(utf8Path(dir.file("elsewhere")), utf8Path(lock)); },
         false, 2, cannotLock + "is a symbolic link; remove it and run again\n"},
        {"another user's that cannot be read", [&] { dir.write("lib/.quorvel-export.lock", ""); },
         true, 2,
         cannotLock + "cannot be opened (Permission denied); when no export into " + out +
             " runs, remove it and run again\n"},
        {"another user's left by a killed run", [&] { dir.write("lib/.quorvel-export.lock", ""); },
         true, 0, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        if (row.asOther && !other) {
            continue; // needs root
        }
        fs::remove_all(utf8Path(out));
        fs::create_directories(utf8Path(out));
        row.leave();
        if (row.asOther) {
            ::chmod(out.c_str(), 0777);
            ::chmod(lock.c_str(), row.status == 0 ? 0644 : 0600);
        }
        const ProgramRun result =
            run({"--d", "2", "--l", "10", "--format", "dxf"}, row.asOther ? other : std::nullopt);
        EXPECT_EQ(result.status, row.status);
        if (row.status == 0) {
            EXPECT_TRUE(result.err.starts_with("1 stud, 2 files, ")) << result.err;
            EXPECT_TRUE(fs::exists(utf8Path(lock))); // not the run's to remove
        } else {
            EXPECT_EQ(result.err, row.err);
            EXPECT_FALSE(fs::exists(utf8Path(out + "/index.csv")));
        }
    }
}
