// The page's build has no XML library: presets are refused there, with the
// programs that read them and what the page takes instead.
#include "DsPresetReader.h"

#include <filesystem>

CInstrumentSet ReadDsPresetFile(const std::string& strPath)
{
    CInstrumentSet set;
    const std::string strName = std::filesystem::path(strPath).filename().string();
    set.strRefusal = strPath +
                     ": the page cannot read DecentSampler presets (.dspreset). "
                     "dorvane-cli (dorvane-cli make -o OUT.KRZ " +
                     strName +
                     ") and the desktop program can. The page takes SFZ files with their "
                     "audio files.";
    return set;
}
