#include "OptionTable.h"

#include "AudioInput.h"
#include "KrzSplit.h"
#include "MakeFile.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace
{

constexpr std::array<SOptionChoice, 3> kFloppyChoices{
    {{0, "none"}, {720, "720 KB"}, {1440, "1.44 MB"}}};

constexpr unsigned kAllFaces = kFaceCli | kFaceSettings | kFacePage;

// The floppy images and the part size go back to their defaults at New and
// Open, as the first object ID does: the window does not keep them.
const std::array<SOption, 10> kOptions{{
    {.szKey = "firstObjectID",
     .szCommand = "make",
     .szFlag = "--first-id",
     .szSettingsKey = "",
     .szSwitchKey = "",
     .szLabel = "First object ID",
     .szHelp = "First object ID",
     .kind = EOptionKind::Integer,
     .nMin = kMinFirstObjectID,
     .nMax = kMaxFirstObjectID,
     .nDefault = kDefaultFirstObjectID,
     .nFaces = kAllFaces,
     .szRangeMessage = "The first object ID lies in 200..900",
     .pfnSetMake = [](CMakeOptions& o, int n) { o.nFirstObjectID = n; },
     .pfnGetMake = [](const CMakeOptions& o) { return o.nFirstObjectID; }},
    {.szKey = "split",
     .szCommand = "make",
     .szFlag = "--split",
     .szSettingsKey = "",
     .szSwitchKey = "",
     .szLabel = "Split files",
     .szHelp = "Also split the result into parts",
     .kind = EOptionKind::Flag,
     .bChangesBytes = true,
     .nFaces = kFaceCli | kFacePage,
     .pfnSetMake = [](CMakeOptions& o, int n) { o.bSplit = n != 0; },
     .pfnGetMake = [](const CMakeOptions& o) { return int{o.bSplit}; }},
    {.szKey = "splitKB",
     .szCommand = "make",
     .szFlag = "--split-size",
     .szSettingsKey = "",
     .szSwitchKey = "",
     .szLabel = "Max. split filesize",
     .szHelp = "Largest part payload in KB (1024 bytes)",
     .kind = EOptionKind::Integer,
     .nMin = 1,
     .nMax = kMaxSplitKB,
     .nDefault = kDefaultSplitKB,
     .bChangesBytes = true,
     .nFaces = kAllFaces,
     .szRangeMessage = "The part size lies in 1..650000 KB",
     .pfnSetMake = [](CMakeOptions& o, int n) { o.nMaxSplitKB = n; },
     .pfnGetMake = [](const CMakeOptions& o) { return o.nMaxSplitKB; }},
    {.szKey = "skipUnusable",
     .szCommand = "make",
     .szFlag = "--skip-unusable",
     .szSettingsKey = "",
     .szSwitchKey = "",
     .szLabel = "Leave out unusable files",
     .szHelp = "Leave out entries whose WAV file cannot be used",
     .kind = EOptionKind::Flag,
     .nFaces = kFaceCli | kFacePage},
    {.szKey = "floppyKB",
     .szCommand = "make",
     .szFlag = "--image",
     .szSettingsKey = "",
     .szSwitchKey = "",
     .szLabel = "Floppy images",
     .szHelp = "Also write floppy images of 720 or 1440 KB",
     .kind = EOptionKind::Choice,
     .aChoices = kFloppyChoices,
     .bChangesBytes = true,
     .nFaces = kAllFaces,
     .szRangeMessage = "Floppy images are of 720 or 1440 KB (0: none)",
     .pfnSetMake = [](CMakeOptions& o, int n) { o.nFloppyKB = n; },
     .pfnGetMake = [](const CMakeOptions& o) { return o.nFloppyKB; }},
    {.szKey = "convert",
     .szCommand = "make",
     .szFlag = "--convert",
     .szSettingsKey = "Options/ConvertAudio",
     .szSwitchKey = "",
     .szLabel = "Convert other audio files",
     .szHelp = "Convert other audio files (24/32-bit, float, AIFF, FLAC, ...) to 16 bits",
     .kind = EOptionKind::Flag,
     .bChangesBytes = true,
     .nFaces = kAllFaces,
     .pfnSetMake = [](CMakeOptions& o, int n) { o.audio.bConvert = n != 0; },
     .pfnGetMake = [](const CMakeOptions& o) { return int{o.audio.bConvert}; }},
    {.szKey = "maxRate",
     .szCommand = "make",
     .szFlag = "--max-rate",
     .szSettingsKey = "Options/SampleRateLimit",
     .szSwitchKey = "Options/LimitSampleRate",
     .szLabel = "Limit the sample rate to",
     .szHelp = "Resample files above this rate in Hz, e.g. 48000 (0: no limit)",
     .kind = EOptionKind::Integer,
     .nMin = kMinRateLimit,
     .nMax = kMaxRateLimit,
     .bZeroIsNone = true,
     .nProposed = 48000,
     .bChangesBytes = true,
     .nFaces = kAllFaces,
     .szRangeMessage = kRateLimitRangeMessage,
     .pfnSetMake = [](CMakeOptions& o, int n) { o.audio.nMaxRate = n; },
     .pfnGetMake = [](const CMakeOptions& o) { return o.audio.nMaxRate; }},
    {.szKey = "fileMetadata",
     .szCommand = "make",
     .szFlag = "--file-metadata",
     .szSettingsKey = "Options/FileMetadata",
     .szSwitchKey = "",
     .szLabel = "Use root key and loop stored in the files",
     .szHelp = "Use the root key and loop stored in the files (or a note name in the file "
               "name)",
     .kind = EOptionKind::Flag,
     .bChangesBytes = true,
     .nFaces = kAllFaces,
     .pfnSetMake = [](CMakeOptions& o, int n) { o.audio.bFileMetadata = n != 0; },
     .pfnGetMake = [](const CMakeOptions& o) { return int{o.audio.bFileMetadata}; }},
    {.szKey = "multisample",
     .szCommand = "make",
     .szFlag = "--multisample",
     .szSettingsKey = "Options/Multisample",
     .szSwitchKey = "",
     .szLabel = "Entries with the same keymap name share one keymap",
     .szHelp = "Entries with the same keymap name share one keymap and one program",
     .kind = EOptionKind::Flag,
     .bChangesBytes = true,
     .nFaces = kAllFaces,
     .pfnSetMake = [](CMakeOptions& o, int n) { o.bMultisample = n != 0; },
     .pfnGetMake = [](const CMakeOptions& o) { return int{o.bMultisample}; }},
    {.szKey = "relativePaths",
     .szCommand = "pool",
     .szFlag = "--relative-paths",
     .szSettingsKey = "Options/RelativePaths",
     .szSwitchKey = "",
     .szLabel = "Save paths relative to the pool file",
     .szHelp = "Save paths relative to the pool file, for the files inside its folder",
     .kind = EOptionKind::Flag,
     .bChangesBytes = true,
     .nFaces = kFaceCli | kFaceSettings},
}};

const char* KindName(EOptionKind kind)
{
    switch (kind)
    {
    case EOptionKind::Flag:
        return "flag";
    case EOptionKind::Integer:
        return "integer";
    default:
        return "choice";
    }
}

// The table's texts are plain ASCII: quotes, backslashes and control
// characters are all that need escaping.
std::string JsonText(std::string_view sv)
{
    std::string str = "\"";
    for (const char c : sv)
    {
        if (c == '"' || c == '\\')
            str += '\\';
        if (static_cast<unsigned char>(c) < 0x20)
        {
            constexpr char kHex[] = "0123456789abcdef";
            str += "\\u00";
            str += kHex[(c >> 4) & 0xF];
            str += kHex[c & 0xF];
            continue;
        }
        str += c;
    }
    return str + '"';
}

std::string JsonFaces(unsigned nFaces)
{
    std::string str = "[";
    const std::pair<unsigned, const char*> aNames[] = {
        {kFaceCli, "cli"}, {kFaceSettings, "settings"}, {kFacePage, "page"}};
    for (const auto& [nBit, szName] : aNames)
        if ((nFaces & nBit) != 0)
            str += (str.size() > 1 ? "," : "") + JsonText(szName);
    return str + "]";
}

std::string OptionJson(const SOption& o)
{
    auto text = [](const char* szName, const char* szValue)
    { return JsonText(szName) + ":" + JsonText(szValue) + ","; };
    auto number = [](const char* szName, int n)
    { return JsonText(szName) + ":" + std::to_string(n) + ","; };
    auto boolean = [](const char* szName, bool b)
    { return JsonText(szName) + ":" + (b ? "true" : "false") + ","; };
    std::string str = "{" + text("key", o.szKey) + text("command", o.szCommand) +
                      text("flag", o.szFlag) + text("settingsKey", o.szSettingsKey) +
                      text("switchKey", o.szSwitchKey) + text("label", o.szLabel) +
                      text("help", o.szHelp) + text("kind", KindName(o.kind)) +
                      number("min", o.nMin) + number("max", o.nMax) +
                      boolean("zeroIsNone", o.bZeroIsNone) + "\"choices\":[";
    for (std::size_t i = 0; i < o.aChoices.size(); ++i)
        str += std::string(i > 0 ? "," : "") +
               "{\"value\":" + std::to_string(o.aChoices[i].nValue) +
               ",\"label\":" + JsonText(o.aChoices[i].szLabel) + "}";
    return str + "]," + number("default", o.nDefault) + number("proposed", o.nProposed) +
           boolean("changesBytes", o.bChangesBytes) + "\"faces\":" + JsonFaces(o.nFaces) + "," +
           JsonText("rangeMessage") + ":" + JsonText(o.szRangeMessage) + "}";
}

} // namespace

