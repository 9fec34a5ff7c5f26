#pragma once
// The part steps of the COM test host on Windows, where no solid modeller is built (Open CASCADE
// has no MinGW build in Debian). It takes the place of the modelling host/part_solid.h in that
// build only (an include path ahead of the source root): each step is checked for what the
// commands must carry and recorded, and the side view is the profile and its mirror image across
// the revolution axis. The transport tests need the commands and the call log, not the solid.

#include "host/cad_drawing.h"

#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace cadhost {

// A step that cannot be carried out on the part; what() gives the reason for the user.
class ModelingError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::size_t maxProfileEdges = 1000;

class PartSolid {
  public:
    // Throws ModelingError when the pick is on no profile edge or the profile is too large.
    [[nodiscard]] static PartSolid revolve(const std::vector<Vec2>& profile, Vec2 axisPick);
    // Throws ModelingError for a length that is not positive.
    [[nodiscard]] PartSolid withThread(Vec2 endFacePick, std::optional<double> length) const;
    // Throws ModelingError for a size that is not positive or no pick.
    [[nodiscard]] PartSolid withChamfer(const std::vector<Vec2>& endFacePicks, double size) const;

    std::size_t threadCount() const { return m_threads; }
    const std::vector<std::pair<Vec2, Vec2>>& sideView() const { return m_sideView; }

  private:
    std::vector<std::pair<Vec2, Vec2>> m_sideView;
    std::size_t m_threads = 0;
};

} // namespace cadhost
