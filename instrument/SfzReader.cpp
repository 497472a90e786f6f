#include "SfzReader.h"

// Not built yet: every file is refused.
CInstrumentSet ReadSfzFile(const std::string& strPath)
{
    CInstrumentSet set;
    set.strRefusal = strPath + ": this kind of instrument file cannot be read yet";
    return set;
}