std::span<const SOption> OptionTable()
{
    return kOptions;
}

const SOption* FindOption(std::string_view svKey)
{
    const auto it = std::find_if(kOptions.begin(), kOptions.end(),
                                 [&](const SOption& o) { return svKey == o.szKey; });
    return it == kOptions.end() ? nullptr : &*it;
}

const SOption& Option(std::string_view svKey)
{
    const SOption* pOption = FindOption(svKey);
    if (pOption == nullptr)
        throw std::out_of_range("no option " + std::string(svKey));
    return *pOption;
}

bool IsOptionValueValid(const SOption& option, int nValue)
{
    switch (option.kind)
    {
    case EOptionKind::Flag:
        return nValue == 0 || nValue == 1;
    case EOptionKind::Integer:
        return (option.bZeroIsNone && nValue == 0) ||
               (nValue >= option.nMin && nValue <= option.nMax);
    default:
        return std::any_of(option.aChoices.begin(), option.aChoices.end(),
                           [&](const SOptionChoice& c) { return c.nValue == nValue; });
    }
}

std::string CheckOptionValue(const SOption& option, int nValue)
{
    if (IsOptionValueValid(option, nValue))
        return {};
    if (option.szRangeMessage[0] != '\0')
        return option.szRangeMessage;
    return std::string(option.szLabel) + " is on or off";
}

std::string OptionTableJson()
{
    std::string str = "[";
    for (std::size_t i = 0; i < kOptions.size(); ++i)
        str += (i > 0 ? "," : "") + OptionJson(kOptions[i]);
    return str + "]";
}
