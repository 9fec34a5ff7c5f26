#pragma once
// Extended data, as entities carry it: SetXData takes the type codes and values as they arrive and
// keeps them per registered application; GetXData answers them as its two out arrays.

#include "host/objects/drawing_names.h"
#include "host/objects/host_value.h"

#include <string>
#include <vector>

namespace cadhost {

// SetXData(type codes, values): replaces data's items of the application named first (group 1001),
// which must be one of applications.
void setExtendedData(std::vector<ExtendedData>& data, const std::vector<std::string>& applications,
                     const std::string& member, const std::vector<HostValue>& args);
// GetXData(application, out codes, out values): the out values are the result, both empty when
// there is no data of that application (docs/design-notes.md).
HostValue extendedDataReply(const std::vector<ExtendedData>& data, const std::string& member,
                            const std::vector<HostValue>& args);

} // namespace cadhost
