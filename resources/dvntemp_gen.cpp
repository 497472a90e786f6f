// Build tool: turns the annotated template table (dvntemp.src) into the
// 1248-byte template file dvntemp.dat.
//
//   dvntemp_gen SOURCE OUTPUT
//
// Exits with status 1, writing nothing, when the table does not give every
// byte of the template exactly once: a byte given twice, a byte not given,
// a region that reaches past byte 1247 or a line that reaches past its
// region, a malformed line or a line without a reason.
#include "KrzFormat.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace
{

struct CSourceError
{
    std::string strText;
};

struct Region
{
    std::size_t nOffset = 0;
    std::size_t nLength = 0;
    std::string strName;
    int nLine = 0;
};

std::string Trim(const std::string& str)
{
    const auto nFirst = str.find_first_not_of(" \t\r");
    if (nFirst == std::string::npos)
        return {};
    const auto nLast = str.find_last_not_of(" \t\r");
    return str.substr(nFirst, nLast - nFirst + 1);
}

// A decimal number of at most 9 digits (offsets and counts here are small).
std::size_t ParseDecimal(const std::string& strToken, const char* szWhat)
{
    if (strToken.empty() || strToken.size() > 9 ||
        strToken.find_first_not_of("0123456789") != std::string::npos)
        throw CSourceError{std::string("bad ") + szWhat + " '" + strToken + "'"};
    return static_cast<std::size_t>(std::stoul(strToken));
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// "XX" is one byte; "XX*N" is N bytes XX.
void ParseBytes(const std::string& strToken, std::vector<std::uint8_t>& abOut)
{
    const auto nStar = strToken.find('*');
    const std::string strHex = strToken.substr(0, nStar);
    if (strHex.size() != 2 || HexDigit(strHex[0]) < 0 || HexDigit(strHex[1]) < 0)
        throw CSourceError{"bad byte '" + strToken + "' (two hex digits, or XX*N)"};
    std::size_t nCount = 1;
    if (nStar != std::string::npos)
    {
        nCount = ParseDecimal(strToken.substr(nStar + 1), "repeat count");
        if (nCount == 0 || nCount > kTemplateSize)
            throw CSourceError{"bad repeat count in '" + strToken + "'"};
    }
    const auto nByte = static_cast<std::uint8_t>(HexDigit(strHex[0]) * 16 + HexDigit(strHex[1]));
    abOut.insert(abOut.end(), nCount, nByte);
}

class CTemplateSource
{
  public:
    // Parses the whole table; throws CSourceError with "line: text".
    void Parse(std::istream& in)
    {
        std::string strLine;
        int nLine = 0;
        while (std::getline(in, strLine))
        {
            ++nLine;
            try
            {
                ParseLine(Trim(strLine), nLine);
            }
            catch (const CSourceError& e)
            {
                throw CSourceError{"line " + std::to_string(nLine) + ": " + e.strText};
            }
        }
        CheckComplete();
    }

    const std::array<std::uint8_t, kTemplateSize>& Bytes() const { return m_abBytes; }

  private:
    void ParseLine(const std::string& strLine, int nLine)
    {
        if (strLine.empty() || strLine[0] == '#')
            return;
        std::istringstream words(strLine);
        std::string strFirst;
        words >> strFirst;
        if (strFirst == "region")
        {
            std::string strOffset, strLength, strName;
            words >> strOffset >> strLength;
            std::getline(words, strName);
            Region region{ParseDecimal(strOffset, "region offset"),
                          ParseDecimal(strLength, "region length"), Trim(strName), nLine};
            if (region.nLength == 0 || region.strName.empty())
                throw CSourceError{"a region needs an offset, a length and a name"};
            if (region.nOffset + region.nLength > kTemplateSize)
                throw CSourceError{"region '" + region.strName + "' ends at byte " +
                                   std::to_string(region.nOffset + region.nLength - 1) +
                                   ": the template would be longer than " +
                                   std::to_string(kTemplateSize) + " bytes"};
            m_aRegions.push_back(region);
            return;
        }

        const auto nBar = strLine.find('|');
        if (nBar == std::string::npos || Trim(strLine.substr(nBar + 1)).empty())
            throw CSourceError{"every byte line needs a reason after '|'"};
        if (m_aRegions.empty())
            throw CSourceError{"bytes given before the first region"};
        const Region& region = m_aRegions.back();

        std::istringstream fields(strLine.substr(0, nBar));
        std::string strOffset;
        fields >> strOffset;
        const std::size_t nOffset = ParseDecimal(strOffset, "offset");
        std::vector<std::uint8_t> abValues;
        std::string strToken;
        while (fields >> strToken)
            ParseBytes(strToken, abValues);
        if (abValues.empty())
            throw CSourceError{"no bytes given at offset " + strOffset};
        if (nOffset + abValues.size() > region.nLength)
            throw CSourceError{"bytes " + std::to_string(nOffset) + ".." +
                               std::to_string(nOffset + abValues.size() - 1) +
                               " reach past the end of region '" + region.strName + "' (" +
                               std::to_string(region.nLength) + " bytes)"};
        for (std::size_t i = 0; i < abValues.size(); ++i)
        {
            const std::size_t nAt = region.nOffset + nOffset + i;
            if (m_anWrittenBy[nAt] != 0)
                throw CSourceError{"byte " + std::to_string(nOffset + i) + " of region '" +
                                   region.strName + "' (template byte " + std::to_string(nAt) +
                                   ") is given twice; first on line " +
                                   std::to_string(m_anWrittenBy[nAt])};
            m_anWrittenBy[nAt] = nLine;
            m_abBytes[nAt] = abValues[i];
        }
    }

    // Every template byte must have been given by some line; a gap would
    // leave the file short or with a byte nobody chose.
    void CheckComplete() const
    {
        for (std::size_t n = 0; n < kTemplateSize; ++n)
        {
            if (m_anWrittenBy[n] != 0)
                continue;
            std::string strWhere = "no region";
            for (const Region& region : m_aRegions)
                if (n >= region.nOffset && n < region.nOffset + region.nLength)
                    strWhere = "byte " + std::to_string(n - region.nOffset) + " of region '" +
                               region.strName + "'";
            throw CSourceError{"template byte " + std::to_string(n) + " (" + strWhere +
                               ") is not given: the template must be exactly " +
                               std::to_string(kTemplateSize) + " bytes"};
        }
    }

    std::vector<Region> m_aRegions;
    std::array<std::uint8_t, kTemplateSize> m_abBytes{};
    std::array<int, kTemplateSize> m_anWrittenBy{}; // source line per byte; 0 = not yet
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::cerr << "usage: dvntemp_gen SOURCE OUTPUT\n";
        return 2;
    }
    const std::string strSource = argv[1];
    const std::string strOutput = argv[2];

    std::ifstream in(strSource);
    if (!in)
    {
        std::cerr << strSource << ": cannot be read\n";
        return 1;
    }
    CTemplateSource source;
    try
    {
        source.Parse(in);
    }
    catch (const CSourceError& e)
    {
        std::cerr << strSource << ": " << e.strText << "\n";
        return 1;
    }

    // Written under a temporary name first, so that a failed write never
    // leaves a short template where the build expects a good one.
    const std::string strTemp = strOutput + ".tmp";
    {
        std::ofstream out(strTemp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(source.Bytes().data()),
                  static_cast<std::streamsize>(source.Bytes().size()));
        out.close();
        if (!out)
        {
            std::cerr << strTemp << ": cannot be written\n";
            std::remove(strTemp.c_str());
            return 1;
        }
    }
    if (std::rename(strTemp.c_str(), strOutput.c_str()) != 0)
    {
        std::cerr << strOutput << ": cannot be written\n";
        std::remove(strTemp.c_str());
        return 1;
    }
    return 0;
}
