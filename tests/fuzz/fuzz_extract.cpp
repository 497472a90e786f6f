// libFuzzer entry of the "extract" target; see FuzzTargets.h.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    return fuzz::FuzzExtract(pData, nSize);
}
