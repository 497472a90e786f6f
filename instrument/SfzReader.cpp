#include "SfzReader.h"

#include "DecimalText.h"
#include "FileMetadata.h"
#include "NoteName.h"
#include "ReaderNotes.h"
#include "SfzSource.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <optional>
#include <set>
#include <string_view>
#include <system_error>

namespace
{

namespace fs = std::filesystem;

// The headers the reader knows, outermost level first.
constexpr std::array<std::string_view, 5> kLevels = {"control", "global", "master", "group",
                                                     "region"};
constexpr int kRegionLevel = 4;

// Frames are counted in 32 bits by the audio files a zone can name.
constexpr std::int64_t kMaxFrame = 0xFFFFFFFFLL;

int LevelOf(std::string_view strHeader)
{
    const auto it = std::find(kLevels.begin(), kLevels.end(), strHeader);
    return it == kLevels.end() ? -1 : static_cast<int>(it - kLevels.begin());
}

enum class EOpcode
{
    Sample,
    DefaultPath,
    LoKey,
    HiKey,
    Key,
    PitchKeycenter,
    LoVel,
    HiVel,
    Tune,
    Transpose,
    Volume,
    Offset,
    End,
    LoopMode,
    LoopStart,
    LoopEnd,
    NoteOffset,
    OctaveOffset
};

std::optional<EOpcode> OpcodeOf(std::string_view strName)
{
    static constexpr std::pair<std::string_view, EOpcode> kOpcodes[] = {
        {"sample", EOpcode::Sample},
        {"default_path", EOpcode::DefaultPath},
        {"lokey", EOpcode::LoKey},
        {"hikey", EOpcode::HiKey},
        {"key", EOpcode::Key},
        {"pitch_keycenter", EOpcode::PitchKeycenter},
        {"lovel", EOpcode::LoVel},
        {"hivel", EOpcode::HiVel},
        {"tune", EOpcode::Tune},
        {"transpose", EOpcode::Transpose},
        {"volume", EOpcode::Volume},
        {"offset", EOpcode::Offset},
        {"end", EOpcode::End},
        {"loop_mode", EOpcode::LoopMode},
        {"loopmode", EOpcode::LoopMode},
        {"loop_start", EOpcode::LoopStart},
        {"loopstart", EOpcode::LoopStart},
        {"loop_end", EOpcode::LoopEnd},
        {"loopend", EOpcode::LoopEnd},
        {"note_offset", EOpcode::NoteOffset},
        {"octave_offset", EOpcode::OctaveOffset}};
    for (const auto& [strKnown, opcode] : kOpcodes)
        if (strKnown == strName)
            return opcode;
    return std::nullopt;
}

// What a region's opcodes and those of its levels set, before it is checked.
struct CSfzRegion
{
    std::string strSample;
    std::string strDefaultPath;
    int nLoKey = 0, nHiKey = 127, nRootKey = 60, nLoVel = 1, nHiVel = 127;
    double dTuneCents = 0, dVolumeDb = 0;
    int nTranspose = 0;
    int nNoteOffset = 0, nOctaveOffset = 0; // added to the keys read after them
    std::int64_t nOffset = 0, nEnd = -1, nLoopStart = -1, nLoopEnd = -1;
    int nLoopMode = -1; // -1 not given, 0 no loop, 1 a loop
    // pitch_keycenter=sample: the root is the sample file's own, shifted by
    // the note and octave offsets in force where the opcode stood.
    bool bRootFromSample = false;
    int nRootShift = 0;
};

bool ParseInteger(std::string_view str, std::int64_t nLo, std::int64_t nHi, std::int64_t& n)
{
    if (!str.empty() && str[0] == '+')
        str.remove_prefix(1);
    const auto result = std::from_chars(str.data(), str.data() + str.size(), n);
    return result.ec == std::errc() && result.ptr == str.data() + str.size() && !str.empty() &&
           n >= nLo && n <= nHi;
}

bool ParseInteger(std::string_view str, int nLo, int nHi, int& n)
{
    std::int64_t n64 = 0;
    if (!ParseInteger(str, std::int64_t{nLo}, std::int64_t{nHi}, n64))
        return false;
    n = static_cast<int>(n64);
    return true;
}

bool ParseNumber(std::string_view str, double dLo, double dHi, double& d)
{
    if (!str.empty() && str[0] == '+')
        str.remove_prefix(1);
    return ParseDecimal(str, d) && std::isfinite(d) && d >= dLo && d <= dHi;
}

// A key, shifted by note_offset and octave_offset as read so far.
bool ParseKeyInto(std::string_view str, const CSfzRegion& r, int& nKey)
{
    int n = ParseKey(str);
    if (n < 0)
        return false;
    n += r.nNoteOffset + 12 * r.nOctaveOffset;
    if (n < 0 || n > 127)
        return false;
    nKey = n;
    return true;
}

bool ParseLoopMode(std::string_view str, int& nMode)
{
    if (str == "no_loop" || str == "one_shot")
        nMode = 0;
    else if (str == "loop_continuous" || str == "loop_sustain")
        nMode = 1;
    else
        return false;
    return true;
}

// Applies one opcode to the region; false when its value is out of range.
bool Apply(CSfzRegion& r, EOpcode opcode, const std::string& strValue)
{
    switch (opcode)
    {
    case EOpcode::Sample:
        r.strSample = strValue;
        return !strValue.empty();
    case EOpcode::DefaultPath:
        r.strDefaultPath = strValue;
        return true;
    case EOpcode::LoKey:
        return ParseKeyInto(strValue, r, r.nLoKey);
    case EOpcode::HiKey:
        return ParseKeyInto(strValue, r, r.nHiKey);
    case EOpcode::Key:
        if (!ParseKeyInto(strValue, r, r.nRootKey))
            return false;
        r.nLoKey = r.nHiKey = r.nRootKey;
        r.bRootFromSample = false;
        return true;
    case EOpcode::PitchKeycenter:
        // The file is known only once the region is whole: note the wish.
        r.bRootFromSample = strValue == "sample";
        r.nRootShift = r.nNoteOffset + 12 * r.nOctaveOffset;
        return r.bRootFromSample || ParseKeyInto(strValue, r, r.nRootKey);
    case EOpcode::LoVel:
        return ParseInteger(strValue, 0, 127, r.nLoVel);
    case EOpcode::HiVel:
        return ParseInteger(strValue, 0, 127, r.nHiVel);
    case EOpcode::Tune:
        return ParseNumber(strValue, -9600, 9600, r.dTuneCents);
    case EOpcode::Transpose:
        return ParseInteger(strValue, -127, 127, r.nTranspose);
    case EOpcode::Volume:
        return ParseNumber(strValue, -144, 24, r.dVolumeDb);
    case EOpcode::Offset:
        return ParseInteger(strValue, std::int64_t{0}, kMaxFrame, r.nOffset);
    case EOpcode::End:
        return ParseInteger(strValue, std::int64_t{0}, kMaxFrame, r.nEnd);
    case EOpcode::LoopMode:
        return ParseLoopMode(strValue, r.nLoopMode);
    case EOpcode::LoopStart:
        return ParseInteger(strValue, std::int64_t{0}, kMaxFrame, r.nLoopStart);
    case EOpcode::LoopEnd:
        return ParseInteger(strValue, std::int64_t{0}, kMaxFrame, r.nLoopEnd);
    case EOpcode::NoteOffset:
        return ParseInteger(strValue, -127, 127, r.nNoteOffset);
    case EOpcode::OctaveOffset:
        return ParseInteger(strValue, -10, 10, r.nOctaveOffset);
    }
    return false;
}

// Why the region's ranges cannot be honoured; empty when they can.
std::string RangeFault(const CSfzRegion& r)
{
    if (r.nLoKey > r.nHiKey)
        return "lokey " + std::to_string(r.nLoKey) + " above hikey " + std::to_string(r.nHiKey);
    if (r.nLoVel > r.nHiVel)
        return "lovel " + std::to_string(r.nLoVel) + " above hivel " + std::to_string(r.nHiVel);
    if (r.nEnd >= 0 && r.nEnd < r.nOffset)
        return "end " + std::to_string(r.nEnd) + " before offset " + std::to_string(r.nOffset);
    const bool bLoop =
        r.nLoopMode == 1 || (r.nLoopMode < 0 && (r.nLoopStart >= 0 || r.nLoopEnd >= 0));
    if (!bLoop)
        return {};
    if (r.nLoopStart >= 0 && r.nLoopStart < r.nOffset)
        return "loop_start " + std::to_string(r.nLoopStart) + " before offset " +
               std::to_string(r.nOffset);
    if (r.nLoopStart >= 0 && r.nEnd >= 0 && r.nLoopStart > r.nEnd)
        return "loop_start " + std::to_string(r.nLoopStart) + " after end " +
               std::to_string(r.nEnd);
    if (r.nLoopEnd >= 0 && r.nLoopEnd < std::max(r.nLoopStart, r.nOffset))
        return "loop_end " + std::to_string(r.nLoopEnd) + " before the loop's start";
    if (r.nLoopEnd >= 0 && r.nEnd >= 0 && r.nLoopEnd > r.nEnd)
        return "loop_end " + std::to_string(r.nLoopEnd) + " after end " + std::to_string(r.nEnd);
    return {};
}

// Sets r.nRootKey to the root the sample file strPath stores (its "smpl"
// or "INST" chunk), shifted as a pitch_keycenter number would have been; a
// file without one keeps the root an absent pitch_keycenter gives, and
// strNote says so. The reason the root cannot be used, or empty.
std::string RootFromSample(const std::string& strPath, CSfzRegion& r, std::string& strNote)
{
    const int nStored = ReadFileMetadata(strPath).nRootKey;
    if (nStored < 0)
    {
        r.nRootKey = CSfzRegion().nRootKey;
        strNote = "pitch_keycenter=sample, but the file stores no root key: " +
                  std::to_string(r.nRootKey) + " used";
        return {};
    }
    const int nKey = nStored + r.nRootShift;
    if (nKey < 0 || nKey > 127)
        return "pitch_keycenter=sample gives key " + std::to_string(nKey) + " (the file's " +
               std::to_string(nStored) + " shifted), out of range";
    r.nRootKey = nKey;
    return {};
}

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y)
                      {
                          return std::tolower(static_cast<unsigned char>(x)) ==
                                 std::tolower(static_cast<unsigned char>(y));
                      });
}

