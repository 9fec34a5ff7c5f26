// The exporter's files as the programs designers open them with read them: the DXF printed by
// LibreCAD and imported by FreeCAD, the index opened by LibreOffice Calc and by Python's csv
// module. One stud of one standard, on layers with Cyrillic names. A program the machine lacks
// skips its test (scripts/install-deps.sh installs them all).
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

namespace {

bool installed(const std::string& program)
{
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// What the reading script prints for the file, line by line.
std::vector<std::string> readWith(const std::string& kind, const std::string& file)
{
    const std::string command = std::string("PYTHONIOENCODING=utf-8 ") + EZDXF_PYTHON + " " +
                                EXPORT_CONTENTS_SCRIPT + " " + kind + " '" + file + "'";
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            output.append(buffer, got);
        }
        EXPECT_EQ(::pclose(pipe), 0) << command;
    }
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class CadReaders : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        s_dir = std::make_unique<TempDir>();
        const std::string command = std::string(EXPORTER_PATH) +
                                    " --standard 22032-76 --d 12 --l 100 --format dxf"
                                    " --layers Основная,Тонкая,Осевая --out '" +
                                    s_dir->file("lib") + "' 2>/dev/null";
        s_exported = std::system(command.c_str()) == 0;
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    void SetUp() override { ASSERT_TRUE(s_exported) << "the exporter failed"; }

    static std::string file(const std::string& name) { return s_dir->file("lib/" + name); }

  private:
    static inline std::unique_ptr<TempDir> s_dir;
    static inline bool s_exported = false;
};

} // namespace

// Each segment in its layer's colour: the outline (the only part with slanted edges, its
// chamfers) and the main lines magenta (6), the thin lines yellow (2), the axis blue (5); nothing
// black, the colour of layer 0, where LibreCAD put each outline when its end record had no layer
// in a file without handles.
TEST_F(CadReaders, LibreCadPrintsEveryLineInItsLayersColour)
{
    if (!installed("librecad") || !installed("xvfb-run")) {
        GTEST_SKIP()
            << "LibreCAD or xvfb-run is not installed (scripts/install-deps.sh installs them)";
    }
    EXPECT_EQ(readWith("librecad", file("22032-76.dxf")),
              (std::vector<std::string>{"colour 0 0 1 segments 1", "colour 1 0 1 segments 12",
                                        "colour 1 1 0 segments 4", "slanted 1 0 1"}));
}

// The layer table read without a complaint (FreeCAD's importer wants a handle on each entry)
// and the block's 17 edges imported at its insert (8 of the outline, 9 lines).
TEST_F(CadReaders, FreeCadImportsTheLayersAndEveryEdge)
{
    if (!installed("freecadcmd")) {
        GTEST_SKIP() << "FreeCAD is not installed (scripts/install-deps.sh installs it)";
    }
    EXPECT_EQ(readWith("freecad", file("22032-76.dxf")), (std::vector<std::string>{"edges 17"}));
}

// The byte-order mark and the CR LF line ends do not reach the fields: each reader gives the
// lines the file holds between them.
TEST_F(CadReaders, IndexReadsInPythonsCsvModuleAndInCalc)
{
    std::ifstream in(utf8Path(file("index.csv")), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_TRUE(text.starts_with("\xEF\xBB\xBF"));
    std::vector<std::string> lines;
    for (std::size_t start = 3, end; (end = text.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_TRUE(lines[1].starts_with("Шпилька М12×100 ГОСТ 22032-76,")) << lines[1];
    ASSERT_EQ(lines[1].find('"'), std::string::npos); // no quoted field: commas part them all

    std::vector<std::string> fields = lines;
    for (std::string& line : fields) {
        for (std::size_t at = 0; (at = line.find(',', at)) != std::string::npos; at += 3) {
            line.replace(at, 1, " | ");
        }
    }
    EXPECT_EQ(readWith("csv", file("index.csv")), fields);

    if (!installed("soffice")) {
        GTEST_SKIP() << "LibreOffice Calc is not installed (scripts/install-deps.sh installs it)";
    }
    // Calc may write the numbers in its own way; the texts stay as they are.
    const std::vector<std::string> calc = readWith("calc", file("index.csv"));
    ASSERT_EQ(calc.size(), 2u);
    EXPECT_EQ(calc[0], lines[0]);
    const std::string designations = lines[1].substr(0, lines[1].find(",22032-76,"));
    EXPECT_TRUE(calc[1].starts_with(designations + ",")) << calc[1];
    EXPECT_TRUE(calc[1].ends_with(lines[1].substr(lines[1].rfind(",22032-76.dxf,")))) << calc[1];
}
