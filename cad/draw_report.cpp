#include "cad/draw_report.h"

std::string drawReport(std::string_view procedure, HostName host, OleErrorKind kind)
{
    const std::string hostText = host == HostName::AutoCAD ? "AutoCAD" : "MDT6";
    std::string error;
    switch (kind) {
    case OleErrorKind::Exception:
        error = "Нет связи с " + hostText + "! (EOleException)";
        break;
    case OleErrorKind::SysError:
        error = "Операция недоступна! (EOleSysError)";
        break;
    case OleErrorKind::Error:
        error = "Незагружен " + hostText + "! (EOleError)";
        break;
    }
    return "Модуль   : Quorvel_Draw\r\nПроцедура: " + std::string(procedure) +
           "\r\nОшибка   : " + error;
}
