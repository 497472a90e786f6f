// The report of a KRZ file that the command line and the page show.
#include "KrzProblems.h"
#include "Multisample.h"
#include "RootKey.h"

namespace
{

std::string PartText(const KrzFileInfo& info)
{
    switch (info.partKind)
    {
    case KrzPartKind::wholeFile:
        return "0 (a whole file)";
    case KrzPartKind::firstPart:
        return "1 (the first part of a split file)";
    case KrzPartKind::laterPart:
        break;
    }
    return KrzNum(info.header.nPartNumber) + " (a later part of a split file)";
}

std::string NameText(const std::string& strName)
{
    std::string str = strName;
    while (!str.empty() && str.back() == ' ')
        str.pop_back();
    return "\"" + KrzPrintable(reinterpret_cast<const std::uint8_t*>(str.data()), str.size()) +
           "\"";
}

// Whether a keymap's tables are listed one by one: more than one, or
// entries with fields besides the sample (tuning, volume); the reader keeps
// them for keymaps of one entry per key.
bool ListsTables(const KrzObjectInfo& obj)
{
    return !obj.aTables.empty() &&
           (obj.aTables.size() > 1 ||
            (obj.nEntryMethod & (kKmTuning16 | kKmTuning8 | kKmVolume)) != 0);
}

// "levels 1-4 (velocities 0-63)", "level 5 (velocities 64-79)", "levels
// 1-2, 5 (velocities 0-31, 64-79)": the levels that play table nTable.
std::string LevelsText(const KrzObjectInfo& obj, int nTable)
{
    std::vector<int> anLevels;
    for (std::size_t j = 0; j < obj.anLevelTables.size(); ++j)
        if (obj.anLevelTables[j] == nTable)
            anLevels.push_back(static_cast<int>(j));
    std::string strLevels, strVelocities;
    for (std::size_t i = 0; i < anLevels.size();)
    {
        std::size_t e = i;
        while (e + 1 < anLevels.size() && anLevels[e + 1] == anLevels[e] + 1)
            ++e;
        const std::string strSep = strLevels.empty() ? "" : ", ";
        strLevels += strSep + std::to_string(anLevels[i] + 1);
        if (e > i)
            strLevels += "-" + std::to_string(anLevels[e] + 1);
        strVelocities +=
            strSep + std::to_string(16 * anLevels[i]) + "-" + std::to_string(16 * anLevels[e] + 15);
        i = e + 1;
    }
    if (anLevels.empty())
        return "no level";
    return (anLevels.size() == 1 ? "level " : "levels ") + strLevels + " (velocities " +
           strVelocities + ")";
}

std::string EntryText(const KrzKeymapEntry& entry)
{
    if (entry.nSample == 0 || entry.nSubSample == 0)
        return "empty";
    std::string str = "sample " + KrzNum(entry.nSample);
    if (entry.nSubSample != 1)
        str += ", sub-sample " + KrzNum(entry.nSubSample);
    const auto Signed = [](int n) { return (n > 0 ? "+" : "") + std::to_string(n); };
    if (entry.nTuning != 0)
        str += ", tuning " + Signed(entry.nTuning) + " cents";
    if (entry.nVolume != 0)
        str += ", volume " + Signed(entry.nVolume);
    return str;
}

// Each table, the levels that play it, and its runs of keys that play the
// same entry: "    C 0-E 2: sample 201, tuning -12 cents".
void FormatTables(std::string& str, const KrzObjectInfo& obj)
{
    for (std::size_t t = 0; t < obj.aTables.size(); ++t)
    {
        str += "  velocity table " + KrzNum(t + 1) + ": " + LevelsText(obj, static_cast<int>(t)) +
               "\n";
        const std::vector<KrzKeymapEntry>& aEntries = obj.aTables[t];
        for (std::size_t k = 0; k < aEntries.size();)
        {
            const std::string strEntry = EntryText(aEntries[k]);
            std::size_t e = k;
            while (e + 1 < aEntries.size() && EntryText(aEntries[e + 1]) == strEntry)
                ++e;
            str += "    " + KeyRangeText(static_cast<int>(k), static_cast<int>(e)) + ": " +
                   strEntry + "\n";
            k = e + 1;
        }
    }
}

void FormatObject(std::string& str, const KrzObjectInfo& obj)
{
    const char* szKind = obj.nType == kKrzSampleType    ? "Sample"
                         : obj.nType == kKrzKeymapType  ? "Keymap"
                         : obj.nType == kKrzProgramType ? "Program"
                                                        : nullptr;
    str += szKind ? std::string(szKind) : "Object of type " + KrzNum(obj.nType);
    str += " " + KrzNum(obj.nNumber) + " " + NameText(obj.strName) + " (ID " + KrzHex(obj.nId, 4) +
           "), " + KrzNum(obj.nLength) + " bytes at " + KrzNum(obj.nFileOffset) + ", object size " +
           KrzNum(obj.nObjectSize) + "\n";
    if (obj.nType == kKrzSampleType)
    {
        str += "  " + std::string(obj.nChannels == 2 ? "stereo" : "mono") + ", " +
               KrzNum(obj.aSampleHeaders.size()) + " sample header" +
               (obj.aSampleHeaders.size() == 1 ? "" : "s") + "\n";
        for (std::size_t i = 0; i < obj.aSampleHeaders.size(); ++i)
        {
            const KrzSampleHeaderInfo& sh = obj.aSampleHeaders[i];
            std::string strWhich = "header " + KrzNum(i + 1);
            if (obj.nChannels == 2)
                strWhich += i % 2 == 0 ? " (left)" : " (right)";
            str += "  " + strWhich + ": root key " + sh.strRootKey + " (note " +
                   KrzNum(sh.nNoteNumber) + "), loop " + (sh.bLoop ? "on" : "off") + ", flags " +
                   KrzHex(sh.nFlags, 2) + ", pitch " + std::to_string(sh.nPitch) + " cents\n";
            str += "    period " + KrzNum(sh.nPeriod) + " ns";
            if (sh.nRate != 0)
                str += " (" + KrzNum(sh.nRate) + " Hz)";
            str += ", start " + KrzNum(sh.nStart) + ", loop start " + KrzNum(sh.nLoopStart) +
                   ", end " + KrzNum(sh.nEnd);
            if (sh.nEnd >= sh.nStart)
                str += " (" + KrzNum(std::uint64_t{sh.nEnd} - sh.nStart + 1) + " words)";
            str += "\n";
        }
    }
    else if (obj.nType == kKrzKeymapType)
    {
        if (obj.bSamplePerEntry)
        {
            str += "  a sample per entry (entry method " + KrzHex(obj.nEntryMethod, 4) + ")\n";
            if (ListsTables(obj))
                return FormatTables(str, obj);
            // Entry i plays the root key i: "C 0-E 2: sample 201".
            for (const CKeyRange& range : KeyRanges(obj.aEntrySamples))
                str +=
                    "  " + KeyRangeText(range.nLowKey, range.nHighKey) + ": " +
                    (range.nValue == 0 ? std::string("empty") : "sample " + KrzNum(range.nValue)) +
                    "\n";
        }
        else if (obj.nSampleNumber >= 0)
            str += "  sample " + KrzNum(obj.nSampleNumber) + "\n";
    }
    else if (obj.nType == kKrzProgramType)
    {
        for (std::size_t i = 0; i < obj.aLayers.size(); ++i)
        {
            const KrzLayerInfo& layer = obj.aLayers[i];
            str += "  layer " + KrzNum(i + 1) + (layer.bStereo ? " (stereo)" : " (mono)") +
                   ": keymap " + KrzNum(layer.nKeymap);
            if (layer.nKeymap2 != 0)
                str += ", second keymap " + KrzNum(layer.nKeymap2);
            str += "\n";
        }
    }
}

} // namespace

