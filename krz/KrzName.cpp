#include "KrzName.h"

#include "KrzFormat.h"
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

} // namespace

std::string KrzNameField(const std::string& strName)
{
    std::string strField;
    for (std::size_t nPos = 0; nPos < strName.size() && strField.size() < kObjNameLength;)
        strField += PlainChar(DecodeUtf8(strName, nPos));
    strField.resize(kObjNameLength, ' ');
    return strField;
}

void StoreKrzName(std::uint8_t* pObject, const std::string& strName)
{
    const std::string strField = KrzNameField(strName);
    for (std::size_t i = 0; i < kObjNameLength; ++i)
        pObject[kObjName + i] = static_cast<std::uint8_t>(strField[i]);
}
