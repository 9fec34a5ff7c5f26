#pragma once
// The drawing unit's state for the whole process: host references, the insertion point, the work
// points and the texts of the last run. Not cleared between runs.

#include "cad/automation.h"

#include <string>

struct DrawSession {
    OleObject AcadApp;
    OleObject AcadDoc;
    Point InsPoint{};
    Point Point1{};
    Point Point2{};
    Point Point3{};
    Point Point4{};
    Point Point5{};
    Point Point6{};
    double HalfDist = 0;
    std::string InsText;
    std::string PointText1;
    std::string PointText2;
    std::string PointText3;
    std::string PointText4;
    std::string PointText5;
    std::string PointText6;
    std::string BText;
    std::string B1Text;
    std::string CText;

    DrawSession() = default;
    DrawSession(const DrawSession&) = delete;
    DrawSession& operator=(const DrawSession&) = delete;
    // At program exit: the texts are emptied from CText back to InsText, then the points and the
    // references are released in reverse order (Point6 ... Point1, InsPoint, AcadDoc, AcadApp).
    ~DrawSession() { release(); }
    void release();
};
