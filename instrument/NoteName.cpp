#include "NoteName.h"

#include <charconv>

int ParseNoteName(std::string_view strText)
{
    // Semitones above C of the letters A..G.
    static constexpr int kLetterSemitones[] = {9, 11, 0, 2, 4, 5, 7};
    if (strText.size() < 2)
        return -1;
    const char cLetter = static_cast<char>(strText[0] | 0x20); // lower case of A..G
    if (cLetter < 'a' || cLetter > 'g')
        return -1;
    int nNote = kLetterSemitones[cLetter - 'a'];
    std::size_t i = 1;
    if (strText[i] == '#')
        ++nNote, ++i;
    else if (strText[i] == 'b' && i + 1 < strText.size())
        --nNote, ++i;
    std::string_view strOctave = strText.substr(i);
    bool bNegative = false;
    if (!strOctave.empty() && strOctave[0] == '-')
    {
        bNegative = true;
        strOctave.remove_prefix(1);
    }
    if (strOctave.size() != 1 || strOctave[0] < '0' || strOctave[0] > '9')
        return -1;
    if (bNegative && strOctave[0] != '1') // the only octave below 0 is -1
        return -1;
    const int nOctave = bNegative ? -1 : strOctave[0] - '0';
    nNote += (nOctave + 1) * 12;
    return nNote >= 0 && nNote <= 127 ? nNote : -1;
}

int ParseKey(std::string_view strText)
{
    int nKey = -1;
    const char* pEnd = strText.data() + strText.size();
    const auto result = std::from_chars(strText.data(), pEnd, nKey);
    if (result.ec == std::errc() && result.ptr == pEnd && !strText.empty())
        return nKey >= 0 && nKey <= 127 ? nKey : -1;
    return ParseNoteName(strText);
}
