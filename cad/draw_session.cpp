#include "cad/draw_session.h"

void DrawSession::release()
{
    for (std::string* text : {&CText, &B1Text, &BText, &PointText6, &PointText5, &PointText4,
                              &PointText3, &PointText2, &PointText1, &InsText}) {
        text->clear();
    }
    for (Point* point : {&Point6, &Point5, &Point4, &Point3, &Point2, &Point1, &InsPoint}) {
        *point = Point{};
    }
    AcadDoc.release();
    AcadApp.release();
}
