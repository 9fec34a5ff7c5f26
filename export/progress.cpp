#include "export/progress.h"

#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace exporter {

namespace {

constexpr auto redrawInterval = std::chrono::milliseconds(200);

std::string clock(double seconds)
{
    const long whole = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

} // namespace

bool stderrIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return ::isatty(2) != 0;
#endif
}

Progress::Progress(std::size_t total, bool terminal, std::FILE* out)
    : m_total(total), m_terminal(terminal), m_out(out), m_start(std::chrono::steady_clock::now()),
      m_lastDrawn(m_start)
{
}

double Progress::seconds() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
}

void Progress::done(std::size_t count)
{
    m_done = count;
    tick();
}

void Progress::tick()
{
    if (m_terminal && std::chrono::steady_clock::now() - m_lastDrawn >= redrawInterval) {
        draw();
    }
}

void Progress::draw()
{
    m_lastDrawn = std::chrono::steady_clock::now();
    const double elapsed = seconds();
    const double rate = elapsed > 0 ? static_cast<double>(m_done) / elapsed : 0;
    const std::string left =
        rate > 0 ? clock(static_cast<double>(m_total - m_done) / rate) + " left" : "";
    std::fprintf(m_out, "\r%zu/%zu studs, %.1f studs/s, %s\x1b[K", m_done, m_total, rate,
                 left.c_str());
    std::fflush(m_out);
    m_drawn = true;
}

void Progress::end()
{
    if (m_drawn) {
        std::fprintf(m_out, "\r\x1b[K");
        std::fflush(m_out);
    }
}

} // namespace exporter
