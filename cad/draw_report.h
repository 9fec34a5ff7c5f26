#pragma once
// The three-line warning texts of the drawing unit Quorvel_Draw.

#include <string>
#include <string_view>

enum class OleErrorKind { Exception, SysError, Error };

// The host's name as the procedure's messages call it.
enum class HostName { AutoCAD, MDT6 };

// "Модуль   : Quorvel_Draw\r\nПроцедура: <procedure>\r\nОшибка   : <text> (<kind>)"
[[nodiscard]] std::string drawReport(std::string_view procedure, HostName host, OleErrorKind kind);

// The same form with a text of the failing stage's own instead of the one for its kind.
[[nodiscard]] std::string drawReport(std::string_view procedure, std::string_view text,
                                     OleErrorKind kind);
