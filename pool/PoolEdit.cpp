#include "PoolEdit.h"

#include "RootKey.h"
#include "TextCodec.h"

#include <filesystem>

namespace
{
bool IsWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
} // namespace

std::string SampleNameFromTitle(const std::string& strTitle)
{
    std::size_t nEnd = strTitle.size();
    while (nEnd > 0 && IsWhite(strTitle[nEnd - 1]))
        --nEnd;
    std::size_t nBegin = 0;
    while (nBegin < nEnd && IsWhite(strTitle[nBegin]))
        ++nBegin;
    // The extension is whatever follows the last dot, of any length (.wav,
    // .aiff, .flac): counting characters would leave "lead." of lead.aiff.
    // A dot followed by white space starts no extension ("Mr. Smith").
    const std::size_t nDot = strTitle.find_last_of('.', nEnd == 0 ? 0 : nEnd - 1);
    if (nDot != std::string::npos && nDot >= nBegin && nDot < nEnd)
    {
        bool bBlank = false;
        for (std::size_t i = nDot + 1; i < nEnd; ++i)
            bBlank = bBlank || IsWhite(strTitle[i]);
        if (!bBlank)
            nEnd = nDot;
    }
    return strTitle.substr(nBegin, nEnd - nBegin);
}

std::string CutToChars(const std::string& str, std::size_t nChars)
{
    std::size_t nPos = 0;
    std::size_t nUnits = 0;
    while (nPos < str.size())
    {
        std::size_t nNext = nPos;
        const char32_t cp = DecodeUtf8(str, nNext);
        const std::size_t nWidth = cp != kInvalidCodePoint && cp > 0xFFFF ? 2 : 1;
        if (nUnits + nWidth > nChars)
            break;
        nUnits += nWidth;
        nPos = nNext;
    }
    return str.substr(0, nPos);
}

std::string FileTitleOf(const std::string& strPath)
{
    return std::filesystem::path(strPath).filename().string();
}

int AddPoolEntry(CDorvane_V2Doc& doc, const std::string& strPath, const std::string& strTitle)
{
    if (doc.m_nCount >= MAX_POOL || doc.m_nCount < 0)
        return -1;
    const int n = doc.m_nCount++;
    CWPoolObj& entry = doc.m_aPool[n];
    entry.m_strFileName = strPath;
    entry.m_strFoundPath.clear();
    // A longer name than the field takes would be refused by the form's
    // first edit of the entry.
    entry.m_strSampleName = CutToChars(SampleNameFromTitle(strTitle), kNameFieldChars);
    entry.m_strKeymapName.clear();
    entry.m_strProgramName.clear();
    entry.m_bLoop = 0;
    entry.m_nRootKey = kDefaultRootKey;
    entry.m_bKeymapEnable = 1;
    entry.m_bProgramEnable = 1;
    entry.m_pZone.reset();
    doc.SetModifiedFlag(true);
    return n;
}

void ApplyFileMetadata(CWPoolObj& entry, const WAVINFO& info, const std::string& strTitle,
                       const CAudioOptions& options)
{
    if (!options.bFileMetadata)
        return;
    entry.m_nRootKey = RootKeyForNewEntry(info, strTitle, options);
    if (info.bHasLoop)
        entry.m_bLoop = 1;
}

bool DeletePoolEntry(CDorvane_V2Doc& doc, WavInfoArray& aWavInfo, int nIndex)
{
    const int nCount = doc.m_nCount;
    if (nCount < 1 || nCount > MAX_POOL || nIndex < 0 || nIndex >= nCount)
        return false;
    for (int i = nIndex + 1; i < nCount; ++i)
    {
        doc.m_aPool[i - 1] = doc.m_aPool[i];
        aWavInfo[i - 1] = aWavInfo[i];
    }
    doc.m_nCount = nCount - 1;
    CWPoolObj& vacated = doc.m_aPool[nCount - 1];
    vacated.m_strFileName.clear();
    vacated.m_strFoundPath.clear();
    vacated.m_strSampleName.clear();
    vacated.m_strKeymapName.clear();
    vacated.m_strProgramName.clear();
    vacated.m_nRootKey = kDefaultRootKey;
    vacated.m_bLoop = 0;
    vacated.m_bKeymapEnable = 0;
    vacated.m_bProgramEnable = 0;
    vacated.m_pZone.reset();
    doc.SetModifiedFlag(true);
    return true;
}
