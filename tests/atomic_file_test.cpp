// A file replaced whole or not at all, whatever the writer does.
#include "drawing/files/atomic_file.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

namespace {

std::string readAll(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t entries(const TempDir& dir)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir.path()),
                                                  std::filesystem::directory_iterator()));
}

// Writes part of the new content, as a writer that stops half-way does, then answers ok.
std::function<bool(const std::string&)> writer(bool ok)
{
    return [ok](const std::string& temp) {
        std::ofstream(temp, std::ios::binary) << "new";
        return ok;
    };
}

} // namespace

TEST(AtomicFile, ReplacesOnlyWhenEverythingSucceeded)
{
    const auto accept = [](const std::string&) { return true; };
    const auto refuse = [](const std::string&) { return false; };
    const struct {
        const char* label;
        std::function<bool(const std::string&)> write;
        std::function<bool(const std::string&)> complete;
        bool replaced;
    } rows[] = {
        {"writer and check succeed", writer(true), accept, true},
        {"no check", writer(true), {}, true},
        {"writer fails", writer(false), accept, false},
        {"content found incomplete", writer(true), refuse, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        TempDir dir;
        const std::string target = dir.write("data.txt", "old");
        std::filesystem::permissions(target, std::filesystem::perms(0640));
        EXPECT_EQ(drawing::writeFileAtomically(target, row.write, row.complete), row.replaced);
        EXPECT_EQ(readAll(target), row.replaced ? "new" : "old");
        EXPECT_EQ(entries(dir), 1u); // no temporary file left
        EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0640));
    }
}

TEST(AtomicFile, AThrowingWriterLeavesTheTargetAndNoTemporary)
{
    TempDir dir;
    const std::string target = dir.write("data.txt", "old");
    EXPECT_THROW((void)drawing::writeFileAtomically(target,
                                                    [](const std::string& temp) -> bool {
                                                        std::ofstream(temp) << "half";
                                                        throw std::runtime_error("disk gone");
                                                    }),
                 std::runtime_error);
    EXPECT_EQ(readAll(target), "old");
    EXPECT_EQ(entries(dir), 1u);
    // A new file gets created, and a folder that does not exist is a plain failure.
    EXPECT_TRUE(drawing::writeFileAtomically(dir.file("fresh.txt"), writer(true)));
    EXPECT_EQ(readAll(dir.file("fresh.txt")), "new");
    EXPECT_FALSE(drawing::writeFileAtomically(dir.file("no/such.txt"), writer(true)));
}

// The temporary names it writes are the ones a later run may clear away, also for a name at the
// length limit, whose temporary name is cut to fit; other names are left alone.
TEST(AtomicFile, TemporaryNamesFitAndAreKnownAgain)
{
    TempDir dir;
    for (const std::size_t length : {std::size_t{5}, std::size_t{255}}) {
        SCOPED_TRACE(length);
        const std::string name = std::string(length - 4, 'x') + ".txt";
        std::string temp;
        EXPECT_TRUE(drawing::writeFileAtomically(dir.file(name), [&](const std::string& file) {
            temp = std::filesystem::path(file).filename().string();
            return static_cast<bool>(std::ofstream(file) << "new");
        }));
        EXPECT_LE(temp.size(), 255u);
        EXPECT_TRUE(drawing::isTemporaryName(temp)) << temp;
    }
    for (const char* other : {"keep.tmp", "a.tmpab12", "a.tmp12_x", "a.txt"}) {
        EXPECT_FALSE(drawing::isTemporaryName(other)) << other;
    }
    EXPECT_TRUE(drawing::isTemporaryName("a.step.tmp4242_17")); // as Windows names them
}
