// The "sfz" target: reading an SFZ file through ReadSfzFile.
#include "FuzzTargets.h"
#include "SfzReader.h"

#include <cmath>
#include <filesystem>
#include <fstream>

namespace
{

namespace fs = std::filesystem;

void Check(bool bCondition, const std::string& strWhat)
{
    if (!bCondition)
        throw fuzz::CFuzzFailure("sfz: " + strWhat);
}

void WriteText(const fs::path& path, const std::string& strText)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << strText;
}

// The target's folder: the samples a.wav and s/b.wav and the include
// inc.sfz that inputs may name, made again when another target cleared
// the scratch folder.
fs::path SfzFolder()
{
    const fs::path dir = fs::path(fuzz::ScratchDir()) / "sfz";
    if (!fs::exists(dir / "inc.sfz"))
    {
        WriteText(dir / "a.wav", "RIFF");
        WriteText(dir / "s/b.wav", "RIFF");
        WriteText(dir / "inc.sfz", "<group> lokey=c3 hikey=c5\n<region> sample=a.wav\n");
    }
    return dir;
}

void CheckZone(const CZone& zone)
{
    Check(zone.nLoKey >= 0 && zone.nLoKey <= zone.nHiKey && zone.nHiKey <= 127, "key range");
    Check(zone.nLoVel >= 0 && zone.nLoVel <= zone.nHiVel && zone.nHiVel <= 127, "velocity range");
    Check(zone.nRootKey >= 0 && zone.nRootKey <= 127, "root key");
    Check(zone.bKeyRange, "key range not given");
    Check(std::isfinite(zone.dTuneCents) && std::isfinite(zone.dGainDb), "tuning or gain");
    std::error_code ec;
    Check(fs::is_regular_file(zone.audio.strPath, ec), "missing sample " + zone.audio.strPath);
    const std::int64_t nStart = zone.audio.nStartFrame, nEnd = zone.audio.nEndFrame;
    Check(nStart >= 0 && (nEnd == -1 || nEnd > nStart), "frames");
    if (!zone.loop.bOn)
        return;
    Check(zone.loop.nStart >= -1 && zone.loop.nEnd >= -1, "loop below -1");
    if (zone.loop.nStart >= 0 && zone.loop.nEnd >= 0)
        Check(zone.loop.nStart <= zone.loop.nEnd, "loop backwards");
    if (nEnd >= 0)
        Check(zone.loop.nStart < nEnd - nStart && zone.loop.nEnd < nEnd - nStart,
              "loop past the zone's end");
}

} // namespace

namespace fuzz
{

int FuzzSfzFile(const std::uint8_t* pData, std::size_t nSize)
{
    const fs::path dir = SfzFolder();
    const std::string strPath = (dir / "in.sfz").string();
    WriteText(strPath, std::string(reinterpret_cast<const char*>(pData), nSize));
    const CInstrumentSet set = ReadSfzFile(strPath);
    Check(set.strRefusal.empty() == (set.aInstruments.size() == 1), "refusal and instruments");
    for (const std::string& strNote : set.aNotes)
        Check(strNote.rfind(dir.string(), 0) == 0 || strNote.rfind('/', 0) == 0,
              "a note naming no file: " + strNote);
    if (set.aInstruments.empty())
    {
        Check(set.strRefusal.rfind(strPath, 0) == 0, "refusal naming no file");
        return 0;
    }
    Check(set.aInstruments[0].strName == "in", "instrument name");
    Check(!set.aInstruments[0].aZones.empty(), "an instrument without zones");
    for (const CZone& zone : set.aInstruments[0].aZones)
        CheckZone(zone);
    return 0;
}

} // namespace fuzz
