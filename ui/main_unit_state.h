#pragma once
// The unit-level state of the main window's unit Quorvel_Main, shared with the standard
// selection dialog and the drawing unit. One instance lives for the whole program.

#include "cad/quorvel_draw.h"
#include "model/stud_standard.h"

#include <string>

struct MainUnitState {
    GostIndexValue GostIndex = 0;
    std::string BasePath;
    std::string GostNumber;
    std::string PartName;
    int SelectHeight = 275;
    int SelectWidth = 645;
    LayerNames layers;                         // LayerMain, LayerThin, LayerAxis
    std::string cadApplication{hostClassName}; // the class name Start_ACAD looks up
    bool solid3D = false; // 3D as a solid through the object model, not by the part commands
    std::string DiamTablePath;
    std::string LengthTablePath;
};
