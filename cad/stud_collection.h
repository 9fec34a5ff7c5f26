#pragma once
// Reads the studs of this program from the active drawing through the object model: the block
// references of model space that carry the QUORVEL extended data (blocks nested in other blocks
// are not looked into), with their parts-list attributes as the designer left them.

#include "cad/automation.h"
#include "cad/parts_list.h"

#include <vector>

enum class CollectionWay {
    // A selection set of the block references with QUORVEL data: the host filters, and only the
    // studs are called on.
    SelectionSet,
    // ModelSpace.Item over every entity, its ObjectName, and the extended data of each block
    // reference: works where a host has no selection sets or no extended-data filter.
    Walk,
};

// In model space's order. Throws the automation failures (EOleError and its kinds) and
// VariantTypeError for an answer of the wrong kind.
[[nodiscard]] std::vector<PlacedStud> collectStuds(const OleObject& document, CollectionWay way);

// The selection set, or the walk when the host refuses the selection set or its filter.
[[nodiscard]] std::vector<PlacedStud> collectStuds(const OleObject& document);
