#include "NameGrouping.h"

#include "NoteName.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <map>
#include <string_view>
#include <tuple>

namespace
{

// A velocity layer: kind 0 no layer word, 1 a dynamic (rank its place,
// softest first), 2 "vN" (rank N). Compared kind first, then rank.
struct CLayer
{
    int nKind = 0;
    int nRank = 0;
    auto operator<=>(const CLayer&) const = default;
};

constexpr std::array<std::string_view, 8> kDynamics = {"ppp", "pp", "p",  "mp",
                                                       "mf",  "f",  "ff", "fff"};

// The words of a file name and the separator before each ('\0' for none).
struct CWord
{
    std::string str;
    char cBefore = '\0';
};

std::vector<CWord> WordsOf(const std::string& strStem)
{
    std::vector<CWord> aWords;
    char cBefore = '\0';
    for (const char c : strStem)
    {
        if (std::string_view("_- .,+()[]{}").find(c) != std::string_view::npos)
        {
            cBefore = c;
            if (!aWords.empty() && !aWords.back().str.empty())
                aWords.push_back({});
            continue;
        }
        if (aWords.empty())
            aWords.push_back({});
        if (aWords.back().str.empty())
            aWords.back().cBefore = cBefore;
        aWords.back().str += c;
    }
    if (!aWords.empty() && aWords.back().str.empty())
        aWords.pop_back();
    return aWords;
}

std::string Lower(std::string str)
{
    for (char& c : str)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return str;
}

// The layer a word names, or nothing (kind -1).
CLayer LayerOf(const std::string& strWord)
{
    const std::string strLower = Lower(strWord);
    const auto it = std::find(kDynamics.begin(), kDynamics.end(), strLower);
    if (it != kDynamics.end())
        return {1, static_cast<int>(it - kDynamics.begin())};
    if (strLower.size() >= 2 && strLower.size() <= 4 && strLower[0] == 'v' &&
        std::all_of(strLower.begin() + 1, strLower.end(),
                    [](char c) { return c >= '0' && c <= '9'; }))
        return {2, std::stoi(strLower.substr(1))};
    return {-1, 0};
}

int WholeNumberOf(const std::string& strWord)
{
    if (strWord.empty() || strWord.size() > 3 ||
        !std::all_of(strWord.begin(), strWord.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    const int n = std::stoi(strWord);
    return n <= 127 ? n : -1;
}

// The root and layer of a file name; the root is -1 when it holds none.
std::pair<int, CLayer> ReadName(const std::string& strPath)
{
    const std::vector<CWord> aWords = WordsOf(std::filesystem::path(strPath).stem().string());
    int nNote = -1, nNumber = -1;
    std::size_t nNoteWord = aWords.size(), nNumberWord = aWords.size();
    for (std::size_t i = 0; i < aWords.size(); ++i)
    {
        int n = ParseNoteName(aWords[i].str);
        // "C-1" is cut at its '-': the letter, then the word "1".
        if (n < 0 && i + 1 < aWords.size() && aWords[i + 1].cBefore == '-' &&
            aWords[i + 1].str == "1" && aWords[i].str.size() <= 2)
            n = ParseNoteName(aWords[i].str + "-1");
        if (n >= 0)
            nNote = n, nNoteWord = i;
        else if (WholeNumberOf(aWords[i].str) >= 0)
            nNumber = WholeNumberOf(aWords[i].str), nNumberWord = i;
    }
    if (nNote < 0)
        nNote = nNumber, nNoteWord = nNumberWord;
    // Only words after the note: a word before it is a name ("F Horn C4",
    // "P_db4"), not a dynamic.
    CLayer layer;
    for (std::size_t i = nNoteWord + 1; i < aWords.size(); ++i)
        if (const CLayer found = LayerOf(aWords[i].str); found.nKind >= 0)
            layer = found;
    return {nNote, layer};
}

std::string LayerText(const CLayer& layer)
{
    if (layer.nKind == 1)
        return "layer " + std::string(kDynamics[static_cast<std::size_t>(layer.nRank)]);
    if (layer.nKind == 2)
        return "layer v" + std::to_string(layer.nRank);
    return "no layer";
}

} // namespace

CInstrumentSet GroupFilesByName(const std::string& strName, const std::vector<std::string>& aPaths)
{
    CInstrumentSet set;
    // (layer, root) -> the file that holds it, in the order of aPaths.
    std::map<std::pair<CLayer, int>, std::string> mapTaken;
    for (const std::string& strPath : aPaths)
    {
        const auto [nRoot, layer] = ReadName(strPath);
        if (nRoot < 0)
        {
            set.aNotes.push_back(strPath + ": the file name holds no note, left out");
            continue;
        }
        const auto [it, bNew] = mapTaken.try_emplace({layer, nRoot}, strPath);
        if (!bNew)
            set.aNotes.push_back(strPath + ": key " + std::to_string(nRoot) + ", " +
                                 LayerText(layer) + " as " + it->second + ", left out");
    }
    if (mapTaken.empty())
    {
        set.strRefusal = strName + ": no file name holds a note";
        return set;
    }
    std::vector<CLayer> aLayers;
    for (const auto& [key, strPath] : mapTaken)
        if (aLayers.empty() || aLayers.back() != key.first)
            aLayers.push_back(key.first);
    const int nLayers = static_cast<int>(aLayers.size());
    CInstrument instrument;
    instrument.strName = strName;
    for (const auto& [key, strPath] : mapTaken)
    {
        const int i = static_cast<int>(std::find(aLayers.begin(), aLayers.end(), key.first) -
                                       aLayers.begin());
        CZone zone;
        zone.audio.strPath = strPath;
        zone.nRootKey = zone.nLoKey = zone.nHiKey = key.second;
        zone.bKeyRange = false;
        // Even shares of 1..127, the softest lowest.
        zone.nLoVel = 1 + i * 127 / nLayers;
        zone.nHiVel = (i + 1) * 127 / nLayers;
        zone.strName = std::filesystem::path(strPath).stem().string();
        instrument.aZones.push_back(std::move(zone));
    }
    set.aInstruments.push_back(std::move(instrument));
    return set;
}
