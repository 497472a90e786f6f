#include "DsPresetValues.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

namespace
{
std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// from_chars takes no leading '+'; presets written by hand may have one.
std::string_view SkipPlus(std::string_view text)
{
    if (text.size() > 1 && text.front() == '+' && text[1] != '-')
        text.remove_prefix(1);
    return text;
}

template <typename T> bool ParseWhole(std::string_view text, T& value)
{
    text = SkipPlus(Trim(text));
    const char* pEnd = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), pEnd, value);
    return ec == std::errc() && ptr == pEnd;
}

bool ParseFinite(std::string_view text, double& d)
{
    return ParseWhole(text, d) && std::isfinite(d);
}

// Reads the integer attribute szName into n when present; a problem text
// when it is no integer or lies outside nMin..nMax.
std::string ReadInt(const DsAttributeLookup& find, const char* szName, std::int64_t nMin,
                    std::int64_t nMax, std::int64_t& n)
{
    const char* szText = find(szName);
    if (!szText)
        return "";
    std::int64_t nValue = 0;
    if (!ParseWhole(std::string_view(szText), nValue))
        return std::string(szName) + " \"" + szText + "\" is not a whole number";
    if (nValue < nMin || nValue > nMax)
        return std::string(szName) + " " + std::to_string(nValue) + " lies outside " +
               std::to_string(nMin) + ".." + std::to_string(nMax);
    n = nValue;
    return "";
}

std::string ReadRange(const DsAttributeLookup& find, const char* szLo, const char* szHi, int& nLo,
                      int& nHi)
{
    std::int64_t nL = nLo, nH = nHi;
    std::string str = ReadInt(find, szLo, 0, 127, nL);
    if (str.empty())
        str = ReadInt(find, szHi, 0, 127, nH);
    if (str.empty() && nL > nH)
        str = std::string(szLo) + " " + std::to_string(nL) + " lies above " + szHi + " " +
              std::to_string(nH);
    nLo = static_cast<int>(nL);
    nHi = static_cast<int>(nH);
    return str;
}

std::string ReadPitchAndGain(const DsAttributeLookup& find, CZone& zone)
{
    std::int64_t nRoot = zone.nRootKey;
    if (std::string str = ReadInt(find, "rootNote", 0, 127, nRoot); !str.empty())
        return str;
    zone.nRootKey = static_cast<int>(nRoot);
    if (const char* szTuning = find("tuning"))
    {
        double dSemitones = 0;
        if (!ParseFinite(szTuning, dSemitones) || std::fabs(dSemitones) > 127)
            return std::string("tuning \"") + szTuning +
                   "\" is not a number of semitones in -127..127";
        zone.dTuneCents = dSemitones * 100;
    }
    if (const char* szVolume = find("volume"))
    {
        if (!ParseDsVolumeDb(szVolume, zone.dGainDb))
            return std::string("volume \"") + szVolume + "\" is neither dB nor a factor above 0";
    }
    return "";
}

// start/end, then the loop within them.
std::string ReadFrames(const DsAttributeLookup& find, CZone& zone, std::string& strWarning)
{
    constexpr std::int64_t kMax = INT64_MAX - 1;
    std::int64_t nStart = 0, nEnd = -1;
    if (std::string str = ReadInt(find, "start", 0, kMax, nStart); !str.empty())
        return str;
    if (std::string str = ReadInt(find, "end", nStart, kMax, nEnd); !str.empty())
        return str;
    zone.audio.nStartFrame = nStart;
    zone.audio.nEndFrame = find("end") ? nEnd + 1 : -1;
    const char* szEnabled = find("loopEnabled");
    if (!szEnabled)
        return "";
    const std::string_view enabled = Trim(szEnabled);
    if (enabled == "false" || enabled == "0")
        return "";
    if (enabled != "true" && enabled != "1")
        return std::string("loopEnabled \"") + szEnabled + "\" is neither true nor false";
    const bool bHasEnd = find("end") != nullptr;
    std::int64_t nLoopStart = nStart, nLoopEnd = bHasEnd ? nEnd : -1;
    if (std::string str = ReadInt(find, "loopStart", nStart, bHasEnd ? nEnd : kMax, nLoopStart);
        !str.empty())
        return str;
    if (std::string str = ReadInt(find, "loopEnd", nLoopStart, bHasEnd ? nEnd : kMax, nLoopEnd);
        !str.empty())
        return str;
    if (nLoopEnd < 0)
    {
        strWarning = "loop left off: loopEnabled without loopEnd or end";
        return "";
    }
    zone.loop = {true, nLoopStart - nStart, nLoopEnd - nStart};
    return "";
}
} // namespace

bool ParseDsVolumeDb(std::string_view text, double& dDb)
{
    text = Trim(text);
    bool bDb = false;
    if (text.size() >= 2)
    {
        const std::string_view unit = text.substr(text.size() - 2);
        bDb = (unit[0] == 'd' || unit[0] == 'D') && (unit[1] == 'b' || unit[1] == 'B');
        if (bDb)
            text = text.substr(0, text.size() - 2);
    }
    double d = 0;
    if (!ParseFinite(text, d))
        return false;
    if (bDb || d < 0 || d > 1)
    {
        dDb = d;
        return true;
    }
    if (d == 0)
        return false;
    dDb = 20 * std::log10(d);
    return true;
}

std::string FillDsZone(const DsAttributeLookup& find, CZone& zone, std::string& strWarning)
{
    if (std::string str = ReadRange(find, "loNote", "hiNote", zone.nLoKey, zone.nHiKey);
        !str.empty())
        return str;
    if (std::string str = ReadRange(find, "loVel", "hiVel", zone.nLoVel, zone.nHiVel); !str.empty())
        return str;
    if (std::string str = ReadPitchAndGain(find, zone); !str.empty())
        return str;
    return ReadFrames(find, zone, strWarning);
}
