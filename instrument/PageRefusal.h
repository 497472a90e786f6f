// The page's build reads neither DecentSampler presets nor SoundFont 2
// banks: a file of either kind is refused with one message that names the
// programs that read it and what the page takes instead.
#pragma once

#include "CInstrument.h"

#include <filesystem>
#include <string>

// strKind names the files, as "SoundFont 2 banks (.sf2)".
inline CInstrumentSet PageRefusal(const std::string& strPath, const std::string& strKind)
{
    CInstrumentSet set;
    const std::string strName = std::filesystem::path(strPath).filename().string();
    set.strRefusal = strPath + ": the page cannot read " + strKind +
                     ". dorvane-cli (dorvane-cli make -o OUT.KRZ " + strName +
                     ") and the desktop program can. The page takes SFZ files with their "
                     "audio files.";
    return set;
}