std::string FormatKrzFileInfo(const KrzFileInfo& info)
{
    std::string str;
    if (!info.strPath.empty())
        str += "File " + info.strPath + ", " + KrzNum(info.nFileLength) + " bytes\n";
    else
        str += "Data of " + KrzNum(info.nFileLength) + " bytes\n";

    if (info.bHeaderRead)
    {
        const KrzHeaderInfo& header = info.header;
        str += "Header\n";
        str += "  magic              \"" + header.strMagic + "\"\n";
        str += "  sample data at     " + KrzNum(header.nSampleDataOffset);
        if (info.bSampleDataKnown)
            str += " (" + KrzNum(info.nSampleDataLength) + " bytes)";
        str += "\n";
        str += "  data-length field  " + KrzNum(header.nDataLength) + "\n";
        str += "  part number        " + PartText(info) + "\n";
        std::string strMinor = KrzNum(header.nOsVersion % 100);
        if (strMinor.size() < 2)
            strMinor = "0" + strMinor;
        str += "  OS version         " + KrzNum(header.nOsVersion / 100) + "." + strMinor + "\n";
    }
    if (info.partKind != KrzPartKind::laterPart && info.bHeaderRead)
    {
        str += "Objects: " + KrzNum(info.aObjects.size());
        if (info.bEndMarkFound)
            str += ", end mark at " + KrzNum(info.nEndMarkOffset);
        str += "\n";
        for (const KrzObjectInfo& obj : info.aObjects)
        {
            str += "\n";
            FormatObject(str, obj);
        }
    }

    const std::size_t nErrors = info.ErrorCount();
    const std::size_t nNotes = info.aProblems.size() - nErrors;
    str += "\n";
    if (info.aProblems.empty())
        str += "No problems found\n";
    else
    {
        str += "Problems: " + KrzNum(nErrors) + (nErrors == 1 ? " error, " : " errors, ") +
               KrzNum(nNotes) + (nNotes == 1 ? " note" : " notes") + "\n";
        for (const KrzProblem& problem : info.aProblems)
            str += std::string(problem.severity == KrzSeverity::error ? "  ERROR" : "  note ") +
                   " at " + KrzNum(problem.nFileOffset) + ": " + problem.strText + "\n";
    }
    return str;
}
