#pragma once
// The message texts of the main window's unit Quorvel_Main.

#include <string>
#include <string_view>

// Table reading failure of WorkForm, SetDataDetal or LenghtChange, followed by the file's path.
[[nodiscard]] std::string tableReadReport(std::string_view procedure, std::string_view file);

inline constexpr std::string_view conversionReport =
    "Модуль     : Quorvel_Main\r\nПроцедура: bbDrawClick\r\nОшибка    : Преобразование "
    "размеров! (EConvertError)\r\nПроверьте числовые значения";

inline constexpr std::string_view zeroValueReport =
    "Ошибка в размерах шпильки!\r\nОдно из числовых значений равно нулю";
