// quorvel-export: the designations it builds from the tables, and the program itself run as a
// user runs it, its files read back by readers it does not share code with (gmsh for STEP,
// ezdxf for DXF, Open CASCADE's own STEP reader for the solid's validity).
#include "export/stud_list.h"
#include "export_run.h"
#include "model/cp1251.h"
#include "step_contents.h"
#include "step_gmsh.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <pty.h>
#include <set>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// The exporter with its standard error on a terminal of its own, as a person runs it from a
// shell: all it wrote there, "\n" arriving as "\r\n".
ProgramRun runOnTerminal(const std::vector<std::string>& args)
{
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid == 0) {
        ::dup2(::open("/dev/null", O_WRONLY), 1);
        std::vector<char*> argv{const_cast<char*>(EXPORTER_PATH)};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(EXPORTER_PATH, argv.data());
        ::_exit(127);
    }
    std::string output;
    char buffer[4096];
    for (ssize_t got; (got = ::read(terminal, buffer, sizeof buffer)) > 0;) {
        output.append(buffer, static_cast<std::size_t>(got));
    } // read fails (EIO) once the program has ended and its terminal is gone
    ::close(terminal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), output};
}

// The catalogue's bytes with line n (from 0) replaced.
std::string catalogueWithLine(std::size_t n, const std::string& text)
{
    std::string bytes = readAll(std::string(DATA_BASE) + ".dat");
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        start = bytes.find('\n', start) + 1;
    }
    return bytes.replace(start, bytes.find('\r', start) - start, text);
}

} // namespace

TEST(ExportDesignation, FormsFromTheTables)
{
    const struct {
        const char* standard;
        const char* d;
        const char* L;
        std::optional<std::string> propertyClass;
        double overallLength; // what the drawing gets; the designation keeps the listed L
        const char* designation;
    } rows[] = {
        {"22032-76", "12", "100", std::nullopt, 112, "Шпилька М12×100 ГОСТ 22032-76"},
        {"22032-76", "2.5", "16", std::nullopt, 18.5, "Шпилька М2,5×16 ГОСТ 22032-76"},
        {"22032-76", "16", "120", "10.9", 136, "Шпилька М16-6g×120.109 ГОСТ 22032-76"},
        {"22036-76", "16", "120", "5.8", 145, "Шпилька М16-6g×120.58 ГОСТ 22036-76"},
        {"22042-76", "12", "100", std::nullopt, 100, "Шпилька М12×100 ГОСТ 22042-76"},
        {"22043-76", "2.5", "16", "8.8", 16, "Шпилька М2,5-6g×16.88 ГОСТ 22043-76"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.designation);
        exporter::StudRequest request;
        request.d = row.d;
        request.L = row.L;
        const auto studs =
            exporter::readStuds(DATA_BASE, *exporter::standardIndexOf(row.standard), request);
        ASSERT_EQ(studs.size(), 1u);
        const exporter::Stud& stud = studs.front();
        EXPECT_EQ(stud.numbers.overallLength, row.overallLength);
        EXPECT_EQ(stud.PartName,
                  std::string("Шпилька_M") + row.d + "x" + row.L + "_ГОСТ_" + row.standard);
        EXPECT_EQ(designation(exporter::designatedStud(stud), row.propertyClass), row.designation);
    }
}

