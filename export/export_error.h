#pragma once
// A failure of the exporter that the user has to see: what() names the value or path at fault.

#include <stdexcept>

namespace exporter {

// Kinds of failure with their exit status: a request that cannot be met as asked (2), or a
// failure while drawing or writing (1).
enum class ExportFailure { BadRequest = 2, Failed = 1 };

class ExportError : public std::runtime_error {
  public:
    ExportError(ExportFailure kind, const std::string& message)
        : std::runtime_error(message), m_kind(kind)
    {
    }
    ExportFailure kind() const { return m_kind; }

  private:
    ExportFailure m_kind;
};

} // namespace exporter
