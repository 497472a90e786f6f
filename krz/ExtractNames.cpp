#include "ExtractNames.h"

#include <algorithm>
#include <cctype>

namespace
{

std::string Lower(std::string str)
{
    for (char& c : str)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return str;
}

// Device names some systems keep whatever the extension.
bool IsReservedName(const std::string& strName)
{
    std::string strBase = Lower(strName.substr(0, strName.find('.')));
    while (!strBase.empty() && strBase.back() == ' ')
        strBase.pop_back();
    if (strBase == "con" || strBase == "prn" || strBase == "aux" || strBase == "nul")
        return true;
    return strBase.size() == 4 && (strBase.starts_with("com") || strBase.starts_with("lpt")) &&
           strBase[3] >= '1' && strBase[3] <= '9';
}

} // namespace

std::string SafeFileName(const std::string& strName, const std::string& strFallback)
{
    std::string str;
    for (const char c : strName)
    {
        const auto u = static_cast<unsigned char>(c);
        const bool bBad = u < 0x20 || u == 0x7F ||
                          std::string_view("/\\<>:\"|?*").find(c) != std::string_view::npos;
        str += bBad ? '_' : c;
    }
    if (str.size() > 64)
        str.resize(64);
    while (!str.empty() && (str.back() == '.' || str.back() == ' '))
        str.pop_back();
    str.erase(0, std::min(str.find_first_not_of(' '), str.size()));
    if (str.empty())
        return strFallback;
    if (IsReservedName(str))
        return "_" + str;
    return str;
}

std::string CExtractNames::Unique(const std::string& strStem, const std::string& strExtension)
{
    std::string strName = strStem + strExtension;
    for (int n = 2; m_aTaken.count(Lower(strName)) != 0; ++n)
        strName = strStem + "-" + std::to_string(n) + strExtension;
    m_aTaken.insert(Lower(strName));
    return strName;
}
