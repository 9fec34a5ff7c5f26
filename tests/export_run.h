#pragma once
// The exporter run as a user runs it, for the tests of quorvel-export: its exit status and
// standard error, and its files read back by readers it does not share code with (ezdxf for DXF;
// the index by its bytes).

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct ProgramRun {
    int status = -1; // exit status, or 128 + signal
    std::string err;
};

inline std::string readAll(const std::string& file)
{
    std::ifstream in(utf8Path(file), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// As another user when `user` is given (the test runs as root): its uid, and its gid alike.
inline pid_t start(const std::string& program, const std::vector<std::string>& args,
                   const std::string& errFile, std::optional<uid_t> user = std::nullopt)
{
    const pid_t pid = fork();
    if (pid == 0) {
        const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(err, 2);
        const int none = ::open("/dev/null", O_WRONLY);
        ::dup2(none, 1);
        if (user && (::setgid(*user) != 0 || ::setuid(*user) != 0)) {
            ::_exit(126);
        }
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    return pid;
}

inline ProgramRun finish(pid_t pid, const std::string& errFile)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), readAll(errFile)};
}

// The exporter, or with a shell prefix (e.g. a file size limit) in front of it.
inline ProgramRun runExporter(const TempDir& dir, std::vector<std::string> args,
                              const std::string& shell = "")
{
    const std::string errFile = dir.file("stderr.txt");
    if (shell.empty()) {
        return finish(start(EXPORTER_PATH, args, errFile), errFile);
    }
    std::string command = shell + "; exec \"$0\" \"$@\"";
    args.insert(args.begin(), {"-c", command, EXPORTER_PATH});
    return finish(start("/bin/sh", args, errFile), errFile);
}

inline std::vector<std::string> readBack(const std::string& kind, const std::string& file)
{
    const std::string command = std::string("PYTHONIOENCODING=utf-8 ") + EZDXF_PYTHON + " " +
                                EXPORT_CONTENTS_SCRIPT + " " + kind + " '" + file + "'";
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            output.append(buffer, got);
        }
        EXPECT_EQ(::pclose(pipe), 0) << command;
    }
    return linesOf(output);
}

// Every file under the folder, relative to it.
inline std::set<std::string> filesUnder(const std::filesystem::path& folder)
{
    std::set<std::string> files;
    if (std::filesystem::exists(folder)) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file()) {
                files.insert(utf8Text(std::filesystem::relative(entry.path(), folder)));
            }
        }
    }
    return files;
}

// The index's lines without their line ends: the file opens with a byte-order mark and every
// line ends with CR LF.
inline std::vector<std::string> indexLines(const std::string& file)
{
    std::string text = readAll(file);
    EXPECT_TRUE(text.starts_with("\xEF\xBB\xBF")) << "no byte-order mark";
    text.erase(0, 3);
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "a line without CR LF: " << text.substr(start);
            break;
        }
        lines.push_back(text.substr(start, end - start));
        EXPECT_EQ(lines.back().find_first_of("\r\n"), std::string::npos) << lines.back();
        start = end + 2;
    }
    return lines;
}

// CSV fields of one line; quoted fields may hold commas.
inline std::vector<std::string> csvFields(const std::string& line)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char ch = line[i];
        if (quoted && ch == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (ch == '"') {
            quoted = !quoted;
        } else if (ch == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += ch;
        }
    }
    return fields;
}

// The shipped table files copied into dir/data, so that a test can damage them; the copy's
// BasePath.
inline std::string tableCopy(const TempDir& dir)
{
    const std::filesystem::path data = utf8Path(dir.file("data"));
    std::filesystem::create_directories(data);
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(DATA_BASE).parent_path())) {
        if (entry.path().extension() == ".dat") {
            std::filesystem::copy_file(entry.path(), data / entry.path().filename(),
                                       std::filesystem::copy_options::overwrite_existing);
        }
    }
    return dir.file("data/quorvel");
}

// The index as this program writes it (a mark, CR LF) saved again as a spreadsheet program may:
// another separator and line end, numbers with a decimal comma, the columns in reverse order;
// fields with the separator or a quote quoted, no mark.
inline std::string resavedIndex(std::string written, char separator, const std::string& lineEnd,
                                bool decimalComma, bool reversed = false)
{
    if (written.starts_with("\xEF\xBB\xBF")) {
        written.erase(0, 3);
    }
    std::string text;
    for (std::size_t start = 0, end; (end = written.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
        std::vector<std::string> fields = csvFields(written.substr(start, end - start));
        if (reversed) {
            std::reverse(fields.begin(), fields.end());
        }
        for (std::size_t i = 0; i < fields.size(); ++i) {
            std::string value = fields[i];
            if (decimalComma && !value.empty() &&
                value.find_first_not_of("0123456789.") == std::string::npos) {
                std::replace(value.begin(), value.end(), '.', ',');
            }
            if (value.find_first_of(std::string(1, separator) + "\"") != std::string::npos) {
                std::string quoted = "\"";
                for (char ch : value) {
                    quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
                }
                value = quoted + "\"";
            }
            text += (i == 0 ? "" : std::string(1, separator)) + value;
        }
        text += lineEnd;
    }
    return text;
}
