#include "InstrumentFile.h"

#include "DsPresetReader.h"
#include "Sf2Reader.h"
#include "SfzReader.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace
{
std::string LowerExtension(const std::string& strPath)
{
    std::string strExt = std::filesystem::path(strPath).extension().string();
    std::transform(strExt.begin(), strExt.end(), strExt.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return strExt;
}
} // namespace

bool IsInstrumentPath(const std::string& strPath)
{
    const std::string strExt = LowerExtension(strPath);
    return strExt == ".sfz" || strExt == ".dspreset" || strExt == ".sf2";
}

CInstrumentSet ReadInstrumentFile(const std::string& strPath)
{
    const std::string strExt = LowerExtension(strPath);
    if (strExt == ".sfz")
        return ReadSfzFile(strPath);
    if (strExt == ".dspreset")
        return ReadDsPresetFile(strPath);
    if (strExt == ".sf2")
        return ReadSf2File(strPath);
    CInstrumentSet set;
    set.strRefusal = strPath + " is not an instrument file (.sfz, .dspreset, .sf2)";
    return set;
}
