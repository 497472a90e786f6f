// The page's build has no XML library: presets are refused there.
#include "DsPresetReader.h"

CInstrumentSet ReadDsPresetFile(const std::string& strPath)
{
    CInstrumentSet set;
    set.strRefusal = strPath + ": DecentSampler presets are read by dorvane-cli and the "
                               "window; the page cannot read them";
    return set;
}
