#include "WrittenNames.h"

#include "KrzName.h"
#include "Multisample.h"

#include <algorithm>
#include <vector>

namespace
{

std::string WithoutEndSpaces(std::string str)
{
    str.erase(str.find_last_not_of(' ') + 1);
    return str;
}

} // namespace

std::string WrittenNamesNote(const CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo)
{
    std::vector<std::string> aSeen;
    std::string strList;
    bool bUnknown = false;
    auto Check = [&](const std::string& strName)
    {
        if (std::find(aSeen.begin(), aSeen.end(), strName) != aSeen.end())
            return;
        aSeen.push_back(strName);
        bool bAllKnown = true;
        const std::string strWritten = WithoutEndSpaces(KrzNameField(strName, bAllKnown));
        if (strWritten == WithoutEndSpaces(strName))
            return;
        strList +=
            (strList.empty() ? "" : ", ") + ("\"" + strName + "\" as \"" + strWritten + "\"");
        bUnknown = bUnknown || !bAllKnown;
    };
    const int nCount = std::clamp(doc.m_nCount, 0, MAX_POOL);
    for (int i = 0; i < nCount; ++i)
    {
        if (!aWavInfo[i].bValid)
            continue;
        const CWPoolObj& entry = doc.m_aPool[i];
        Check(entry.m_strSampleName);
        if (entry.m_bKeymapEnable)
            Check(EffectiveKeymapName(entry));
        if (entry.m_bProgramEnable)
            Check(EffectiveProgramName(entry));
    }
    if (strList.empty())
        return {};
    std::string strNote = "Names written otherwise: " + strList + ".";
    if (bUnknown)
        strNote += " This build has no table for some of their characters, written as \"_\"; "
                   "dorvane-cli writes them in Latin letters.";
    return strNote;
}
