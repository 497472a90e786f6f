// The page's build has no libinstpatch: banks are refused there, with the
// programs that read them and what the page takes instead.
#include "Sf2Reader.h"

#include <filesystem>

CInstrumentSet ReadSf2File(const std::string& strPath)
{
    CInstrumentSet set;
    const std::string strName = std::filesystem::path(strPath).filename().string();
    set.strRefusal = strPath +
                     ": the page cannot read SoundFont 2 banks (.sf2). dorvane-cli "
                     "(dorvane-cli make -o OUT.KRZ " +
                     strName +
                     ") and the desktop program can. The page takes SFZ files with their "
                     "audio files.";
    return set;
}
