#include "DsPresetReader.h"

#include "DsPresetValues.h"
#include "ReaderNotes.h"

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace
{
// The attributes a zone is built from; every other attribute of <groups>,
// <group> and <sample> is listed once as not used.
constexpr std::array<std::string_view, 14> kUsedAttributes = {
    "path",   "loNote", "hiNote", "rootNote",  "loVel",   "hiVel",       "tuning",
    "volume", "start",  "end",    "loopStart", "loopEnd", "loopEnabled", "trigger"};

bool IsUsedAttribute(std::string_view name)
{
    return std::find(kUsedAttributes.begin(), kUsedAttributes.end(), name) != kUsedAttributes.end();
}

void AddOnce(std::vector<std::string>& a, const std::string& str)
{
    if (std::find(a.begin(), a.end(), str) == a.end())
        a.push_back(str);
}

// What the reading of one preset keeps while it walks the elements.
struct CDsReading
{
    const std::string& strPath; // the preset, as given: every note names it
    fs::path folder;            // sample paths are relative to it
    CInstrumentSet& set;
    std::vector<std::string> aIgnoredAttributes;
    std::vector<std::string> aIgnoredElements;
};

// An attribute's value looked up on the sample first, then on its <group>,
// then on <groups>: the outer elements give defaults. Null when absent.
struct CDsChain
{
    pugi::xml_node sample, group, groups;

    const char* Find(const char* szName) const
    {
        for (const pugi::xml_node& node : {sample, group, groups})
            if (const pugi::xml_attribute attr = node.attribute(szName))
                return attr.value();
        return nullptr;
    }
};

void NoteAttributes(CDsReading& reading, const pugi::xml_node& node)
{
    for (const pugi::xml_attribute& attr : node.attributes())
        if (!IsUsedAttribute(attr.name()))
            AddOnce(reading.aIgnoredAttributes, attr.name());
}

// The sample's file: the path with '\' taken as '/', relative to the
// preset's folder unless absolute.
fs::path ResolveSamplePath(const fs::path& folder, std::string strPath)
{
    std::replace(strPath.begin(), strPath.end(), '\\', '/');
    const fs::path path(strPath);
    return (path.is_absolute() ? path : folder / path).lexically_normal();
}

// One <sample> as a zone, or nothing with a note saying why it is left out.
std::optional<CZone> ReadSample(CDsReading& reading, const CDsChain& chain, int nIndex)
{
    const char* szPath = chain.Find("path");
    const std::string strWhat = reading.strPath + ": sample " + std::to_string(nIndex) +
                                (szPath ? " (" + std::string(szPath) + ")" : std::string());
    if (!szPath || !*szPath)
    {
        reading.set.aNotes.push_back(strWhat + " left out: it names no file (path)");
        return std::nullopt;
    }
    // A sample played when the key is let go would sound at once with the
    // key's other samples in a keymap.
    if (const char* szTrigger = chain.Find("trigger");
        szTrigger && std::string_view(szTrigger) == "release")
    {
        reading.set.aNotes.push_back(strWhat + " left out: it plays when the key is released");
        return std::nullopt;
    }
    CZone zone;
    std::string strWarning;
    const std::string strProblem =
        FillDsZone([&chain](const char* szName) { return chain.Find(szName); }, zone, strWarning);
    if (!strProblem.empty())
    {
        reading.set.aNotes.push_back(strWhat + " left out: " + strProblem);
        return std::nullopt;
    }
    const fs::path file = ResolveSamplePath(reading.folder, szPath);
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
    {
        reading.set.aNotes.push_back(strWhat + " left out: " + file.string() + " was not found");
        return std::nullopt;
    }
    if (!strWarning.empty())
        reading.set.aNotes.push_back(strWhat + ": " + strWarning);
    zone.audio.strPath = file.string();
    zone.strName = file.stem().string();
    return zone;
}

void ReadGroups(CDsReading& reading, const pugi::xml_node& groups, CInstrument& instrument)
{
    NoteAttributes(reading, groups);
    int nIndex = static_cast<int>(instrument.aZones.size());
    for (const pugi::xml_node& group : groups.children())
    {
        if (group.type() != pugi::node_element)
            continue;
        if (std::string_view(group.name()) != "group")
        {
            AddOnce(reading.aIgnoredElements, group.name());
            continue;
        }
        NoteAttributes(reading, group);
        for (const pugi::xml_node& sample : group.children())
        {
            if (sample.type() != pugi::node_element)
                continue;
            if (std::string_view(sample.name()) != "sample")
            {
                AddOnce(reading.aIgnoredElements, sample.name());
                continue;
            }
            NoteAttributes(reading, sample);
            ++nIndex;
            if (std::optional<CZone> zone = ReadSample(reading, {sample, group, groups}, nIndex))
                instrument.aZones.push_back(std::move(*zone));
        }
    }
}

} // namespace

CInstrumentSet ReadDsPresetFile(const std::string& strPath)
{
    CInstrumentSet set;
    pugi::xml_document doc;
    const pugi::xml_parse_result result = doc.load_file(strPath.c_str());
    if (!result)
    {
        set.strRefusal = strPath + ": not a readable preset (" + result.description() +
                         " at byte " + std::to_string(result.offset) + ")";
        return set;
    }
    const pugi::xml_node root = doc.document_element();
    if (std::string_view(root.name()) != "DecentSampler")
    {
        set.strRefusal = strPath + ": not a preset (the outer element is <" +
                         std::string(root.name()) + ">, not <DecentSampler>)";
        return set;
    }
    CDsReading reading{strPath, fs::path(strPath).parent_path(), set, {}, {}};
    CInstrument instrument;
    instrument.strName = fs::path(strPath).stem().string();
    for (const pugi::xml_node& child : root.children())
    {
        if (child.type() != pugi::node_element)
            continue;
        if (std::string_view(child.name()) == "groups")
            ReadGroups(reading, child, instrument);
        else
            AddOnce(reading.aIgnoredElements, child.name());
    }
    if (!reading.aIgnoredAttributes.empty())
        set.aNotes.push_back(strPath +
                             ": attributes not used: " + JoinNames(reading.aIgnoredAttributes));
    if (!reading.aIgnoredElements.empty())
        set.aNotes.push_back(strPath +
                             ": elements not used: " + JoinNames(reading.aIgnoredElements));
    set.aInstruments.push_back(std::move(instrument));
    return set;
}
