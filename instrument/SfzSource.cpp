#include "SfzSource.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string_view>
#include <system_error>

namespace
{

namespace fs = std::filesystem;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

bool IsWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

std::string Lower(std::string_view str)
{
    std::string strLower(str);
    for (char& c : strLower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return strLower;
}

std::string_view Trim(std::string_view str)
{
    while (!str.empty() && IsBlank(str.front()))
        str.remove_prefix(1);
    while (!str.empty() && IsBlank(str.back()))
        str.remove_suffix(1);
    return str;
}

// The path that names a file however it is spelt, for the cycle guard.
fs::path Canonical(const fs::path& path)
{
    std::error_code ec;
    fs::path canonical = fs::weakly_canonical(path, ec);
    return ec ? fs::absolute(path, ec).lexically_normal() : canonical;
}

// Blanks out // and /* */ comments, keeping the line breaks so that line
// numbers stay right.
void BlankComments(std::string& strText)
{
    enum class State
    {
        Text,
        Line,
        Block
    } state = State::Text;
    for (std::size_t i = 0; i < strText.size(); ++i)
    {
        char& c = strText[i];
        const char cNext = i + 1 < strText.size() ? strText[i + 1] : '\0';
        if (state == State::Text && c == '/' && (cNext == '/' || cNext == '*'))
        {
            state = cNext == '/' ? State::Line : State::Block;
            c = ' ';
            strText[++i] = ' ';
        }
        else if (state == State::Line && c == '\n')
            state = State::Text;
        else if (state == State::Block && c == '*' && cNext == '/')
        {
            state = State::Text;
            c = ' ';
            strText[++i] = ' ';
        }
        else if (state != State::Text && c != '\n')
            c = ' ';
    }
}

// The length of a header "<name>" at i, 0 when there is none.
std::size_t HeaderLengthAt(std::string_view strLine, std::size_t i)
{
    if (i >= strLine.size() || strLine[i] != '<')
        return 0;
    std::size_t j = i + 1;
    while (j < strLine.size() && IsWordChar(strLine[j]))
        ++j;
    return j > i + 1 && j < strLine.size() && strLine[j] == '>' ? j + 1 - i : 0;
}

// The length of an opcode's name at i when "name=" stands there, else 0.
std::size_t OpcodeNameLengthAt(std::string_view strLine, std::size_t i)
{
    std::size_t j = i;
    while (j < strLine.size() && IsWordChar(strLine[j]))
        ++j;
    return j > i && j < strLine.size() && strLine[j] == '=' ? j - i : 0;
}

// Where the value that starts at i ends: at the next header, or at the
// blank before the next "name=".
std::size_t ValueEnd(std::string_view strLine, std::size_t i)
{
    for (; i < strLine.size(); ++i)
    {
        if (HeaderLengthAt(strLine, i) != 0)
            return i;
        if (IsBlank(strLine[i]) && OpcodeNameLengthAt(strLine, i + 1) != 0)
            return i;
    }
    return strLine.size();
}

class CSfzPreprocessor
{
  public:
    explicit CSfzPreprocessor(CSfzSource& source) : m_source(source) {}

    // Reads one file at include depth nDepth; false (with strWhy) when it
    // cannot be read.
    bool ReadFile(const fs::path& path, const std::string& strShown, int nDepth,
                  std::string& strWhy);

  private:
    void OnLine(std::string_view strLine, int nFile, int nLine, const fs::path& dir, int nDepth);
    void OnDefine(std::string_view strRest, int nFile, int nLine);
    void OnInclude(std::string_view strRest, int nFile, int nLine, const fs::path& dir, int nDepth);
    bool Expand(std::string_view strLine, std::string& strOut) const;
    void Split(std::string_view strLine, int nFile, int nLine);
    void Note(int nFile, int nLine, const std::string& strText)
    {
        m_source.aNotes.push_back(m_source.aFiles[static_cast<std::size_t>(nFile)] + ": line " +
                                  std::to_string(nLine) + ": " + strText);
    }

    // Notes the first text of a file that is no header, opcode or known
    // directive; later ones would only repeat it.
    void NoteStray(int nFile, int nLine, std::string_view strText)
    {
        if (m_abStrayNoted[static_cast<std::size_t>(nFile)])
            return;
        m_abStrayNoted[static_cast<std::size_t>(nFile)] = true;
        Note(nFile, nLine,
             "\"" + std::string(strText.substr(0, 40)) +
                 "\" is neither a header, an opcode, #define nor #include, not used");
    }

    CSfzSource& m_source;
    std::map<std::string, std::string, std::less<>> m_mapDefines; // "$NAME" -> value
    std::vector<fs::path> m_aOpen;    // the files being read, outermost first
    std::vector<bool> m_abStrayNoted; // per file: text not understood noted
};

bool CSfzPreprocessor::ReadFile(const fs::path& path, const std::string& strShown, int nDepth,
                                std::string& strWhy)
{
    std::error_code ec;
    // Only regular files: a device or a pipe could be read without end.
    if (!fs::is_regular_file(path, ec))
        return strWhy = "not found", false;
    const std::uintmax_t nBytes = fs::file_size(path, ec);
    if (ec)
        return strWhy = "cannot be opened", false;
    if (nBytes > kSfzMaxFileBytes)
        return strWhy = "longer than " + std::to_string(kSfzMaxFileBytes) + " bytes", false;
    std::string strText;
    // An empty file is read as nothing: files of the kernel's own folders
    // show a size of 0 and some of them wait for data when read.
    if (nBytes != 0)
    {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return strWhy = "cannot be opened", false;
        strText.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        strText.resize(std::min<std::size_t>(strText.size(), kSfzMaxFileBytes));
    }
    // A byte-order mark that some editors put before UTF-8 text.
    if (strText.rfind("\xEF\xBB\xBF", 0) == 0)
        strText.replace(0, 3, 3, ' ');
    BlankComments(strText);

    const int nFile = static_cast<int>(m_source.aFiles.size());
    m_source.aFiles.push_back(strShown);
    m_abStrayNoted.push_back(false);
    m_aOpen.push_back(Canonical(path));
    const fs::path dir = path.parent_path();
    std::size_t nStart = 0;
    for (int nLine = 1; nStart <= strText.size(); ++nLine)
    {
        std::size_t nEnd = strText.find('\n', nStart);
        if (nEnd == std::string::npos)
            nEnd = strText.size();
        OnLine(std::string_view(strText).substr(nStart, nEnd - nStart), nFile, nLine, dir, nDepth);
        nStart = nEnd + 1;
    }
    m_aOpen.pop_back();
    return true;
}

void CSfzPreprocessor::OnLine(std::string_view strLine, int nFile, int nLine, const fs::path& dir,
                              int nDepth)
{
    strLine = Trim(strLine);
    if (strLine.empty())
        return;
    if (strLine[0] == '#')
    {
        const std::size_t nWord = std::min(strLine.find_first_of(" \t"), strLine.size());
        const std::string strDirective = Lower(strLine.substr(0, nWord));
        const std::string_view strRest = Trim(strLine.substr(nWord));
        if (strDirective == "#define")
            OnDefine(strRest, nFile, nLine);
        else if (strDirective == "#include")
            OnInclude(strRest, nFile, nLine, dir, nDepth);
        else
            NoteStray(nFile, nLine, strDirective);
        return;
    }
    std::string strExpanded;
    if (!Expand(strLine, strExpanded))
    {
        Note(nFile, nLine,
             "longer than " + std::to_string(kSfzMaxLineBytes) +
                 " bytes once its $names are replaced, left out");
        return;
    }
    Split(strExpanded, nFile, nLine);
}

void CSfzPreprocessor::OnDefine(std::string_view strRest, int nFile, int nLine)
{
    std::size_t nName = 1;
    while (nName < strRest.size() && IsWordChar(strRest[nName]))
        ++nName;
    if (strRest.empty() || strRest[0] != '$' || nName == 1)
    {
        Note(nFile, nLine, "#define without a $name, not used");
        return;
    }
    std::string strName(strRest.substr(0, nName));
    if (m_mapDefines.size() >= kSfzMaxDefines && m_mapDefines.count(strName) == 0)
    {
        Note(nFile, nLine,
             "more than " + std::to_string(kSfzMaxDefines) + " #define names, " + strName +
                 " not used");
        return;
    }
    m_mapDefines[std::move(strName)] = std::string(Trim(strRest.substr(nName)));
}

void CSfzPreprocessor::OnInclude(std::string_view strRest, int nFile, int nLine,
                                 const fs::path& dir, int nDepth)
{
    std::string strName;
    if (!Expand(strRest, strName))
        strName.clear();
    if (strName.size() >= 2 && strName.front() == '"')
        strName = strName.substr(1, strName.find('"', 1) - 1);
    std::replace(strName.begin(), strName.end(), '\\', '/');
    if (strName.empty())
    {
        Note(nFile, nLine, "#include without a file name, not read");
        return;
    }
    const fs::path path = dir / strName;
    const std::string strShown = path.string();
    const fs::path canonical = Canonical(path);
    std::string strWhy;
    if (std::find(m_aOpen.begin(), m_aOpen.end(), canonical) != m_aOpen.end())
        strWhy = "it is being read already (an include cycle)";
    else if (nDepth + 1 > kSfzMaxIncludeDepth)
        strWhy = "nested more than " + std::to_string(kSfzMaxIncludeDepth) + " deep";
    else if (m_source.aFiles.size() >= static_cast<std::size_t>(kSfzMaxFiles))
        strWhy = "more than " + std::to_string(kSfzMaxFiles) + " files read";
    else if (ReadFile(path, strShown, nDepth + 1, strWhy))
        return;
    Note(nFile, nLine, "#include \"" + strShown + "\" not read: " + strWhy);
}

// Replaces each $NAME by its value, the longest defined name first; false
// when the result grows beyond kSfzMaxLineBytes.
bool CSfzPreprocessor::Expand(std::string_view strLine, std::string& strOut) const
{
    // Names longer than this are not looked for as prefixes of a word.
    constexpr std::size_t kMaxNameLength = 64;
    strOut.clear();
    for (std::size_t i = 0; i < strLine.size();)
    {
        std::size_t nWord = 1;
        if (strLine[i] == '$' && !m_mapDefines.empty())
            while (i + nWord < strLine.size() && IsWordChar(strLine[i + nWord]) &&
                   nWord <= kMaxNameLength)
                ++nWord;
        bool bFound = false;
        for (std::size_t n = nWord; n > 1 && !bFound; --n)
        {
            const auto it = m_mapDefines.find(strLine.substr(i, n));
            if (it != m_mapDefines.end())
            {
                strOut += it->second;
                i += n;
                bFound = true;
            }
        }
        if (!bFound)
            strOut += strLine[i++];
        if (strOut.size() > kSfzMaxLineBytes)
            return false;
    }
    return true;
}

void CSfzPreprocessor::Split(std::string_view strLine, int nFile, int nLine)
{
    for (std::size_t i = 0; i < strLine.size();)
    {
        if (IsBlank(strLine[i]))
        {
            ++i;
            continue;
        }
        CSfzToken token;
        token.nFile = nFile;
        token.nLine = nLine;
        if (const std::size_t nHeader = HeaderLengthAt(strLine, i); nHeader != 0)
        {
            token.bHeader = true;
            token.strName = Lower(strLine.substr(i + 1, nHeader - 2));
            i += nHeader;
        }
        else if (const std::size_t nName = OpcodeNameLengthAt(strLine, i); nName != 0)
        {
            token.strName = Lower(strLine.substr(i, nName));
            const std::size_t nEnd = ValueEnd(strLine, i + nName + 1);
            token.strValue = Trim(strLine.substr(i + nName + 1, nEnd - i - nName - 1));
            i = nEnd;
        }
        else
        {
            // Text that is neither: skipped up to the next blank or header.
            const std::size_t nEnd =
                std::min(strLine.find_first_of(" \t\r\f\v<", i + 1), strLine.size());
            NoteStray(nFile, nLine, strLine.substr(i, nEnd - i));
            i = nEnd;
            continue;
        }
        m_source.aTokens.push_back(std::move(token));
    }
}

} // namespace

CSfzSource ReadSfzSource(const std::string& strPath)
{
    CSfzSource source;
    CSfzPreprocessor preprocessor(source);
    std::string strWhy;
    if (!preprocessor.ReadFile(strPath, strPath, 0, strWhy))
    {
        source = CSfzSource();
        source.strRefusal = strPath + ": the SFZ file cannot be read (" + strWhy + ")";
    }
    return source;
}
