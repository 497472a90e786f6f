#include "KrzProblems.h"

namespace
{
const char kHexDigits[] = "0123456789ABCDEF";
}

std::string KrzNum(std::uint64_t n)
{
    return std::to_string(n);
}

std::string KrzHex(std::uint32_t n, int nDigits)
{
    std::string str;
    for (int i = nDigits - 1; i >= 0; --i)
        str += kHexDigits[(n >> (4 * i)) & 15];
    return "0x" + str;
}

std::string KrzPrintable(const std::uint8_t* p, std::size_t n)
{
    std::string str;
    for (std::size_t i = 0; i < n; ++i)
    {
        if (p[i] >= 0x20 && p[i] < 0x7F && p[i] != '\\')
            str += static_cast<char>(p[i]);
        else
        {
            str += "\\x";
            str += kHexDigits[p[i] >> 4];
            str += kHexDigits[p[i] & 15];
        }
    }
    return str;
}

std::string KrzObjectLabel(const KrzObjectInfo& obj)
{
    const char* szKind = obj.nType == kKrzSampleType    ? "sample"
                         : obj.nType == kKrzKeymapType  ? "keymap"
                         : obj.nType == kKrzProgramType ? "program"
                                                        : "object";
    return std::string(szKind) + " " + KrzNum(obj.nNumber) + " at " + KrzNum(obj.nFileOffset);
}
