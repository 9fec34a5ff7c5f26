#pragma once
// Progress of a long export on stderr when it is a terminal: done/total, studs per second and
// the time left, redrawn on one line at most a few times a second.

#include <chrono>
#include <cstddef>
#include <cstdio>

namespace exporter {

class Progress {
  public:
    Progress(std::size_t total, bool terminal, std::FILE* out);

    void done(std::size_t count); // count studs done so far
    void tick();                  // redraws when due
    void end();                   // clears the line
    double seconds() const;

  private:
    void draw();

    std::size_t m_total;
    std::size_t m_done = 0;
    bool m_terminal;
    std::FILE* m_out;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDrawn;
    bool m_drawn = false;
};

// Whether stderr is a terminal.
[[nodiscard]] bool stderrIsTerminal();

} // namespace exporter
