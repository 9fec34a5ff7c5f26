#pragma once
// Replaces a file whole or not at all: the new content is written to a temporary file in the same
// folder, flushed to the disk and renamed over the target, so that a crash, a full disk or a
// failing writer never leaves the target cut short; on any failure the old file stays untouched.

#include <functional>
#include <string>

namespace cadhost {

// write() fills the temporary file named by its argument (it may open it by name) and returns
// whether it succeeded; complete() may then check the written content before it replaces the
// target. False when anything fails; the temporary file is removed then.
[[nodiscard]] bool writeFileAtomically(
    const std::string& target, const std::function<bool(const std::string& tempFile)>& write,
    const std::function<bool(const std::string& tempFile)>& complete = {});

} // namespace cadhost
