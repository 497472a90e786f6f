// Writes the table from which the page's build (WebAssembly, which has no
// ICU) writes names in other scripts in Latin letters, as ICU's transform
// "Any-Latin; Latin-ASCII" writes them in the native build:
//
//   latin_table_gen OUTPUT.inc
//
// The table holds a text for each character from U+0180 on of the scripts
// below that the transform changes, when the transform writes that
// character the same alone and beside every other character of the table
// (in both orders): a run of such characters is then the characters' texts
// one after another. Characters that fail beside others (capital digraphs
// of Greek, marks that join the letter before them, syllables that take a
// separator) are left out one at a time, the one with the most failures
// first, until every pair agrees. A second list names, as ranges, every
// other character the transform changes: the page says that it writes
// those as '_'.
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>
#include <unicode/uversion.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{

// Alphabets whose transform goes letter by letter, and the punctuation and
// symbols of all scripts. Scripts written by syllable or word (Han, Hangul,
// the Indic scripts, Thai, Arabic) are left out whole.
const UScriptCode kScripts[] = {
    USCRIPT_LATIN,    USCRIPT_COMMON,   USCRIPT_INHERITED, USCRIPT_CYRILLIC, USCRIPT_GREEK,
    USCRIPT_ARMENIAN, USCRIPT_GEORGIAN, USCRIPT_HEBREW,    USCRIPT_HIRAGANA, USCRIPT_KATAKANA};

std::string Utf8(const icu::UnicodeString& str)
{
    std::string strOut;
    str.toUTF8String(strOut);
    return strOut;
}

// A C string literal of UTF-8 text, every byte outside printable ASCII (and
// the quote and backslash) as an octal escape.
std::string Literal(const std::string& str)
{
    std::string strOut = "\"";
    for (const unsigned char c : str)
    {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\' && c != '?')
        {
            strOut += static_cast<char>(c);
            continue;
        }
        char sz[8];
        std::snprintf(sz, sizeof sz, "\\%03o", c);
        strOut += sz;
    }
    return strOut + "\"";
}

bool IsTableScript(UChar32 c)
{
    UErrorCode status = U_ZERO_ERROR;
    const UScriptCode script = uscript_getScript(c, &status);
    return U_SUCCESS(status) &&
           std::find(std::begin(kScripts), std::end(kScripts), script) != std::end(kScripts);
}

// The transform "Any-Latin; Latin-ASCII".
class CTransform
{
  public:
    bool Create()
    {
        UErrorCode status = U_ZERO_ERROR;
        m_pTransform.reset(icu::Transliterator::createInstance("Any-Latin; Latin-ASCII",
                                                               UTRANS_FORWARD, status));
        return U_SUCCESS(status) && m_pTransform;
    }
    icu::UnicodeString operator()(icu::UnicodeString str) const
    {
        m_pTransform->transliterate(str);
        return str;
    }

  private:
    std::unique_ptr<icu::Transliterator> m_pTransform;
};

// What the transform changes: every character, and the candidates for the
// table with their texts.
struct SChanged
{
    std::vector<UChar32> anChanged;
    std::map<UChar32, icu::UnicodeString> mapText;
    std::vector<UChar32> anCandidates;
};

SChanged FindChanged(const CTransform& transform)
{
    SChanged changed;
    for (UChar32 c = 0x180; c <= 0x10FFFF; ++c)
    {
        if (!u_isdefined(c) || U_IS_SURROGATE(c) || u_charType(c) == U_PRIVATE_USE_CHAR)
            continue;
        // A combining mark is written with the letter before it: it is
        // changed when it changes that letter, and the table lacks it.
        const auto nType = u_charType(c);
        const bool bMark = nType == U_NON_SPACING_MARK || nType == U_ENCLOSING_MARK ||
                           nType == U_COMBINING_SPACING_MARK;
        icu::UnicodeString strOne(c);
        if (bMark)
            strOne.insert(0, static_cast<UChar32>('a'));
        const icu::UnicodeString strText = transform(strOne);
        if (strText == strOne)
            continue;
        changed.anChanged.push_back(c);
        if (!bMark && c <= 0xFFFF && IsTableScript(c))
        {
            changed.anCandidates.push_back(c);
            changed.mapText[c] = strText;
        }
    }
    return changed;
}

