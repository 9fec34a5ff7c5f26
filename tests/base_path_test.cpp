#include "model/base_path.h"
#include "model/dimension_tables.h"

#include <gtest/gtest.h>

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
        EXPECT_EQ(basePathFor(row.executable), row.base);
    }
}

TEST(BasePath, NamesTheTableFiles)
{
    EXPECT_EQ(cataloguePath("C:\\Tools\\Quorvel"), "C:\\Tools\\Quorvel.dat");
    EXPECT_EQ(diameterTablePath("C:\\Tools\\Quorvel", "22032-76"),
              "C:\\Tools\\Quorvel_22032-76.dat");
    EXPECT_EQ(lengthTablePath("C:\\Tools\\Quorvel", "ris_1"), "C:\\Tools\\Quorvel_ris_1.dat");
    EXPECT_EQ(lengthTablePath("/b", "ris_1 "), "/b_ris_1 .dat");
}