// The file that path names, its letters' case ignored where the name as
// spelt is missing (SFZ files made where names ignore case often spell
// their samples otherwise than the files are named); empty when none.
fs::path FindIgnoringCase(const fs::path& path)
{
    std::error_code ec;
    if (fs::is_regular_file(path, ec))
        return path;
    fs::path found = path.root_path();
    for (const fs::path& part : path.relative_path())
    {
        fs::path next = found / part;
        if (!fs::exists(next, ec))
        {
            next.clear();
            fs::directory_iterator it(found.empty() ? fs::path(".") : found, ec);
            for (; !ec && it != fs::directory_iterator(); it.increment(ec))
                if (EqualIgnoringCase(it->path().filename().string(), part.string()))
                {
                    next = found / it->path().filename();
                    break;
                }
            if (next.empty())
                return {};
        }
        found = std::move(next);
    }
    return fs::is_regular_file(found, ec) ? found : fs::path();
}

// Turns the headers and opcodes into zones, header by header.
class CSfzAssembler
{
  public:
    CSfzAssembler(const CSfzSource& source, const std::string& strPath, CInstrumentSet& set)
        : m_source(source), m_strPath(strPath), m_dir(fs::path(strPath).parent_path()), m_set(set)
    {
    }
    // The zones of every region that can be used.
    std::vector<CZone> Run();

