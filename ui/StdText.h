// Conversions between the engine's UTF-8 strings and Qt's, and the file
// check the pool's views share.
#pragma once

#include <QString>
#include <filesystem>
#include <string>
#include <system_error>

inline QString FromStd(const std::string& str)
{
    return QString::fromStdString(str);
}

inline std::string ToStd(const QString& str)
{
    return str.toStdString();
}

// Whether strPath names an existing regular file (errors count as no).
inline bool IsFile(const std::string& strPath)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(strPath, ec);
}
