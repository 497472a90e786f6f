#include "KrzName.h"

#include "KrzFormat.h"
#include "LatinText.h"
#include "TextCodec.h"

#include <string_view>

namespace
{

// The plain letter of U+00C0..U+00FF and U+0100..U+017F; '_' where the
// character is no letter with an accent (Æ, ×, ß, Œ, ...).
constexpr std::string_view kLatin1 =
    "AAAAAA_CEEEEIIIIDNOOOOO_OUUUUY__aaaaaa_ceeeeiiiidnooooo_ouuuuy_y";
constexpr std::string_view kLatinExtendedA = "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi__"
                                             "JjKkkLlLlLlLlLlNnNnNnnNnOoOoOo__RrRrRrSsSsSs"
                                             "SsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";
static_assert(kLatin1.size() == 0x40 && kLatinExtendedA.size() == 0x80);

// Characters from here on are transliterated; those before it keep the
// table above, so that ASCII and accented Latin names give the bytes they
// always gave.
constexpr char32_t kFirstOtherChar = 0x180;

char PlainChar(char32_t cp)
{
    if (cp >= 0x20 && cp < 0x7F)
        return static_cast<char>(cp);
    if (cp >= 0xC0 && cp < 0x100)
        return kLatin1[cp - 0xC0];
    if (cp >= 0x100 && cp < 0x180)
        return kLatinExtendedA[cp - 0x100];
    return '_';
}

// Whether cp is a combining mark (an accent written after its letter, as
// names from some systems come): such a mark goes to the transform with
// the letter before it, which then drops it ("Cafe" and U+0301 as "Cafe").
bool IsCombiningMark(char32_t cp)
{
    return (cp >= 0x300 && cp < 0x370) || (cp >= 0x1AB0 && cp < 0x1B00) ||
           (cp >= 0x1DC0 && cp < 0x1E00) || (cp >= 0x20D0 && cp < 0x2100) ||
           (cp >= 0xFE20 && cp < 0xFE30);
}

bool IsOther(char32_t cp)
{
    return cp != kInvalidCodePoint && cp >= kFirstOtherChar;
}

} // namespace

std::string KrzNameField(const std::string& strName, bool& bAllKnown)
{
    bAllKnown = true;
    std::string strField;
    auto Append = [&strField](const std::string& str)
    {
        for (std::size_t nPos = 0; nPos < str.size() && strField.size() < kObjNameLength;)
            strField += PlainChar(DecodeUtf8(str, nPos));
    };
    for (std::size_t nPos = 0; nPos < strName.size() && strField.size() < kObjNameLength;)
    {
        std::size_t nNext = nPos;
        const char32_t cp = DecodeUtf8(strName, nNext);
        std::size_t nPeek = nNext;
        const bool bMarkNext =
            nNext < strName.size() && IsCombiningMark(DecodeUtf8(strName, nPeek));
        if (!IsOther(cp) && !(cp != kInvalidCodePoint && bMarkNext))
        {
            strField += PlainChar(cp);
            nPos = nNext;
            continue;
        }
        // A run of characters of other scripts goes to the transform whole:
        // some scripts are written by syllable or word, not by character.
        std::size_t nEnd = nNext;
        while (nEnd < strName.size())
        {
            std::size_t nAfter = nEnd;
            if (!IsOther(DecodeUtf8(strName, nAfter)))
                break;
            nEnd = nAfter;
        }
        bool bKnown = true;
        Append(LatinTextOf(strName.substr(nPos, nEnd - nPos), bKnown));
        bAllKnown = bAllKnown && bKnown;
        nPos = nEnd;
    }
    strField.resize(kObjNameLength, ' ');
    return strField;
}

std::string KrzNameField(const std::string& strName)
{
    bool bAllKnown = true;
    return KrzNameField(strName, bAllKnown);
}

void StoreKrzName(std::uint8_t* pObject, const std::string& strName)
{
    const std::string strField = KrzNameField(strName);
    for (std::size_t i = 0; i < kObjNameLength; ++i)
        pObject[kObjName + i] = static_cast<std::uint8_t>(strField[i]);
}
