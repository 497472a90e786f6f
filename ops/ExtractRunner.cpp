#include "ExtractRunner.h"

#include "CCancel.h"
#include "CFeedback.h"
#include "CFile.h"
#include "CFileException.h"
#include "CMappedFile.h"
#include "COutputSet.h"
#include "ExtractNames.h"
#include "ExtractSteps.h"
#include "ImageKrzFiles.h"
#include "KrzExtract.h"
#include "KrzJoin.h"
#include "KrzReader.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

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

// The whole file strSource holds or, for a first part, the series joined
// (in a temporary file, mapped before it is removed); nullptr with a
// refusal in outcome otherwise. The file is mapped, not read: a copy of
// the whole file cost more than the rest of the extraction.
std::unique_ptr<CMappedFile> OpenSource(const std::string& strSource, COutcome& outcome,
                                        const CFeedback& feedback)
{
    auto pSource = std::make_unique<CMappedFile>(strSource);
    bool bFirstPart = false;
    if (const std::string strRefusal = KrzBytesRefusal(pSource->Bytes(), strSource, bFirstPart);
        !strRefusal.empty())
    {
        outcome.Refuse({strRefusal, kAppTitle, MessageIcon::Exclamation, strSource});
        return nullptr;
    }
    if (!bFirstPart)
        return pSource;
    pSource.reset();
    CScratchPath joined;
    const COutcome join = JoinKrzFiles(strSource, joined.Path(), &feedback);
    if (!join.IsOk())
    {
        outcome.Append(join);
        return nullptr;
    }
    return std::make_unique<CMappedFile>(joined.Path());
}

// Writes one KRZ file's files into strFolder, all replacing their targets
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

COutcome ExtractOne(const std::string& strSource, SExtractRun& run, CFeedback& feedback)
{
    COutcome outcome;
    if (!StartsAsKrzFile(strSource) && ExtractFromImage(strSource, run, feedback, outcome))
        return outcome;
    const std::unique_ptr<CMappedFile> pSource = OpenSource(strSource, outcome, feedback);
    if (!pSource)
        return outcome;
    outcome.Append(ExtractKrzBytes(pSource->Bytes(), strSource, strSource, run, feedback));
    return outcome;
}

} // namespace

std::string KrzBytesRefusal(std::span<const std::uint8_t> ab, const std::string& strLabel,
                            bool& bFirstPart)
{
    const KrzFileInfo info = ReadKrzData(ab.data(), ab.size());
    bFirstPart = info.partKind == KrzPartKind::firstPart;
    if (!info.bHeaderRead || !info.header.bMagicOk)
        return "ERROR: " + strLabel + " is not a KRZ file.";
    if (info.partKind == KrzPartKind::laterPart)
        return "ERROR: " + strLabel +
               " is a later part of a multi-disk file: extract its first part.";
    return {};
}

COutcome ExtractKrzBytes(std::span<const std::uint8_t> ab, const std::string& strLabel,
                         const std::string& strName, SExtractRun& run, CFeedback& feedback)
{
    const std::string strFolder =
        (fs::path(run.strOutDir) /
         run.folders.Unique(SafeFileName(fs::path(strName).stem().string(), "krz"), ""))
            .string();
    const SExtraction ex = ExtractKrz(ab.data(), ab.size(), fs::path(strLabel).filename().string());
    std::error_code ec;
    fs::create_directories(strFolder, ec);
    if (ec)
        return COutcome::Refusal("FILE ERROR: Can't create the folder " + strFolder + ".",
                                 MessageIcon::Stop, strFolder);
    WriteExtraction(ex, strFolder, run.aSources, feedback);
    COutcome outcome;
    if (ex.nSkipped != 0)
        outcome.Note({strLabel + ": " + std::to_string(ex.nSkipped) +
                          " item(s) could not be extracted; " + kExtractReportName + " in " +
                          strFolder + " says why.",
                      kAppTitle, MessageIcon::None, strLabel});
    return outcome;
}

COutcome RunExtract(const std::vector<std::string>& aSources, const std::string& strOutDir,
                    CFeedback& feedback, const std::vector<std::string>& aOnly)
{
    if (strOutDir.empty())
        return COutcome::Refusal(kEmptyOutputMessage);
    std::error_code ec;
    if (fs::exists(strOutDir, ec) && !fs::is_directory(strOutDir, ec))
        return COutcome::Refusal("ERROR: " + strOutDir + " is a file, not a folder.",
                                 MessageIcon::Exclamation, strOutDir);
    COutcome outcome;
    SExtractRun run{strOutDir, aSources, aOnly, std::vector<bool>(aOnly.size(), false), {}};
    feedback.ProgressSetRange(0, static_cast<int>(std::min<std::size_t>(aSources.size(), 32767)));
    feedback.ProgressSetStep(1);
    for (const std::string& strSource : aSources)
    {
        feedback.SetStatusText("Extracting " + strSource + "...");
        try
        {
            StopIfCancelled(feedback);
            outcome.Append(ExtractOne(strSource, run, feedback));
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
    for (std::size_t i = 0; i < aOnly.size(); ++i)
        if (!run.abOnlyFound[i])
            outcome.Refuse({"ERROR: No disk image holds a KRZ file named " + aOnly[i] + ".",
                            kAppTitle, MessageIcon::Exclamation, aOnly[i]});
    feedback.SetStatusText("");
    return outcome;
}
