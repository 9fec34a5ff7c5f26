#include "model/base_path.h"
#include "model/dimension_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

// The path as the platform writes it: "\" for "/" on Windows.
std::string native(std::string path)
{
    std::replace(path.begin(), path.end(), '/',
                 static_cast<char>(std::filesystem::path::preferred_separator));
    return path;
}

} // namespace

TEST(BasePath, RemovesOnlyTheFileNamesExtension)
{
    const struct {
        const char* executable;
        const char* base;
    } rows[] = {
        {"C:\\Tools\\Quorvel.exe", "C:\\Tools\\Quorvel"},
        {"/opt/quorvel/quorvel", "/opt/quorvel/quorvel"},
        {"/opt/q.v1/quorvel", "/opt/q.v1/quorvel"},
        {"/opt/quorvel/.quorvel", "/opt/quorvel/.quorvel"},
        {"/opt/quorvel/quorvel.bin", "/opt/quorvel/quorvel"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.executable);
        EXPECT_EQ(basePathFor(row.executable), native(row.base));
    }
}

TEST(BasePath, KeepsThePlatformsSeparators)
{
    EXPECT_EQ(basePathFor("C:/Tools/Quorvel.exe"), native("C:/Tools/Quorvel"));
    EXPECT_EQ(basePathFor("C:\\Tools/Папка ГОСТ\\Quorvel.exe"),
              native("C:\\Tools/Папка ГОСТ\\Quorvel"));
}

TEST(BasePath, NamesTheTableFiles)
{
    EXPECT_EQ(cataloguePath("C:\\Tools\\Quorvel"), "C:\\Tools\\Quorvel.dat");
    EXPECT_EQ(diameterTablePath("C:\\Tools\\Quorvel", "22032-76"),
              "C:\\Tools\\Quorvel_22032-76.dat");
    EXPECT_EQ(lengthTablePath("C:\\Tools\\Quorvel", "ris_1"), "C:\\Tools\\Quorvel_ris_1.dat");
    EXPECT_EQ(lengthTablePath("/b", "ris_1 "), "/b_ris_1 .dat");
}
