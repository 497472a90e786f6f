#include "TextCodec.h"

#include <array>

char32_t DecodeUtf8(std::string_view str, std::size_t& nPos)
{
    const auto Byte = [&](std::size_t i) { return static_cast<std::uint8_t>(str[i]); };
    const std::uint8_t b0 = Byte(nPos);
    if (b0 < 0x80)
    {
        ++nPos;
        return b0;
    }
    int nMore = 0;
    char32_t cp = 0;
    char32_t cpMin = 0;
    if ((b0 & 0xE0) == 0xC0)
        nMore = 1, cp = b0 & 0x1F, cpMin = 0x80;
    else if ((b0 & 0xF0) == 0xE0)
        nMore = 2, cp = b0 & 0x0F, cpMin = 0x800;
    else if ((b0 & 0xF8) == 0xF0)
        nMore = 3, cp = b0 & 0x07, cpMin = 0x10000;
    else
    {
        ++nPos;
        return kInvalidCodePoint;
    }
    if (nPos + nMore >= str.size()) // the sequence is cut off by the end
    {
        ++nPos;
        return kInvalidCodePoint;
    }
    for (int i = 1; i <= nMore; ++i)
    {
        const std::uint8_t b = Byte(nPos + i);
        if ((b & 0xC0) != 0x80)
        {
            ++nPos;
            return kInvalidCodePoint;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values past the last code point are no
    // UTF-8 text.
    if (cp < cpMin || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
    {
        ++nPos;
        return kInvalidCodePoint;
    }
    nPos += nMore + 1;
    return cp;
}

bool IsValidUtf8(std::string_view str)
{
    for (std::size_t nPos = 0; nPos < str.size();)
        if (DecodeUtf8(str, nPos) == kInvalidCodePoint)
            return false;
    return true;
}

void AppendUtf8(std::string& str, char32_t cp)
{
    const auto Put = [&](char32_t v) { str.push_back(static_cast<char>(v)); };
    if (cp < 0x80)
        Put(cp);
    else if (cp < 0x800)
        Put(0xC0 | (cp >> 6)), Put(0x80 | (cp & 0x3F));
    else if (cp < 0x10000)
        Put(0xE0 | (cp >> 12)), Put(0x80 | ((cp >> 6) & 0x3F)), Put(0x80 | (cp & 0x3F));
    else
        Put(0xF0 | (cp >> 18)), Put(0x80 | ((cp >> 12) & 0x3F)), Put(0x80 | ((cp >> 6) & 0x3F)),
            Put(0x80 | (cp & 0x3F));
}

std::string Cp1252ToUtf8(std::string_view str)
{
    // Bytes 80..9F; A0..FF are the Latin-1 code points of the same number.
    static constexpr std::array<char16_t, 32> kHigh = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    std::string strOut;
    strOut.reserve(str.size() * 2);
    for (const char ch : str)
    {
        const auto b = static_cast<std::uint8_t>(ch);
        AppendUtf8(strOut, b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char32_t{b});
    }
    return strOut;
}
