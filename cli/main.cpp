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

    std::string strSplitSource, strSplitDest;
    int nSplitKB = kDefaultSplitKB;
    auto* pSplit = app.add_subcommand("split", "Split a KRZ file into numbered parts");
    pSplit->add_option("SOURCE", strSplitSource, "File to split")->required();
    pSplit->add_option("--dest", strSplitDest, "Base name of the parts (default: SOURCE)")
        ->check(kFileName);
    pSplit->add_option("--size", nSplitKB, Option("splitKB").szHelp)
        ->check(OptionRange(Option("splitKB")));

    std::string strJoinFirst, strJoinDest;
    auto* pJoin = app.add_subcommand("join", "Join a series of parts into one KRZ file");
    pJoin->add_option("FIRST", strJoinFirst, "First part (NAME01)")->required();
    pJoin->add_option("--dest", strJoinDest, "File to write (default: FIRST followed by J)")
        ->check(kFileName);

    std::vector<std::string> aImageFiles;
    int nImageKB = 0;
    auto* pImage =
        app.add_subcommand("image", "Write a floppy image holding each KRZ file or part");
    pImage->add_option("--format", nImageKB, "Floppy size in KB: 720 or 1440")
        ->required()
        ->check(CLI::IsMember({720, 1440}));
    pImage->add_option("FILE", aImageFiles, "KRZ files or parts")->required();

    std::string strPutImage, strPutFolder;
    std::vector<std::string> aPutFiles;
    bool bPutReplace = false;
    auto* pPut = app.add_subcommand("put", "Copy KRZ files into a FAT12 or FAT16 disk image");
    pPut->add_option("IMAGE", strPutImage, "Disk image (raw volume or partitioned)")->required();
    pPut->add_option("FILE", aPutFiles, "Files to copy, each under its own extension")->required();
    pPut->add_flag("--replace", bPutReplace, "Replace files of the same name");
    pPut->add_option("--folder", strPutFolder,
                     "Folder to copy into, a/b for b within a (created if missing)");

    std::vector<std::string> aInfoFiles;
    auto* pInfo = app.add_subcommand("info", "List and check what KRZ files hold");
    pInfo->add_option("FILE", aInfoFiles, "KRZ files")->required();

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
    if (*pSplit)
        return RunSplit(strSplitSource, strSplitDest, nSplitKB, feedback);
    if (*pJoin)
        return RunJoin(strJoinFirst, strJoinDest, feedback);
    if (*pImage)
        return RunImage(aImageFiles, nImageKB, feedback);
    if (*pPut)
        return RunPut(strPutImage, aPutFiles, strPutFolder, bPutReplace, feedback);
    if (*pInfo)
        return RunInfo(aInfoFiles, feedback);
    return kExitUsage;
}