  private:
    void OnHeader(const CSfzToken& token);
    void OnOpcode(const CSfzToken& token);
    void CloseRegion();
    std::string MakeZone(CZone& zone, std::string& strNote) const;
    std::string FileOf(const CSfzToken& token) const
    {
        return m_source.aFiles[static_cast<std::size_t>(token.nFile)];
    }
    static void NoteOnce(std::vector<std::string>& aList, std::set<std::string>& setSeen,
                         const std::string& str)
    {
        if (setSeen.insert(str).second)
            aList.push_back(str);
    }

    const CSfzSource& m_source;
    std::string m_strPath;
    fs::path m_dir;
    CInstrumentSet& m_set;
    std::vector<CZone> m_aZones;
    // The opcodes each level holds now, in the order met.
    std::array<std::vector<const CSfzToken*>, kLevels.size()> m_aLevels;
    int m_nLevel = -1; // where opcodes go: -1 before any header, -2 under a header not used
    const CSfzToken* m_pRegion = nullptr; // the open region's header
    bool m_bLooseNoted = false;           // an opcode before any header was noted
    std::vector<std::string> m_aUnusedOpcodes, m_aUnusedHeaders;
    std::set<std::string> m_setUnused;
};

std::vector<CZone> CSfzAssembler::Run()
{
    for (const CSfzToken& token : m_source.aTokens)
    {
        if (token.bHeader)
            OnHeader(token);
        else
            OnOpcode(token);
    }
    CloseRegion();
    if (!m_aUnusedOpcodes.empty())
        m_set.aNotes.push_back(m_strPath + ": opcodes not used: " + JoinNames(m_aUnusedOpcodes));
    if (!m_aUnusedHeaders.empty())
        m_set.aNotes.push_back(
            m_strPath + ": headers not used, with their opcodes: " + JoinNames(m_aUnusedHeaders));
    return std::move(m_aZones);
}

void CSfzAssembler::OnHeader(const CSfzToken& token)
{
    CloseRegion();
    const int nLevel = LevelOf(token.strName);
    if (nLevel < 0)
    {
        NoteOnce(m_aUnusedHeaders, m_setUnused, "<" + token.strName + ">");
        m_nLevel = -2;
        return;
    }
    // A header starts its level afresh and ends what the levels below held.
    for (std::size_t i = static_cast<std::size_t>(nLevel); i < m_aLevels.size(); ++i)
        m_aLevels[i].clear();
    m_nLevel = nLevel;
    if (nLevel == kRegionLevel)
        m_pRegion = &token;
}

