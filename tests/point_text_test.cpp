#include "cad/draw_report.h"
#include "cad/point_text.h"
#include "decimal_comma_locale.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <locale>

TEST(PointText, WritesXAndYWithAPoint)
{
    const struct {
        Point point;
        const char* text;
    } rows[] = {
        {{12.5, -3, 7}, "12.5,-3"},
        {{0.1 + 0.2, 0.00005, 0}, "0.3,5E-5"},
        {{1.8369701987210297e-16, 3, 0}, "1.83697019872103E-16,3"},
        {{-9.5, -9.75, 0}, "-9.5,-9.75"},
        {{100, 0, 0}, "100,0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(PointToText(row.point), row.text);
    }
}

TEST(PointText, IgnoresADecimalCommaLocale)
{
    const DecimalCommaLocale locale;
    if (locale.name() == nullptr) {
        GTEST_SKIP() << "no decimal-comma locale installed";
    }
    ASSERT_EQ(*std::localeconv()->decimal_point, ',');
    EXPECT_EQ(PointToText({1.6, -0.25, 0}), "1.6,-0.25");
}

TEST(PointText, PlanarDistanceIgnoresZ)
{
    EXPECT_EQ(PointDistance({0, 0, 5}, {112, 0, -3}), 112);
    EXPECT_EQ(PointDistance({1, 1, 0}, {4, 5, 9}), 5);
    EXPECT_EQ(PointDistance({0, 0, 0}, {0, 6, 0}) * 0.5, 3);
}

TEST(DrawReport, ThreeLinesPerProcedureAndKind)
{
    EXPECT_EQ(drawReport("Draw_2D_Quorvel", HostName::AutoCAD, OleErrorKind::Exception),
              "Модуль   : Quorvel_Draw\r\nПроцедура: Draw_2D_Quorvel\r\nОшибка   : Нет связи с "
              "AutoCAD! (EOleException)");
    EXPECT_EQ(drawReport("Draw_3D_Quorvel", HostName::MDT6, OleErrorKind::Error),
              "Модуль   : Quorvel_Draw\r\nПроцедура: Draw_3D_Quorvel\r\nОшибка   : Незагружен "
              "MDT6! (EOleError)");
    EXPECT_EQ(drawReport("Draw_3D_Quorvel", HostName::MDT6, OleErrorKind::SysError),
              "Модуль   : Quorvel_Draw\r\nПроцедура: Draw_3D_Quorvel\r\nОшибка   : Операция "
              "недоступна! (EOleSysError)");
}
