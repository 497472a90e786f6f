#include "DosName.h"

#include "LatinText.h"

#include <algorithm>
#include <cstring>

namespace
{

bool IsAllowed(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return true;
    if (c >= '0' && c <= '9')
        return true;
    return c != 0 && std::strchr("!#$%&'()-@^_`{}~", c) != nullptr;
}

std::string Cleaned(const std::string& str, std::size_t nMax)
{
    std::string strOut;
    for (const char ch : str)
    {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 'a' && c <= 'z')
            c = static_cast<unsigned char>(c - 'a' + 'A');
        if (IsAllowed(c) && strOut.size() < nMax)
            strOut += static_cast<char>(c);
    }
    return strOut;
}

// The file name of a path, on either kind of separator: a name typed on a
// DOS-minded system may carry backslashes.
std::string FileNameOf(const std::string& strPath)
{
    const std::size_t nSlash = strPath.find_last_of("/\\");
    return nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1);
}

bool IsKrzExtension(const std::string& strExt)
{
    return strExt == "KRZ" || strExt == "K25" || strExt == "K26";
}

// A file name's name part and extension as DOS keeps them (capitals, only
// allowed characters), the extension not yet cut; a part's number after a
// sampler extension (PIANO.KRZ01) dropped: the disk holds a part under the
// whole file's name, the part header telling the sampler which part it is.
struct SDosParts
{
    std::string strName;
    std::string strExt;
};

// Text with each run of characters outside ASCII in Latin letters where
// the transform has them ("Скрипка" as "Skripka", "ö" as "o"); what is
// left outside ASCII, Cleaned drops.
std::string InLatinLetters(const std::string& str)
{
    std::string strOut;
    for (std::size_t nPos = 0; nPos < str.size();)
    {
        std::size_t nEnd = nPos;
        while (nEnd < str.size() && static_cast<unsigned char>(str[nEnd]) >= 0x80)
            ++nEnd;
        if (nEnd == nPos)
        {
            strOut += str[nPos++];
            continue;
        }
        bool bAllKnown = true;
        strOut += LatinTextOf(str.substr(nPos, nEnd - nPos), bAllKnown);
        nPos = nEnd;
    }
    return strOut;
}

// bLatin: the name part and extension in Latin letters first (InLatinLetters).
SDosParts DosPartsOf(const std::string& strPath, bool bLatin)
{
    const std::string strFile = FileNameOf(strPath);
    const std::size_t nDot = strFile.find_last_of('.');
    std::string strStem = nDot == std::string::npos ? strFile : strFile.substr(0, nDot);
    std::string strExt = nDot == std::string::npos ? "" : strFile.substr(nDot + 1);
    if (bLatin)
    {
        strStem = InLatinLetters(strStem);
        strExt = InLatinLetters(strExt);
    }
    strExt = Cleaned(strExt, 16);
    if (strExt.size() > 3 && IsKrzExtension(strExt.substr(0, 3)) &&
        strExt.find_first_not_of("0123456789", 3) == std::string::npos)
        strExt.resize(3);
    return {Cleaned(strStem, 8), strExt};
}

} // namespace

std::string KrzDosName(const std::string& strPath)
{
    SDosParts parts = DosPartsOf(strPath, false);
    if (!IsKrzExtension(parts.strExt))
        parts.strExt = "KRZ";
    if (parts.strName.empty())
        parts.strName = "KRZ";
    return parts.strName + "." + parts.strExt;
}

std::string OwnDosName(const std::string& strPath)
{
    SDosParts parts = DosPartsOf(strPath, true);
    // A sampler file keeps KrzDosName's name for a name with no character
    // left, as Make File's images store it.
    if (parts.strName.empty())
        return IsKrzExtension(parts.strExt) ? KrzDosName(strPath) : std::string();
    parts.strExt.resize(std::min<std::size_t>(parts.strExt.size(), 3));
    return parts.strExt.empty() ? parts.strName : parts.strName + "." + parts.strExt;
}

std::string FolderDosName(const std::string& strName)
{
    const std::size_t nDot = strName.find_last_of('.');
    const std::string strStem = Cleaned(strName.substr(0, nDot), 8);
    if (strStem.empty())
        return {};
    const std::string strExt =
        nDot == std::string::npos ? "" : Cleaned(strName.substr(nDot + 1), 3);
    return strExt.empty() ? strStem : strStem + "." + strExt;
}

std::vector<std::string> PutFolderPath(const std::string& strFolder, std::string& strWhyNot)
{
    std::vector<std::string> aPath;
    std::size_t nPos = 0;
    while (nPos < strFolder.size())
    {
        const std::size_t nEnd = std::min(strFolder.find_first_of("/\\", nPos), strFolder.size());
        // Separators at either end or doubled name no folder.
        const std::string strName = strFolder.substr(nPos, nEnd - nPos);
        nPos = nEnd + 1;
        if (strName.empty())
            continue;
        const std::string strDosName = FolderDosName(InLatinLetters(strName));
        if (strDosName.empty())
        {
            strWhyNot = "the folder name " + strFolder + " has no character a DOS name may hold" +
                        (strName == strFolder ? "" : " in " + strName);
            return {};
        }
        aPath.push_back(strDosName);
    }
    if (aPath.empty())
        strWhyNot = "the folder name " + strFolder + " has no character a DOS name may hold";
    return aPath;
}

std::string DirEntryName(const std::string& strDosName)
{
    const std::size_t nDot = strDosName.find('.');
    std::string strStem = strDosName.substr(0, nDot);
    std::string strExt = nDot == std::string::npos ? "" : strDosName.substr(nDot + 1);
    strStem.resize(8, ' ');
    strExt.resize(3, ' ');
    return strStem + strExt;
}

std::string DosBaseName(const std::string& strDosName)
{
    return strDosName.substr(0, strDosName.find('.'));
}

SDosDateTime DosDateTime(std::time_t t)
{
    std::tm tm{};
    localtime_r(&t, &tm);
    const int nYear = std::clamp(tm.tm_year + 1900, 1980, 2107);
    SDosDateTime dt;
    dt.nDate =
        static_cast<std::uint16_t>(((nYear - 1980) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
    dt.nTime = static_cast<std::uint16_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
    return dt;
}
