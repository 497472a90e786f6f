#include "Sf2Reader.h"

// Not built yet: every file is refused.
CInstrumentSet ReadSf2File(const std::string& strPath)
{
    CInstrumentSet set;
    set.strRefusal = strPath + ": this kind of instrument file cannot be read yet";
    return set;
}
