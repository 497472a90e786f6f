// dorvane-cli: Make File, split, join, disk images and a KRZ file lister
// without a window.
#include "CConsoleFeedback.h"
#include "CliCommands.h"
#include "KrzSplit.h"
#include "MakeFile.h"
#include "MakeOptionMap.h"
#include "OptionFlags.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <unistd.h>

namespace
{

std::string ExeDir(const char* szArgv0)
{
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        path = std::filesystem::absolute(szArgv0, ec);
    return path.parent_path().string();
}

// An output's name must name a file: an empty one is a usage error.
const CLI::Validator
    kFileName([](std::string& str)
              { return str.empty() ? std::string("an empty name names no file") : ""; },
              "FILE");

// The make command's settings from its options' values: every option of
// the table that is a field of Make File's options goes there.
void FillMakeOptions(const COptionValues& values, MakeOptions& make)
{
    for (const SOption& option : OptionTable())
        if (std::string_view(option.szCommand) == "make")
            SetMakeOption(make.make, option.szKey, values.Get(option.szKey));
    make.bSkipUnusable = values.Get("skipUnusable") != 0;
}

// The commands over KRZ files and disk images, and what they are given.
struct SDiskCommands
{
    CLI::App* pSplit = nullptr;
    std::string strSplitSource, strSplitDest;
    int nSplitKB = kDefaultSplitKB;
    CLI::App* pJoin = nullptr;
    std::string strJoinFirst, strJoinDest;
    CLI::App* pImage = nullptr;
    std::vector<std::string> aImageFiles;
    int nImageKB = 0;
    CLI::App* pPut = nullptr;
    std::string strPutImage, strPutFolder;
    std::vector<std::string> aPutFiles;
    bool bPutReplace = false;
    CLI::App* pInfo = nullptr;
    std::vector<std::string> aInfoFiles;
    CLI::App* pExtract = nullptr;
    std::vector<std::string> aExtractFiles;
    std::string strExtractDir;
    std::vector<std::string> aExtractOnly;
};

void AddDiskCommands(CLI::App& app, SDiskCommands& d)
{
    d.pSplit = app.add_subcommand("split", "Split a KRZ file into numbered parts");
    d.pSplit->add_option("SOURCE", d.strSplitSource, "File to split")->required();
    d.pSplit->add_option("--dest", d.strSplitDest, "Base name of the parts (default: SOURCE)")
        ->check(kFileName);
    d.pSplit->add_option("--size", d.nSplitKB, Option("splitKB").szHelp)
        ->check(OptionRange(Option("splitKB")));

    d.pJoin = app.add_subcommand("join", "Join a series of parts into one KRZ file");
    d.pJoin->add_option("FIRST", d.strJoinFirst, "First part (NAME01)")->required();
    d.pJoin->add_option("--dest", d.strJoinDest, "File to write (default: FIRST followed by J)")
        ->check(kFileName);

    d.pImage = app.add_subcommand("image", "Write a floppy image holding each KRZ file or part");
    d.pImage->add_option("--format", d.nImageKB, "Floppy size in KB: 720 or 1440")
        ->required()
        ->check(CLI::IsMember({720, 1440}));
    d.pImage->add_option("FILE", d.aImageFiles, "KRZ files or parts")->required();

    d.pPut = app.add_subcommand("put", "Copy KRZ files into a FAT12 or FAT16 disk image");
    d.pPut->add_option("IMAGE", d.strPutImage, "Disk image (raw volume or partitioned)")
        ->required();
    d.pPut->add_option("FILE", d.aPutFiles, "Files to copy, each under its own extension")
        ->required();
    d.pPut->add_flag("--replace", d.bPutReplace, "Replace files of the same name");
    d.pPut->add_option("--folder", d.strPutFolder,
                       "Folder to copy into, a/b for b within a (created if missing)");

    d.pInfo = app.add_subcommand("info", "List and check what KRZ files hold");
    d.pInfo->add_option("FILE", d.aInfoFiles, "KRZ files")->required();

    d.pExtract = app.add_subcommand("extract", "Take KRZ files apart into WAV and SFZ files");
    d.pExtract->add_option("SOURCE", d.aExtractFiles, "KRZ files, first parts or disk images")
        ->required();
    d.pExtract->add_option("-o,--output", d.strExtractDir, "Folder to write into")->required();
    d.pExtract
        ->add_option("--only", d.aExtractOnly,
                     "From disk images only this KRZ file (NAME.KRZ or a path such as "
                     "SUB/NAME.KRZ, any case); may be repeated")
        ->allow_extra_args(false);
}

// Runs the disk command that was given; a usage error when none was.
int RunDiskCommand(const SDiskCommands& d, CConsoleFeedback& feedback)
{
    if (*d.pSplit)
        return RunSplit(d.strSplitSource, d.strSplitDest, d.nSplitKB, feedback);
    if (*d.pJoin)
        return RunJoin(d.strJoinFirst, d.strJoinDest, feedback);
    if (*d.pImage)
        return RunImage(d.aImageFiles, d.nImageKB, feedback);
    if (*d.pPut)
        return RunPut(d.strPutImage, d.aPutFiles, d.strPutFolder, d.bPutReplace, feedback);
    if (*d.pInfo)
        return RunInfo(d.aInfoFiles, feedback);
    if (*d.pExtract)
        return RunExtractCommand(d.aExtractFiles, d.strExtractDir, d.aExtractOnly, feedback);
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Dorvane: turns WAV files into KRZ files for the sampler; splits and joins "
                 "KRZ files for floppy disks."};
    app.require_subcommand(1);

    MakeOptions make;
    make.strExeDir = ExeDir(argv[0]);
    auto* pMake = app.add_subcommand("make", "Build a KRZ file from a pool file or WAV files");
    pMake->add_option("-o,--output", make.strOutput, "KRZ file to write")
        ->required()
        ->check(kFileName);
    COptionValues makeValues;
    AddTableOptions(*pMake, "make", makeValues);
    pMake->add_option("--instrument", make.strInstrument,
                      "Make one instrument of this name from the audio files, by the notes and "
                      "velocity layers their names hold");
    pMake->add_option("INPUT", make.aInputs,
                      "One pool file (.dvn), audio files, or instrument files (.sfz, .dspreset, "
                      ".sf2)")
        ->required();

    PoolOptions pool;
    auto* pPool = app.add_subcommand("pool", "Write a pool file (.dvn) from audio files, or "
                                             "save a pool file again");
    pPool->add_option("-o,--output", pool.strOutput, "Pool file to write")->required();
    COptionValues poolValues;
    AddTableOptions(*pPool, "pool", poolValues);
    pPool->add_option("INPUT", pool.aInputs, "One pool file (.dvn), or audio files")->required();

    SDiskCommands disk;
    AddDiskCommands(app, disk);

    try
    {
        app.parse(argc, argv);
    }
    catch (const CLI::ParseError& e)
    {
        const int nCode = app.exit(e);
        return nCode == 0 ? kExitOk : kExitUsage;
    }

    FillMakeOptions(makeValues, make);
    make.bSplitSizeGiven = pMake->count("--split-size") > 0;
    pool.bRelativePaths = poolValues.Get("relativePaths") != 0;
    CConsoleFeedback feedback(stderr, ::isatty(STDERR_FILENO) != 0);
    if (*pMake)
        return RunMake(make, feedback);
    if (*pPool)
        return RunPool(pool, feedback);
    return RunDiskCommand(disk, feedback);
}
