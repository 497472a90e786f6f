// libFuzzer entry of the "sfz" target; see FuzzTargets.h.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    return fuzz::FuzzSfzFile(pData, nSize);
}