TEST(QuorvelExport, OneStudReadsBackAsOneValidNamedSolidWithItsMass)
{
    TempDir dir;
    const std::string out = dir.file("lib");
    const ProgramRun run = runExporter(dir, {"--standard", "22032-76", "--d", "16", "--l", "120",
                                             "--class", "10.9", "--out", out, "--jobs", "1"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.err.starts_with("1 stud, 3 files, ") && run.err.ends_with(" s\n")) << run.err;
    EXPECT_EQ(filesUnder(out),
              (std::set<std::string>{"22032-76.dxf", "index.csv",
                                     "22032-76/Шпилька_M16x120_ГОСТ_22032-76.step"}));

    const auto index = indexLines(out + "/index.csv");
    ASSERT_EQ(index.size(), 2u);
    EXPECT_EQ(index[0],
              "designation,part_name,standard,d,L,b,b1,c,P,mass_kg_1000,material,step,dxf,block");
    const auto fields = csvFields(index[1]);
    ASSERT_EQ(fields.size(), 14u);
    const std::vector<std::string> expected = {"Шпилька М16-6g×120.109 ГОСТ 22032-76",
                                               "Шпилька_M16x120_ГОСТ_22032-76",
                                               "22032-76",
                                               "16",
                                               "120",
                                               "38",
                                               "16",
                                               "2",
                                               "2"};
    EXPECT_EQ(std::vector<std::string>(fields.begin(), fields.begin() + 9), expected);
    // The appendix's model: shank 136 − 54 = 82 at d 16, threads 38 + 16 = 54 at
    // d2 = 16 − 0.649519·2; 7.85e-3 × (82·π·16²/4 + 54·π·d2²/4) = 201.376 kg per 1000.
    EXPECT_EQ(fields[9], "201.4");
    EXPECT_EQ(fields[10], "steel");
    EXPECT_EQ(fields[11], "22032-76/Шпилька_M16x120_ГОСТ_22032-76.step");
    EXPECT_EQ(fields[12], "22032-76.dxf");
    EXPECT_EQ(fields[13], "GOST22032-76_M16x120");

    // The block is the 2D view the drawing unit draws, at the origin: d 16, overall length 136,
    // b 38, b1 16, c 2; model space places it with its left chamfer edge at x 0. It carries the
    // parts-list attributes as a placed stud's block does, the designation with the asked class
    // and the mass of one stud (201.4 kg per 1000); "×" is outside the file's code page.
    const std::vector<std::string> attributes = {
        "NAME Шпилька М16-6g\\U+00D7120.109 ГОСТ 22032-76",
        "STANDARD ГОСТ 22032-76",
        "SECTION Стандартные изделия",
        "QTY 1",
        "MASS 0,201",
        "POS ",
    };
    std::vector<std::string> expectedDxf = {
        "audit errors 0 fixes 0",
        "block GOST22032-76_M16x120",
        "  polyline 2 closed 0.0,-6.0 2.0,-8.0 134.0,-8.0 136.0,-6.0 136.0,6.0 "
        "134.0,8.0 2.0,8.0 0.0,6.0",
        "  line 2 2.0,-8.0 2.0,8.0",
        "  line 2 134.0,8.0 134.0,-8.0",
        "  line 1 0.0,6.0 16.0,6.0",
        "  line 1 98.0,6.0 136.0,6.0",
        "  line 1 0.0,-6.0 16.0,-6.0",
        "  line 1 98.0,-6.0 136.0,-6.0",
        "  line 2 16.0,8.0 16.0,-8.0",
        "  line 2 98.0,8.0 98.0,-8.0",
        "  line 7 -2.0,0.0 138.0,0.0",
    };
    for (const std::string& attribute : attributes) {
        expectedDxf.push_back("  attdef " + attribute + " hidden");
    }
    expectedDxf.push_back("insert GOST22032-76_M16x120 2.0,-8.0");
    for (const std::string& attribute : attributes) {
        expectedDxf.push_back("  attrib " + attribute);
    }
    expectedDxf.push_back("  xdata QUORVEL 22032-76 0 0 16.0 120.0 38.0 16.0 2.0 2.0");
    EXPECT_EQ(readBack("dxf", out + "/22032-76.dxf"), expectedDxf);

    const std::string step = out + "/" + fields[11];
    const auto read = readWithGmsh({step});
    ASSERT_EQ(read.size(), 1u);
    ASSERT_TRUE(read[0]);
    ASSERT_EQ(read[0]->size(), 1u);
    EXPECT_EQ(read[0]->front().name, "Шпилька М16-6g×120.109 ГОСТ 22032-76");
    const double volume = read[0]->front().volume;
    // A cylinder of d 16 over the overall length 136, less the two end chamfers of 2 mm.
    const double cylinder = 3.14159265358979 * 8 * 8 * 136;
    EXPECT_LT(volume, cylinder);
    EXPECT_GT(volume, cylinder * 0.98);
    // The solid has no cut thread: as steel it weighs more than the appendix's mass, by less
    // than the threads' share of the section (d2² / d² = 0.84 over 54 of 136 mm).
    EXPECT_GT(volume * 7.85e-3, 201.37);
    EXPECT_LT(volume * 7.85e-3, 201.38 / (1 - 0.16 * 54 / 136));

    const auto contents = readStep(step);
    ASSERT_TRUE(contents);
    ASSERT_EQ(contents->products.size(), 1u);
    EXPECT_TRUE(contents->products[0].valid);
    EXPECT_EQ(contents->products[0].solids, 1);
    EXPECT_NEAR(contents->lengthUnitInMetres, 0.001, 1e-12);
}

// The mass column follows --material; a free d that is not in the table has no pitch and so no
// mass. Expected masses worked by hand: M12×100 ГОСТ 22032-76 is 92.7057 kg of steel per 1000.
TEST(QuorvelExport, MassOfTheChosenMaterialAndNoneWithoutAPitch)
{
    TempDir dir;
    const struct {
        const char* label;
        std::vector<std::string> args;
        const char* mass;
        const char* material;
    } rows[] = {
        {"brass, 92.7057 × 1.080",
         {"--d", "12", "--l", "100", "--material", "brass"},
         "100.1",
         "brass"},
        {"aluminium, 92.7057 × 0.356",
         {"--d", "12", "--l", "100", "--material", "aluminium"},
         "33.00",
         "aluminium"},
        {"free d 13: no pitch in the table",
         {"--free", "--d", "13", "--l", "100", "--b", "30", "--b1", "13", "--c", "1.6"},
         "",
         "steel"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const std::string out = dir.file("lib");
        std::vector<std::string> args = {"--standard", "22032-76", "--format", "dxf", "--out", out};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const ProgramRun run = runExporter(dir, args);
        ASSERT_EQ(run.status, 0) << run.err;
        const auto index = indexLines(out + "/index.csv");
        ASSERT_EQ(index.size(), 2u);
        const auto fields = csvFields(index[1]);
        ASSERT_EQ(fields.size(), 14u);
        EXPECT_EQ(fields[9], row.mass);
        EXPECT_EQ(fields[10], row.material);
        fs::remove_all(utf8Path(out));
    }
}

TEST(QuorvelExport, StandardHasAnIndexRowAndADxfBlockPerTableRow)
{
    // The lengths of every d of the standard's diameter table, counted from the files as they
    // stand, without the program's readers.
    const auto diameterLines = linesOf(readAll(std::string(DATA_BASE) + "_22043-76.dat"));
    std::set<std::string> ds;
    for (std::size_t i = 1; i < diameterLines.size(); ++i) {
        std::string d;
        std::istringstream(diameterLines[i]) >> d;
        ds.insert(d);
    }
    std::set<std::string> expectedBlocks;
    const auto lengthLines = linesOf(readAll(std::string(DATA_BASE) + "_ris_2.dat"));
    for (std::size_t i = 1; i < lengthLines.size(); ++i) {
        std::string d, L;
        std::istringstream(lengthLines[i]) >> d >> L;
        if (ds.count(d) != 0) {
            expectedBlocks.insert("Шпилька_M" + d + "x" + L + "_ГОСТ_22043-76");
        }
    }
    ASSERT_GT(expectedBlocks.size(), 600u);

    TempDir dir;
    const std::string out = dir.file("lib");
    const ProgramRun run =
        runOnTerminal({"--standard", "22043-76", "--all", "--out", out, "--jobs", "2"});
    ASSERT_EQ(run.status, 0) << run.err;
    // On a terminal: a progress line redrawn in place, cleared before the summing-up.
    EXPECT_TRUE(run.err.starts_with("\r")) << run.err;
    EXPECT_NE(run.err.find("/692 studs, "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(" studs/s, 0:"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(" left\x1b[K"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("\r\x1b[K692 studs, 694 files, "), std::string::npos) << run.err;

    const auto index = indexLines(out + "/index.csv");
    ASSERT_EQ(index.size(), expectedBlocks.size() + 1);
    std::set<std::string> indexed;
    std::set<std::string> blockColumn;
    for (std::size_t i = 1; i < index.size(); ++i) {
        const auto fields = csvFields(index[i]);
        ASSERT_EQ(fields.size(), 14u) << index[i];
        EXPECT_TRUE(fields[13].starts_with("GOST22043-76_M")) << fields[13];
        blockColumn.insert(fields[13]);
        EXPECT_FALSE(fields[9].empty());
        EXPECT_TRUE(fs::exists(utf8Path(out + "/" + fields[11]))) << fields[11];
        indexed.insert(fields[1]);
    }
    EXPECT_EQ(indexed, expectedBlocks);
    EXPECT_EQ(filesUnder(out).size(), expectedBlocks.size() + 2); // no temporary file left

    const auto read = readBack("dxf", out + "/22043-76.dxf");
    ASSERT_FALSE(read.empty());
    EXPECT_EQ(read[0], "audit errors 0 fixes 0");
    std::set<std::string> blocks;
    std::set<std::string> inserted;
    std::set<std::pair<std::string, std::string>> places;
    std::map<std::string, std::set<std::string>> layersOf; // block -> entity kinds and layers
    std::string block;
    for (const std::string& line : read) {
        std::istringstream words(line);
        std::string kind, name, rest;
        words >> kind >> name;
        std::getline(words, rest);
        if (kind == "block") {
            blocks.insert(block = name);
        } else if (kind == "attdef" || kind == "attrib" || kind == "xdata") {
            continue;
        } else if (line.starts_with("  ")) {
            layersOf[block].insert(kind + " " + name);
        } else if (kind == "insert") {
            inserted.insert(name);
            places.insert({name, rest});
        } else if (kind != "audit") {
            ADD_FAILURE() << line;
        }
    }
    for (const auto& [name, layers] : layersOf) {
        // The 2D view on the three layers: main (outline), thin (threads), axis.
        EXPECT_EQ(layers, (std::set<std::string>{"polyline 2", "line 2", "line 1", "line 7"}))
            << name;
    }
    EXPECT_EQ(blockColumn.size(), expectedBlocks.size()); // one block per size
    EXPECT_EQ(blocks, blockColumn);
    EXPECT_EQ(inserted, blockColumn);
    std::set<std::string> distinctPlaces;
    for (const auto& place : places) {
        distinctPlaces.insert(place.second);
    }
    EXPECT_EQ(distinctPlaces.size(), blockColumn.size()); // no two blocks on one another
}

TEST(QuorvelExport, BadInputsAreNamedAndLeaveNoFiles)
{
    TempDir dir;
    const std::string out = dir.file("lib");
    const std::string file = dir.write("a-file", "x");
    const std::string fullStep = out + "/22032-76/Шпилька_M12x100_ГОСТ_22032-76.step";
    const auto freeStud = [&](const char* d, const char* L, const char* b1) {
        return std::vector<std::string>{"--standard", "22032-76", "--free", "--d",   d,
                                        "--l",        L,          "--b",    "30",    "--b1",
                                        b1,           "--c",      "1.6",    "--out", out};
    };
    const struct {
        std::vector<std::string> args;
        std::string shell;
        int status;
        std::string message;
    } rows[] = {
        {{"--standard", "22099-76", "--all", "--out", out},
         "",
         2,
         "unknown standard \"22099-76\" (22032-76 to 22043-76, or all)"},
        {{"--standard", "22032-76", "--d", "13", "--l", "100", "--out", out},
         "",
         2,
         "d 13 is not in the table of ГОСТ 22032-76 (2, 2.5, 3, 4, 5, 6, 8, 10, 12, 14, 16, 18, "
         "20, 22, 24, 27, 30, 36, 42, 48)"},
        {{"--standard", "22032-76", "--d", "12", "--l", "101", "--out", out},
         "",
         2,
         "L 101 is not among the lengths of d 12 in ГОСТ 22032-76 (25, 28, 30, 32, 35, 38, 40, "
         "42, 45, 48, 50, 55, 60, 65, 70, 75, 80, 85, 90, 95, 100, 105, 110, 115, 120, 130, 140, "
         "150, 160, 170, 180, 190, 200, 220)"},
        {{"--standard", "22032-76", "--free", "--d", "12", "--l", "100", "--b", "0", "--b1", "12",
          "--c", "1", "--out", out},
         "",
         2,
         "--b is zero; a stud needs every dimension"},
        {{"--standard", "22032-76", "--d", "12", "--l", "100", "--out", file},
         "",
         2,
         "the output path is not a folder: " + file},
        {{"--standard", "22032-76", "--d", "12", "--l", "100", "--out", file + "/sub"},
         "",
         2,
         "cannot make the output folder " + file + "/sub: Not a directory"},
        {{"--standard", "22032-76", "--all", "--out", ""},
         "",
         2,
         "--out is empty (the folder to write into)"},
        {{"--standard", "22032-76", "--all", "--jobs", "0", "--out", out},
         "",
         2,
         "--jobs takes a whole number from 1 to 256, not \"0\""},
        {{"--standard", "22032-76", "--d", "12", "--l", "100", "--material", "Steel", "--out", out},
         "",
         2,
         "unknown material \"Steel\" in --material (steel, aluminium, bronze, brass)"},
        // A full disk, as a file size limit of 8 KiB shows it: the STEP file cannot be written.
        {{"--standard", "22032-76", "--d", "12", "--l", "100", "--out", out},
         "ulimit -f 8",
         1,
         "cannot write " + fullStep + ": File too large"},
        {{"--standard", "22032-76", "--d", "12", "--l", "100", "--out", out},
         "mkdir -p '" + fullStep + "'",
         1,
         "cannot write " + fullStep + ": Is a directory"},
        {{"--standard", "22032-76", "--d", "12", "--l", "100", "--layers", "x\"y,B,C", "--out",
          out},
         "",
         2,
         "--layers \"x\"y,B,C\": the layer name \"x\"y\" holds the character '\"', which DXF "
         "readers refuse"},
        {{"--standard", "22032-76", "--d", "12", "--l", "100", "--layers", "A,<,C", "--out", out},
         "",
         2,
         "--layers \"A,<,C\": the layer name \"<\" holds the character '<', which DXF readers "
         "refuse"},
        {{"--standard", "22032-76", "--d", "12", "--l", "100", "--layers", "A,B,Ось☃", "--out",
          out},
         "",
         2,
         "--layers \"A,B,Ось☃\": the layer name \"Ось☃\" holds a character that Windows-1251 "
         "does not have, which DXF readers refuse"},
        {freeStud("-12", "100", "12"), "", 2,
         "--d is below zero (-12); a stud's sizes are above zero"},
        {freeStud("12", "-100", "12"), "", 2,
         "--l is below zero (-100); a stud's sizes are above zero"},
        {freeStud("12", "100", "-12"), "", 2,
         "--b1 is below zero (-12); a stud's sizes are above zero"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.message);
        const ProgramRun run = runExporter(dir, row.args, row.shell);
        EXPECT_EQ(run.status, row.status);
        EXPECT_EQ(run.err, "quorvel-export: " + row.message + "\n");
        EXPECT_EQ(filesUnder(out), std::set<std::string>{});
        fs::remove_all(utf8Path(out));
    }
}

TEST(QuorvelExport, InterruptLeavesOnlyWholeFiles)
{
    TempDir dir;
    const std::string out = dir.file("lib");
    const std::string errFile = dir.file("stderr.txt");
    const pid_t pid = start(
        EXPORTER_PATH, {"--standard", "22032-76", "--all", "--out", out, "--jobs", "2"}, errFile);
    // Interrupted while the STEP files are being written.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (filesUnder(out).size() < 5 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGINT);
    const ProgramRun run = finish(pid, errFile);
    EXPECT_EQ(run.status, 130);
    const std::set<std::string> files = filesUnder(out);
    ASSERT_FALSE(files.empty());
    for (const std::string& name : files) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(name.ends_with(".step")); // no temporary file, no DXF or index
        EXPECT_TRUE(readAll(out + "/" + name).ends_with("END-ISO-10303-21;\n"));
    }
    EXPECT_EQ(run.err, "quorvel-export: interrupted; " + std::to_string(files.size()) +
                           " whole STEP files written, no DXF or index\n");
}

// Interrupted while the DXF files are written: the one in flight is finished, the index is not
// written, and nothing else is left.
TEST(QuorvelExport, InterruptWhileTheDxfFilesAreWrittenStopsBeforeTheIndex)
{
    TempDir dir;
    const std::string out = dir.file("lib");
    const std::string errFile = dir.file("stderr.txt");
    const pid_t pid = start(
        EXPORTER_PATH, {"--standard", "all", "--all", "--format", "dxf", "--out", out}, errFile);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    const auto dxfWritten = [&] {
        const std::set<std::string> files = filesUnder(out);
        return std::any_of(files.begin(), files.end(),
                           [](const std::string& name) { return name.ends_with(".dxf"); });
    };
    while (!dxfWritten() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::kill(pid, SIGTERM);
    const ProgramRun run = finish(pid, errFile);
    EXPECT_EQ(run.status, 143);
    const std::set<std::string> files = filesUnder(out);
    ASSERT_FALSE(files.empty());
    EXPECT_LT(files.size(), 12u);
    for (const std::string& name : files) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(name.ends_with(".dxf")); // no index, no temporary file
        EXPECT_TRUE(readAll(out + "/" + name).ends_with("\nEOF\n"));
    }
    EXPECT_EQ(run.err, "quorvel-export: interrupted; 0 whole STEP files and " +
                           std::to_string(files.size()) + " whole DXF files written, no index\n");
}

// A worker that does not answer (stopped) holds the first Ctrl-C's orderly end; a second one
// ends the run at once, and the stopped worker's unfinished file goes with it.
TEST(QuorvelExport, ASecondInterruptEndsARunThatAStoppedWorkerHolds)
{
    TempDir dir;
    const std::string out = dir.file("lib");
    const std::string errFile = dir.file("stderr.txt");
    const pid_t pid = start(
        EXPORTER_PATH, {"--standard", "22032-76", "--all", "--out", out, "--jobs", "2"}, errFile);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (filesUnder(out).size() < 3 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::vector<pid_t> workers; // the exporter's children, from /proc/<pid>/stat's fourth field
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::string stat = readAll(entry.path().string() + "/stat");
        std::istringstream fields(stat.substr(stat.rfind(')') + 1));
        std::string state;
        pid_t parent = 0;
        if (fields >> state >> parent && parent == pid) {
            workers.push_back(static_cast<pid_t>(std::stoi(entry.path().filename().string())));
        }
    }
    ASSERT_EQ(workers.size(), 2u);
    ::kill(workers[0], SIGSTOP);
    ::kill(pid, SIGINT);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(pid, SIGINT);
    int status = 0;
    deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (::waitpid(pid, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (::waitpid(pid, &status, WNOHANG) == 0) {
        ADD_FAILURE() << "the run did not end";
        ::kill(pid, SIGKILL);
        ::kill(workers[0], SIGKILL);
    }
    const ProgramRun run = finish(pid, errFile);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 130);
    const std::set<std::string> files = filesUnder(out);
    for (const std::string& name : files) {
        ASSERT_TRUE(name.ends_with(".step")) << name; // no temporary file, no DXF or index
    }
    EXPECT_EQ(run.err, "quorvel-export: interrupted; " + std::to_string(files.size()) +
                           " whole STEP files written, no DXF or index\n");
}

// The layer names: those of the settings file beside the program (a user's own, in Cyrillic),
// unless --layers names others.
TEST(QuorvelExport, LayersComeFromTheSettingsFileBesideTheProgramOrTheOption)
{
    TempDir dir;
    fs::create_directory(utf8Path(dir.file("program")));
    const std::string program = dir.file("program/quorvel-export");
    fs::copy_file(EXPORTER_PATH, utf8Path(program));
    dir.write("program/quorvel.ini",
              utf8ToCp1251("[Слои]\r\nОсновной=Контур\r\nТонкий=Тонкие\r\nОсевой=Ось\r\n"));
    const std::string data = fs::path(DATA_BASE).parent_path().string();
    const struct {
        std::vector<std::string> layers;
        std::set<std::string> expected;
    } rows[] = {
        {{}, {"polyline Контур", "line Контур", "line Тонкие", "line Ось"}},
        {{"--layers", "A,B,C"}, {"polyline A", "line A", "line B", "line C"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.layers.empty() ? "settings file" : "option");
        const std::string out = dir.file("lib" + std::to_string(row.layers.size()));
        std::vector<std::string> args{"--standard", "22032-76", "--d",    "12", "--l",   "100",
                                      "--format",   "dxf",      "--data", data, "--out", out};
        args.insert(args.end(), row.layers.begin(), row.layers.end());
        const ProgramRun run =
            finish(start(program, args, dir.file("err.txt")), dir.file("err.txt"));
        ASSERT_EQ(run.status, 0) << run.err;
        std::set<std::string> layers;
        for (const std::string& line : readBack("dxf", out + "/22032-76.dxf")) {
            std::istringstream words(line);
            std::string kind, layer;
            words >> kind >> layer;
            if (line.starts_with("  ") && kind != "attdef" && kind != "attrib" && kind != "xdata") {
                layers.insert(kind + " " + layer);
            }
        }
        EXPECT_EQ(layers, row.expected);
    }
    dir.write("program/quorvel.ini", utf8ToCp1251("[Слои]\r\nОсновной=Контур:1\r\n"));
    const ProgramRun run = finish(start(program,
                                        {"--standard", "22032-76", "--d", "12", "--l", "100",
                                         "--data", data, "--out", dir.file("lib")},
                                        dir.file("err.txt")),
                                  dir.file("err.txt"));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "quorvel-export: the settings file " + dir.file("program/quorvel.ini") +
                           ": the layer name \"Контур:1\" of Основной holds the character ':', "
                           "which DXF readers refuse (or give --layers)\n");
}

// A table file that would steer files out of --out, cut the library short or hang the run is
// refused naming itself; nothing is written anywhere.
TEST(QuorvelExport, HostileTablesAreRefusedNamingTheFile)
{
    TempDir dir;
    const std::string base = tableCopy(dir);
    const std::string catalogue = base + ".dat";
    const std::string diameters = base + "_22032-76.dat";
    const std::string lengths = base + "_ris_1.dat";
    // A diameter table reachable under the hostile name: <data>/quorvel_../../escaped.dat.
    fs::create_directory(utf8Path(base + "_.."));
    fs::copy_file(utf8Path(diameters), utf8Path(dir.file("data/escaped.dat")));
    const std::string out = dir.file("a/b/lib");
    const std::string shippedLengths = readAll(lengths);
    const std::string shippedCatalogue = readAll(catalogue);
    const struct {
        std::string label;
        std::string file;                 // in the data folder
        std::optional<std::string> bytes; // none: a FIFO without a writer
        std::string message;
    } rows[] = {
        {"number with ..", "quorvel.dat", catalogueWithLine(2, "../../escaped"),
         "cannot read the table file " + catalogue +
             ": line 3, \"../../escaped\", is not a plain file name"},
        {"absolute number", "quorvel.dat", catalogueWithLine(2, dir.file("abs")),
         "cannot read the table file " + catalogue + ": line 3, \"" + dir.file("abs") +
             "\", is not a plain file name"},
        {"empty number", "quorvel.dat", catalogueWithLine(2, ""),
         "cannot read the table file " + catalogue + ": line 3, \"\", is not a plain file name"},
        {"figure key with a separator", "quorvel.dat", catalogueWithLine(3, "x/ris_1"),
         "cannot read the table file " + catalogue +
             ": line 4, \"x/ris_1\", is not a plain file name"},
        {"control characters, shown escaped", "quorvel.dat",
         catalogueWithLine(2, "22032-76\x1b]0;x\x07"),
         "cannot read the table file " + catalogue +
             ": line 3, \"22032-76\\x1b]0;x\\x07\", is not a plain file name"},
        {"empty diameter table", "quorvel_22032-76.dat", "d   b1    P     c\r\n",
         "the table file " + diameters + " lists no diameter"},
        {"broken diameter table", "quorvel_22032-76.dat",
         "d   b1    P     c\r\n2   2     0.4   0.3\r\nx   3     0.5   0.5\r\n",
         "the table file " + diameters + " has a damaged row: line 3 \"x   3     0.5   0.5\""},
        {"length table cut in a row", "quorvel_ris_1.dat", shippedLengths.substr(0, 303),
         "the table file " + lengths + " ends in the middle of a row: line 26 \"2.5 32 \""},
        {"FIFO", "quorvel_22032-76.dat", std::nullopt,
         "cannot read the table file " + diameters + ": not a regular file"},
        {"catalogue cut in the standard's record", "quorvel.dat",
         shippedCatalogue.substr(0, shippedCatalogue.find("22032-76\r\n")),
         "cannot read the table file " + catalogue +
             ": it ends at line 2, in the middle of the record of ГОСТ 22032-76 (lines 1 to 5)"},
        {"empty catalogue", "quorvel.dat", "",
         "cannot read the table file " + catalogue + ": it is empty"},
        // 48  300 121 cut by three bytes reads as b 12: no line end, and shorter than b before.
        {"length table cut in its last number", "quorvel_ris_1.dat",
         shippedLengths.substr(0, shippedLengths.size() - 3),
         "the table file " + lengths +
             " ends in the middle of a row: line 589 \"48  300 12\" (no line end, and b 12 is "
             "shorter than the 121 of L 280)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const std::string damaged = dir.file("data/" + row.file);
        fs::remove(utf8Path(damaged));
        if (row.bytes) {
            dir.write("data/" + row.file, *row.bytes);
        } else {
            ASSERT_EQ(::mkfifo(damaged.c_str(), 0600), 0);
        }
        const ProgramRun run = runExporter(
            dir, {"--standard", "22032-76", "--all", "--data", dir.file("data"), "--out", out});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "quorvel-export: " + row.message + "\n");
        EXPECT_EQ(filesUnder(dir.path() / "a"), std::set<std::string>{});
        fs::remove(utf8Path(damaged));
        fs::copy_file(fs::path(DATA_BASE).parent_path() / row.file, utf8Path(damaged));
    }

    // Table files that are not there: the message says which, and why.
    fs::create_directories(utf8Path(dir.file("partial")));
    fs::copy_file(utf8Path(catalogue), utf8Path(dir.file("partial/quorvel.dat")));
    fs::copy_file(utf8Path(diameters), utf8Path(dir.file("partial/quorvel_22032-76.dat")));
    const struct {
        std::string data;
        std::string message;
    } missing[] = {
        {dir.file("none"), "cannot read the table file " + dir.file("none/quorvel.dat") +
                               ": its folder " + dir.file("none") + " does not exist"},
        {dir.file("partial"), "cannot read the table file " +
                                  dir.file("partial/quorvel_ris_1.dat") +
                                  ": No such file or directory"},
    };
    for (const auto& row : missing) {
        SCOPED_TRACE(row.data);
        const ProgramRun run =
            runExporter(dir, {"--standard", "22032-76", "--all", "--data", row.data, "--out", out});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "quorvel-export: " + row.message + "\n");
        EXPECT_EQ(filesUnder(dir.path() / "a"), std::set<std::string>{});
    }
}

// A row listed twice gives one stud; a diameter without lengths is named; a last line without its
// line end may be cut short; the run goes on.
TEST(QuorvelExport, DuplicateRowsAndDiametersWithoutLengthsAreWarnedOf)
{
    TempDir dir;
    const std::string base = tableCopy(dir);
    dir.write("data/quorvel_22032-76.dat",
              "d   b1    P     c\r\n12  12    1.75  1.6\r\n13  13    1.75  1.6\r\n");
    std::string lengths = readAll(base + "_ris_1.dat");
    lengths.insert(lengths.find("12  100 30\r\n"), "12  100 30\r\n");
    lengths.resize(lengths.size() - 2); // the last line whole, without its line end
    dir.write("data/quorvel_ris_1.dat", lengths);
    const std::string out = dir.file("lib");
    const ProgramRun run = runExporter(dir, {"--standard", "22032-76", "--all", "--format", "dxf",
                                             "--data", dir.file("data"), "--out", out});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.err.starts_with(
        "quorvel-export: warning: the table file " + base +
        "_ris_1.dat has no line end after its last line, line 590 \"48  300 121\"; check that "
        "the line is whole\n"
        "quorvel-export: warning: the table file " +
        base +
        "_ris_1.dat lists d 12, L 100 twice; the first is used\n"
        "quorvel-export: warning: the table file " +
        base + "_ris_1.dat lists no length for d 13 of ГОСТ 22032-76\n34 studs, 2 files, "))
        << run.err;
    EXPECT_EQ(linesOf(readAll(out + "/index.csv")).size(), 35u);
}

// A run into a folder that holds a library adds to it: studs made again are replaced, those of
// earlier runs stay in the index and the DXF while their files are there, and the temporary files
// a killed run left are cleared away.
TEST(QuorvelExport, ARunIntoALibraryUpdatesIt)
{
    TempDir dir;
    const std::string base = tableCopy(dir);
    dir.write("data/quorvel_22032-76.dat", "d   b1    P     c\r\n2   2     0.4   0.3\r\n");
    const std::string out = dir.file("lib");
    const auto run = [&](std::vector<std::string> args) {
        args.insert(args.end(), {"--standard", "22032-76", "--data", dir.file("data"), "--out", out,
                                 "--jobs", "1"});
        const ProgramRun result = runExporter(dir, args);
        EXPECT_EQ(result.status, 0) << result.err;
    };
    const auto indexed = [&] {
        std::set<std::string> names;
        const auto lines = indexLines(out + "/index.csv");
        for (std::size_t i = 1; i < lines.size(); ++i) {
            names.insert(csvFields(lines[i])[1]);
        }
        return names;
    };
    const auto blocks = [&] {
        std::set<std::string> names;
        for (const std::string& line : readBack("dxf", out + "/22032-76.dxf")) {
            if (line.starts_with("block ")) {
                names.insert(line.substr(6));
            }
        }
        return names;
    };
    const auto blockColumn = [&] {
        std::set<std::string> names;
        const auto lines = indexLines(out + "/index.csv");
        for (std::size_t i = 1; i < lines.size(); ++i) {
            names.insert(csvFields(lines[i])[13]);
        }
        return names;
    };
    const std::string gone = "Шпилька_M2x12_ГОСТ_22032-76";

    run({"--all"});
    const std::set<std::string> all = indexed();
    ASSERT_EQ(all.size(), 14u);
    dir.write("lib/index.csv.tmpAb12Cd", "x");
    dir.write("lib/22032-76/" + gone + ".step.tmpZZZZZZ", "x");
    run({"--d", "2", "--l", "10"});
    EXPECT_EQ(indexed(), all);
    EXPECT_EQ(blocks(), blockColumn());
    EXPECT_EQ(blocks().size(), all.size());
    EXPECT_EQ(filesUnder(out).size(), 16u); // the STEP files, the DXF and the index

    // A run of DXF alone keeps the STEP file of the stud it makes again listed.
    run({"--d", "2", "--l", "10", "--format", "dxf"});
    EXPECT_EQ(csvFields(indexLines(out + "/index.csv")[1])[11],
              "22032-76/Шпилька_M2x10_ГОСТ_22032-76.step");

    // An index whose blocks are named by part name, as libraries were written before blocks took
    // the placed studs' names: a run draws the kept studs' blocks again under the new names and
    // the index follows.
    {
        const std::string text = readAll(out + "/index.csv");
        std::string old;
        std::size_t start = 0;
        for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos;
             start = end + 2) {
            std::string line = text.substr(start, end - start);
            if (start != 0) {
                line = line.substr(0, line.rfind(',') + 1) + csvFields(line)[1];
            }
            old += line + "\r\n";
        }
        dir.write("lib/index.csv", old);
        ASSERT_EQ(blockColumn(), indexed());
    }
    run({"--d", "2", "--l", "10", "--format", "dxf"});
    EXPECT_EQ(blocks(), blockColumn());
    EXPECT_EQ(blockColumn().count("GOST22032-76_M2x12"), 1u);

    fs::remove(utf8Path(out + "/22032-76/" + gone + ".step"));
    run({"--d", "2", "--l", "10"});
    std::set<std::string> left = all;
    left.erase(gone);
    EXPECT_EQ(indexed(), left);
    EXPECT_EQ(blocks(), blockColumn());
    EXPECT_EQ(blocks().size(), left.size());

    // A kept stud of free dimensions keeps the name that carries its b, b1 and c.
    run({"--free", "--d", "2", "--l", "11", "--b", "5", "--b1", "2", "--c", "0.3"});
    run({"--d", "2", "--l", "10"});
    EXPECT_EQ(blocks(), blockColumn());
    EXPECT_EQ(blockColumn().count("GOST22032-76_M2x11_b5_b1-2_c0.3"), 1u);

    // An index that is no file is not waited on, nor replaced.
    fs::remove(utf8Path(out + "/index.csv"));
    ASSERT_EQ(::mkfifo((out + "/index.csv").c_str(), 0600), 0);
    const ProgramRun refused = runExporter(dir, {"--standard", "22032-76", "--d", "2", "--l", "10",
                                                 "--data", dir.file("data"), "--out", out});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, "quorvel-export: cannot read the library's index " + out +
                               "/index.csv: not a regular file\n");
}

// Two exporters into one folder: the second waits until the first has let the folder go.
TEST(QuorvelExport, ASecondExportIntoTheFolderWaitsForTheFirst)
{
    TempDir dir;
    const std::string out = dir.file("lib");
    fs::create_directories(utf8Path(out));
    const std::string lock = out + "/.quorvel-export.lock";
    const int held =
        ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644); // as an export holds it
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const std::string errFile = dir.file("stderr.txt");
    const pid_t pid = start(
        EXPORTER_PATH,
        {"--standard", "22032-76", "--d", "12", "--l", "100", "--format", "dxf", "--out", out},
        errFile);
    const std::string waiting =
        "quorvel-export: waiting for the other export into " + out + " to end\n";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (readAll(errFile) != waiting && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(readAll(errFile), waiting);
    EXPECT_FALSE(fs::exists(utf8Path(out + "/index.csv")));
    ::close(held);
    const ProgramRun run = finish(pid, errFile);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(utf8Path(out + "/index.csv")));
    EXPECT_FALSE(fs::exists(utf8Path(lock))); // the run that held it removed it
}
