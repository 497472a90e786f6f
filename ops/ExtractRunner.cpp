#include "ExtractRunner.h"

#include "CCancel.h"
#include "CFeedback.h"
#include "CFile.h"
#include "CFileException.h"
#include "COutputSet.h"
#include "ExtractNames.h"
#include "KrzExtract.h"
#include "KrzJoin.h"
#include "KrzReader.h"

#include <atomic>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

std::vector<std::uint8_t> ReadWhole(const std::string& strPath)
{
    CFile file(strPath, CFile::modeRead);
    std::vector<std::uint8_t> ab(static_cast<std::size_t>(file.GetLength()));
    if (!ab.empty() && file.Read(ab.data(), ab.size()) != ab.size())
        throw CFileException(CFileException::endOfFile, strPath);
    return ab;
}

// A file of the temporary folder, removed when the object ends.
class CScratchPath
{
  public:
    CScratchPath()
    {
        static std::atomic<int> s_nNext{0};
        m_strPath = (fs::temp_directory_path() / ("dorvane-extract-" + std::to_string(getpid()) +
                                                  "-" + std::to_string(s_nNext++) + ".krz"))
                        .string();
    }
    ~CScratchPath() { CFile::RemoveQuietly(m_strPath); }
    CScratchPath(const CScratchPath&) = delete;
    CScratchPath& operator=(const CScratchPath&) = delete;
    const std::string& Path() const { return m_strPath; }

  private:
    std::string m_strPath;
};

// The bytes of the whole file strSource holds or, for a first part, of
// the series joined; a refusal in outcome otherwise.
bool ReadSource(const std::string& strSource, std::vector<std::uint8_t>& ab, COutcome& outcome,
                const CFeedback& feedback)
{
    ab = ReadWhole(strSource);
    const KrzFileInfo info = ReadKrzData(ab.data(), ab.size());
    if (!info.bHeaderRead || !info.header.bMagicOk)
    {
        outcome.Refuse({"ERROR: " + strSource + " is not a KRZ file.", kAppTitle,
                        MessageIcon::Exclamation, strSource});
        return false;
    }
    if (info.partKind == KrzPartKind::laterPart)
    {
        outcome.Refuse({"ERROR: " + strSource +
                            " is a later part of a multi-disk file: extract its first part.",
                        kAppTitle, MessageIcon::Exclamation, strSource});
        return false;
    }
    if (info.partKind == KrzPartKind::wholeFile)
        return true;
    CScratchPath joined;
    const COutcome join = JoinKrzFiles(strSource, joined.Path(), &feedback);
    if (!join.IsOk())
    {
        outcome.Append(join);
        return false;
    }
    ab = ReadWhole(joined.Path());
    return true;
}

// Writes one source's files into strFolder, all replacing their targets
// together.
void WriteExtraction(const SExtraction& ex, const std::string& strFolder,
                     const std::vector<std::string>& aSources, const CFeedback& feedback)
{
    COutputSet outputs;
    for (const std::string& strSource : aSources)
        outputs.AddInput(strSource);
    for (const SExtractedFile& file : ex.aFiles)
        outputs.AddOutput((fs::path(strFolder) / file.strName).string());
    if (const std::string strRefusal = outputs.CheckPlan(); !strRefusal.empty())
        throw COutputRefusal(strRefusal);
    std::vector<std::uint8_t> abFile;
    for (const SExtractedFile& file : ex.aFiles)
    {
        StopIfCancelled(feedback);
        ExtractedBytes(file, abFile);
        CAtomicFile& out = outputs.Create((fs::path(strFolder) / file.strName).string());
        // In pieces: a write of megabytes at once took several times the
        // kernel time of the same bytes in pieces of this size (Linux 6.18,
        // ext4, 200 MB extracted).
        constexpr std::size_t kPiece = 128 * 1024;
        for (std::size_t n = 0; n < abFile.size(); n += kPiece)
            out.File().Write(abFile.data() + n, std::min(kPiece, abFile.size() - n));
        out.Finish();
    }
    StopIfCancelled(feedback);
    outputs.Commit();
}

COutcome ExtractOne(const std::string& strSource, const std::string& strFolder,
                    const std::vector<std::string>& aSources, CFeedback& feedback)
{
    COutcome outcome;
    std::vector<std::uint8_t> ab;
    if (!ReadSource(strSource, ab, outcome, feedback))
        return outcome;
    const SExtraction ex =
        ExtractKrz(ab.data(), ab.size(), fs::path(strSource).filename().string());
    std::error_code ec;
    fs::create_directories(strFolder, ec);
    if (ec)
        return COutcome::Refusal("FILE ERROR: Can't create the folder " + strFolder + ".",
                                 MessageIcon::Stop, strFolder);
    WriteExtraction(ex, strFolder, aSources, feedback);
    if (ex.nSkipped != 0)
        outcome.Note({strSource + ": " + std::to_string(ex.nSkipped) +
                          " item(s) could not be extracted; " + kExtractReportName + " in " +
                          strFolder + " says why.",
                      kAppTitle, MessageIcon::None, strSource});
    return outcome;
}

} // namespace

COutcome RunExtract(const std::vector<std::string>& aSources, const std::string& strOutDir,
                    CFeedback& feedback)
{
    if (strOutDir.empty())
        return COutcome::Refusal(kEmptyOutputMessage);
    std::error_code ec;
    if (fs::exists(strOutDir, ec) && !fs::is_directory(strOutDir, ec))
        return COutcome::Refusal("ERROR: " + strOutDir + " is a file, not a folder.",
                                 MessageIcon::Exclamation, strOutDir);
    COutcome outcome;
    CExtractNames folders;
    feedback.ProgressSetRange(0, static_cast<int>(std::min<std::size_t>(aSources.size(), 32767)));
    feedback.ProgressSetStep(1);
    for (const std::string& strSource : aSources)
    {
        const std::string strFolder =
            (fs::path(strOutDir) /
             folders.Unique(SafeFileName(fs::path(strSource).stem().string(), "krz"), ""))
                .string();
        feedback.SetStatusText("Extracting " + strSource + "...");
        try
        {
            StopIfCancelled(feedback);
            outcome.Append(ExtractOne(strSource, strFolder, aSources, feedback));
        }
        catch (const CFileException& e)
        {
            outcome.Append(COutcome::FileError(e));
        }
        catch (const COutputRefusal& e)
        {
            outcome.Append(COutcome::Refusal(e.what(), MessageIcon::Exclamation));
        }
        catch (const COperationCancelled&)
        {
            return COutcome::Cancelled();
        }
        feedback.ProgressStepIt();
    }
    feedback.SetStatusText("");
    return outcome;
}
