#pragma once
// The one conversion pair between the core's UTF-8 texts and Qt's strings.

#include <QString>

#include <string>
#include <string_view>

inline QString toQt(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string toStd(const QString& text)
{
    return text.toUtf8().toStdString();
}