void CSfzAssembler::OnOpcode(const CSfzToken& token)
{
    if (m_nLevel == -2)
        return;
    if (!OpcodeOf(token.strName))
    {
        NoteOnce(m_aUnusedOpcodes, m_setUnused, token.strName);
        return;
    }
    if (m_nLevel == -1)
    {
        if (!m_bLooseNoted)
            m_set.aNotes.push_back(FileOf(token) + ": line " + std::to_string(token.nLine) + ": " +
                                   token.strName + " before any header, not used");
        m_bLooseNoted = true;
        return;
    }
    m_aLevels[static_cast<std::size_t>(m_nLevel)].push_back(&token);
}

void CSfzAssembler::CloseRegion()
{
    if (m_pRegion == nullptr)
        return;
    CZone zone;
    std::string strNote;
    const std::string strFault = MakeZone(zone, strNote);
    const std::string strRegion = FileOf(*m_pRegion) + ": region at line " +
                                  std::to_string(m_pRegion->nLine) + " (sample " +
                                  (zone.strName.empty() ? "none" : zone.strName) + ")";
    if (!strFault.empty())
        m_set.aNotes.push_back(strRegion + " left out: " + strFault);
    else
    {
        if (!strNote.empty())
            m_set.aNotes.push_back(strRegion + ": " + strNote);
        zone.strName = fs::path(zone.strName).stem().string();
        m_aZones.push_back(std::move(zone));
    }
    m_pRegion = nullptr;
    m_aLevels[kRegionLevel].clear();
}

// Fills zone from the open region; the reason it cannot be used, or empty.
// zone.strName is the sample as the region gave it, for the notes; strNote
// what the user should know about a zone that is used.
std::string CSfzAssembler::MakeZone(CZone& zone, std::string& strNote) const
{
    CSfzRegion r;
    std::string strFault;
    for (const auto& aTokens : m_aLevels)
        for (const CSfzToken* pToken : aTokens)
            if (!Apply(r, *OpcodeOf(pToken->strName), pToken->strValue) && strFault.empty())
                strFault = pToken->strName + "=" + pToken->strValue + " is out of range";
    std::replace(r.strSample.begin(), r.strSample.end(), '\\', '/');
    std::replace(r.strDefaultPath.begin(), r.strDefaultPath.end(), '\\', '/');
    zone.strName = r.strSample;
    if (!strFault.empty())
        return strFault;
    if (r.strSample.empty())
        return "no sample";
    if (r.strSample[0] == '*')
        return r.strSample + " is a generator, not a sample file";
    if (strFault = RangeFault(r); !strFault.empty())
        return strFault;
    fs::path path = fs::path(r.strDefaultPath) / r.strSample;
    if (path.is_relative())
        path = m_dir / path;
    path = path.lexically_normal();
    const fs::path found = FindIgnoringCase(path);
    if (found.empty())
        return "the sample file " + path.string() + " is missing";
    if (r.bRootFromSample)
        if (strFault = RootFromSample(found.string(), r, strNote); !strFault.empty())
            return strFault;

    zone.audio.strPath = found.string();
    zone.audio.nStartFrame = r.nOffset;
    zone.audio.nEndFrame = r.nEnd < 0 ? -1 : r.nEnd + 1;
    zone.nLoKey = r.nLoKey;
    zone.nHiKey = r.nHiKey;
    zone.nLoVel = r.nLoVel;
    zone.nHiVel = r.nHiVel;
    zone.nRootKey = r.nRootKey;
    zone.dTuneCents = r.dTuneCents + 100.0 * r.nTranspose;
    zone.dGainDb = r.dVolumeDb;
    zone.loop.bOn = r.nLoopMode == 1 || (r.nLoopMode < 0 && (r.nLoopStart >= 0 || r.nLoopEnd >= 0));
    if (zone.loop.bOn)
    {
        zone.loop.nStart = r.nLoopStart < 0 ? -1 : r.nLoopStart - r.nOffset;
        zone.loop.nEnd = r.nLoopEnd < 0 ? -1 : r.nLoopEnd - r.nOffset;
    }
    return {};
}

} // namespace

CInstrumentSet ReadSfzFile(const std::string& strPath)
{
    CInstrumentSet set;
    const CSfzSource source = ReadSfzSource(strPath);
    if (!source.strRefusal.empty())
    {
        set.strRefusal = source.strRefusal;
        return set;
    }
    set.aNotes = source.aNotes;
    CInstrument instrument;
    instrument.strName = fs::path(strPath).stem().string();
    instrument.aZones = CSfzAssembler(source, strPath, set).Run();
    if (instrument.aZones.empty())
        set.strRefusal = strPath + ": no region of the SFZ file can be used";
    else
        set.aInstruments.push_back(std::move(instrument));
    return set;
}
