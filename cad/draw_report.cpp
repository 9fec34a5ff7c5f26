#include "cad/draw_report.h"

namespace {

const char* kindName(OleErrorKind kind)
{
    switch (kind) {
    case OleErrorKind::Exception:
        return "EOleException";
    case OleErrorKind::SysError:
        return "EOleSysError";
    case OleErrorKind::Error:
        break;
    }
    return "EOleError";
}

} // namespace

std::string drawReport(std::string_view procedure, HostName host, OleErrorKind kind)
{
    const std::string hostText = host == HostName::AutoCAD ? "AutoCAD" : "MDT6";
    std::string error;
    switch (kind) {
    case OleErrorKind::Exception:
        error = "Нет связи с " + hostText + "!";
        break;
    case OleErrorKind::SysError:
        error = "Операция недоступна!";
        break;
    case OleErrorKind::Error:
        error = "Незагружен " + hostText + "!";
        break;
    }
    return drawReport(procedure, error, kind);
}

std::string drawReport(std::string_view procedure, std::string_view text, OleErrorKind kind)
{
    return "Модуль   : Quorvel_Draw\r\nПроцедура: " + std::string(procedure) +
           "\r\nОшибка   : " + std::string(text) + " (" + kindName(kind) + ")";
}
