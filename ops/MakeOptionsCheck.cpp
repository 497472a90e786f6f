#include "MakeOptionsCheck.h"

#include "MakeFile.h"
#include "OptionTable.h"

std::string CheckMakeOptions(const CMakeOptions& options)
{
    const std::pair<const char*, int> aValues[] = {
        {"firstObjectID", options.nFirstObjectID},
        {"split", options.bSplit ? 1 : 0},
        {"splitKB", options.nMaxSplitKB},
        {"floppyKB", options.nFloppyKB},
        {"convert", options.audio.bConvert ? 1 : 0},
        {"maxRate", options.audio.nMaxRate},
        {"fileMetadata", options.audio.bFileMetadata ? 1 : 0},
        {"multisample", options.bMultisample ? 1 : 0},
    };
    for (const auto& [szKey, nValue] : aValues)
    {
        std::string strMessage = CheckOptionValue(Option(szKey), nValue);
        if (!strMessage.empty())
            return strMessage;
    }
    return {};
}
