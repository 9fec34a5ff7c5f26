#pragma once
// Reads a STEP file back with Open CASCADE's own document reader (not the host's code): the
// products with their names, solids, volume, bounding box and named faces.

#include <optional>
#include <string>
#include <vector>

struct StepBox {
    double xmin, ymin, zmin, xmax, ymax, zmax;
};

struct StepNamedFace {
    std::string name;
    StepBox box;
};

struct StepProduct {
    std::string name; // UTF-8
    int solids = 0;
    bool valid = false; // the shape check finds nothing wrong
    double volume = 0;
    StepBox box{};
    std::vector<StepNamedFace> faces; // named sub-shapes
};

struct StepContents {
    double lengthUnitInMetres = 0;
    std::vector<StepProduct> products;
};

// None when the file cannot be read or translated.
std::optional<StepContents> readStep(const std::string& file);
