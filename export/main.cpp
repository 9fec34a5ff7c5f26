// quorvel-export: studs as files (STEP, DXF blocks, an index) without a CAD program.
#include "drawing/files/atomic_file.h"
#include "export/export_error.h"
#include "export/exporter.h"
#include "export/message_text.h"
#include "export/progress.h"
#include "model/utf8_path.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#endif

namespace {

// UTF-8 arguments: on Windows from the wide command line, elsewhere as given.
std::vector<std::string> arguments(int argc, char** argv)
{
#ifdef _WIN32
    (void)argc;
    (void)argv;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) {
        args.push_back(utf8Text(std::filesystem::path(wide[i])));
    }
    LocalFree(wide);
    return args;
#else
    return std::vector<std::string>(argv + 1, argv + argc);
#endif
}

std::string programFolder(const char* argv0)
{
#ifdef _WIN32
    (void)argv0;
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return utf8Text(std::filesystem::path(path).parent_path());
#else
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return utf8Text((error ? std::filesystem::absolute(argv0) : self).parent_path());
#endif
}

} // namespace

int main(int argc, char** argv)
{
    drawing::ignoreFileSizeSignal();
    try {
        const exporter::ExportOptions options = exporter::parseOptions(arguments(argc, argv));
        if (options.help) {
            std::fputs(exporter::usageText().c_str(), stdout);
            return 0;
        }
        exporter::RunPlaces places;
        places.programFolder = programFolder(argv[0]);
        places.terminal = exporter::stderrIsTerminal();
        return exporter::runExport(options, places);
    } catch (const exporter::ExportError& error) {
        std::fprintf(stderr, "quorvel-export: %s\n", exporter::printable(error.what()).c_str());
        return static_cast<int>(error.kind());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quorvel-export: %s\n", exporter::printable(error.what()).c_str());
        return 1;
    }
}
