#pragma once
// A fresh temporary directory per test, removed afterwards, and a helper that writes raw bytes.
// Names in and out are UTF-8, as everywhere in the program.

#include "model/utf8_path.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

class TempDir {
  public:
    TempDir()
    {
        std::random_device random;
        m_path = std::filesystem::temp_directory_path() /
                 ("quorvel-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(m_path);
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string file(std::string_view name) const { return utf8Text(m_path / utf8Path(name)); }

    // Writes the bytes exactly as given (no line-end translation); missing folders are made.
    std::string write(std::string_view name, std::string_view bytes) const
    {
        const std::string target = file(name);
        std::filesystem::create_directories(utf8Path(target).parent_path());
        std::ofstream out(utf8Path(target), std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return target;
    }

  private:
    std::filesystem::path m_path;
};
