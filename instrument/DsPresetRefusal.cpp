// The page's build has no XML library: presets are refused there.
#include "DsPresetReader.h"
#include "PageRefusal.h"

CInstrumentSet ReadDsPresetFile(const std::string& strPath)
{
    return PageRefusal(strPath, "DecentSampler presets (.dspreset)");
}
