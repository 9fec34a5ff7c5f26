#pragma once
// The folder for the files the fuzz targets write for every input: the one QUORVEL_FUZZ_SCRATCH
// names (the test leg gives a folder it removes afterwards), else a memory file system when the
// system has one, so that the disk does not limit the executions per second.

#include <cstdlib>
#include <filesystem>
#include <string>

inline std::string scratchFolder()
{
    if (const char* folder = std::getenv("QUORVEL_FUZZ_SCRATCH"); folder != nullptr) {
        return folder;
    }
    std::error_code error;
    if (std::filesystem::is_directory("/dev/shm", error)) {
        return "/dev/shm";
    }
    return std::filesystem::temp_directory_path().string();
}
