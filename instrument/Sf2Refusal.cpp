// The page's build has no libinstpatch: banks are refused there.
#include "Sf2Reader.h"

CInstrumentSet ReadSf2File(const std::string& strPath)
{
    CInstrumentSet set;
    set.strRefusal = strPath + ": SoundFont 2 banks are read by dorvane-cli and the window; "
                               "the page cannot read them";
    return set;
}
