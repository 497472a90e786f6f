#include "LatinText.h"

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <memory>
#include <mutex>

namespace
{

// One transform for the process: making it reads ICU's rule data, which
// takes far longer than using it. A transform is not safe for two threads
// at once, hence the lock.
std::mutex g_mutex;

icu::Transliterator* Transform()
{
    static std::unique_ptr<icu::Transliterator> pTransform = []
    {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Transliterator> p(
            icu::Transliterator::createInstance("Any-Latin; Latin-ASCII", UTRANS_FORWARD, status));
        return U_SUCCESS(status) ? std::move(p) : nullptr;
    }();
    return pTransform.get();
}

} // namespace

std::string LatinTextOf(const std::string& strRun, bool& bAllKnown)
{
    bAllKnown = true;
    const std::lock_guard<std::mutex> lock(g_mutex);
    icu::Transliterator* pTransform = Transform();
    // Without ICU's data the characters stay as they are and become '_',
    // as they did before names were transliterated.
    if (pTransform == nullptr)
        return strRun;
    icu::UnicodeString str = icu::UnicodeString::fromUTF8(strRun);
    pTransform->transliterate(str);
    std::string strOut;
    str.toUTF8String(strOut);
    return strOut;
}
