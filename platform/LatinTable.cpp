#include "LatinTable.h"

#include "TextCodec.h"

#include <algorithm>
#include <iterator>

namespace
{

struct SLatinEntry
{
    char32_t cp;
    const char* szText;
};

struct SLatinRange
{
    char32_t first;
    char32_t last;
};

#include "LatinTable.inc"

} // namespace

std::string LatinTextFromTable(const std::string& strRun, bool& bAllKnown)
{
    bAllKnown = true;
    std::string strOut;
    for (std::size_t nPos = 0; nPos < strRun.size();)
    {
        const std::size_t nStart = nPos;
        const char32_t cp = DecodeUtf8(strRun, nPos);
        // Both lists are sorted by code point.
        const auto it = std::lower_bound(std::begin(kLatinTable), std::end(kLatinTable), cp,
                                         [](const SLatinEntry& e, char32_t c) { return e.cp < c; });
        if (it != std::end(kLatinTable) && it->cp == cp)
        {
            strOut += it->szText;
            continue;
        }
        const auto itRange =
            std::lower_bound(std::begin(kLatinOthers), std::end(kLatinOthers), cp,
                             [](const SLatinRange& r, char32_t c) { return r.last < c; });
        if (itRange != std::end(kLatinOthers) && itRange->first <= cp)
            bAllKnown = false;
        strOut.append(strRun, nStart, nPos - nStart);
    }
    return strOut;
}

std::vector<char32_t> LatinTableCharacters()
{
    std::vector<char32_t> a;
    for (const SLatinEntry& e : kLatinTable)
        a.push_back(e.cp);
    return a;
}
