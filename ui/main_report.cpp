#include "ui/main_report.h"

std::string tableReadReport(std::string_view procedure, std::string_view file)
{
    return "Модуль     : Quorvel_Main\r\nПроцедура: " + std::string(procedure) +
           "\r\nОшибка    : Не могу прочитать таблицу! (I/O Error)\r\n" + std::string(file);
}
