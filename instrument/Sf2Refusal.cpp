// The page's build has no libinstpatch: banks are refused there.
#include "PageRefusal.h"
#include "Sf2Reader.h"

CInstrumentSet ReadSf2File(const std::string& strPath)
{
    return PageRefusal(strPath, "SoundFont 2 banks (.sf2)");
}