// The candidates that the transform writes the same alone and beside every
// other one: every ordered pair is tried, a failing pair counts against
// both, and the one with the most failures goes first.
std::set<UChar32> TableOf(const SChanged& changed, const CTransform& transform)
{
    std::set<std::pair<UChar32, UChar32>> setFailed;
    for (const UChar32 a : changed.anCandidates)
        for (const UChar32 b : changed.anCandidates)
        {
            icu::UnicodeString strPair(a);
            strPair.append(b);
            icu::UnicodeString strExpected = changed.mapText.at(a);
            strExpected.append(changed.mapText.at(b));
            if (transform(strPair) != strExpected)
                setFailed.insert({a, b});
        }
    std::set<UChar32> setTable(changed.anCandidates.begin(), changed.anCandidates.end());
    while (!setFailed.empty())
    {
        std::map<UChar32, int> mapFailures;
        for (const auto& [a, b] : setFailed)
        {
            ++mapFailures[a];
            if (b != a)
                ++mapFailures[b];
        }
        const UChar32 worst =
            std::max_element(mapFailures.begin(), mapFailures.end(),
                             [](const auto& x, const auto& y) { return x.second < y.second; })
                ->first;
        setTable.erase(worst);
        std::erase_if(setFailed,
                      [worst](const auto& p) { return p.first == worst || p.second == worst; });
    }
    return setTable;
}

void WriteTable(std::ostream& out, const std::set<UChar32>& setTable, const SChanged& changed)
{
    out << "// Generated by resources/latin_table_gen.cpp from ICU " U_ICU_VERSION
           " (\"Any-Latin; Latin-ASCII\"); do not edit.\n"
           "// Characters written alone as beside each other, and their texts (UTF-8).\n"
           "static const SLatinEntry kLatinTable[] = {\n";
    for (const UChar32 c : setTable)
    {
        char sz[16];
        std::snprintf(sz, sizeof sz, "    {0x%04X, ", static_cast<unsigned>(c));
        out << sz << Literal(Utf8(changed.mapText.at(c))) << "},\n";
    }
    out << "};\n\n";
}

// Writes the ranges of the changed characters the table lacks; their count.
std::size_t WriteOthers(std::ostream& out, const std::set<UChar32>& setTable,
                        const std::vector<UChar32>& anChanged)
{
    out << "// The other characters the transform changes (first, last).\n"
           "static const SLatinRange kLatinOthers[] = {\n";
    std::size_t nRanges = 0;
    for (std::size_t i = 0; i < anChanged.size();)
    {
        if (setTable.count(anChanged[i]) != 0)
        {
            ++i;
            continue;
        }
        std::size_t j = i;
        // A range runs over characters the transform changes and the table
        // lacks; characters it leaves alone between them are no break.
        while (j + 1 < anChanged.size() && setTable.count(anChanged[j + 1]) == 0)
        {
            const auto itTable = setTable.lower_bound(anChanged[j]);
            if (itTable != setTable.end() && *itTable < anChanged[j + 1])
                break;
            ++j;
        }
        char sz[48];
        std::snprintf(sz, sizeof sz, "    {0x%04X, 0x%04X},\n", static_cast<unsigned>(anChanged[i]),
                      static_cast<unsigned>(anChanged[j]));
        out << sz;
        ++nRanges;
        i = j + 1;
    }
    out << "};\n";
    return nRanges;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: latin_table_gen OUTPUT.inc\n");
        return 2;
    }
    CTransform transform;
    if (!transform.Create())
    {
        std::fprintf(stderr, "latin_table_gen: ICU has no transform Any-Latin; Latin-ASCII\n");
        return 1;
    }
    const SChanged changed = FindChanged(transform);
    const std::set<UChar32> setTable = TableOf(changed, transform);

    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    WriteTable(out, setTable, changed);
    const std::size_t nRanges = WriteOthers(out, setTable, changed.anChanged);
    out.close();
    if (!out)
    {
        std::fprintf(stderr, "latin_table_gen: cannot write %s\n", argv[1]);
        return 1;
    }
    std::fprintf(stderr, "latin_table_gen: %zu characters, %zu ranges of others\n", setTable.size(),
                 nRanges);
    return 0;
}
