#include "DsPresetReader.h"

// Not built yet: every file is refused.
CInstrumentSet ReadDsPresetFile(const std::string& strPath)
{
    CInstrumentSet set;
    set.strRefusal = strPath + ": this kind of instrument file cannot be read yet";
    return set;
}
