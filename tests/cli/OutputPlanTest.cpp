// dorvane-cli's outputs are planned before the first write: every file a
// command would write is checked against its inputs and the other outputs,
// and a refusal names both files and leaves the folder as it was.
#include "CDorvane_V2Doc.h"
#include "CliRun.h"
#include "PoolEdit.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using test::Bytes;

namespace
{

test::WavSpec MonoSpec(std::size_t nBytes)
{
    test::WavSpec spec;
    spec.nChannels = 1;
    spec.nBits = 16;
    spec.abData = test::RampData(nBytes, 7);
    return spec;
}

std::map<std::string, Bytes> Contents(const std::filesystem::path& dir)
{
    std::map<std::string, Bytes> aFiles;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
        if (!entry.is_directory())
            aFiles[entry.path().lexically_relative(dir).string()] =
                test::ReadFileBytes(entry.path().string());
    return aFiles;
}

} // namespace

TEST(CliOutputPlan, RefusedBeforeAnythingIsWritten)
{
    struct Case
    {
        const char* szArgs;
        int nStatus;
        const char* szMessage; // a part of what the program says
    };
    const Case aCases[] = {
        // An image name that is an input: a WAV file, the pool file.
        {"make -o OUT.KRZ --image 720 piano.wav OUT.KRZ.img", 1,
         "Can't write OUT.KRZ.img: it is the same file as OUT.KRZ.img,"},
        {"make -o OUT.KRZ --image 720 --split --split-size 2 OUT.KRZ02.img", 1,
         "Can't write OUT.KRZ02.img: it is the same file as OUT.KRZ02.img,"},
        {"make -o P --image 1440 P.img", 1, "Can't write P.img: it is the same file as P.img,"},
        // The part that clashes is the one named.
        {"make -o OUT.KRZ --split --split-size 1 piano.wav", 1,
         "Can't write OUT.KRZ02: it is the same file as piano.wav,"},
        // image: a later file that bears an earlier file's image name, and
        // two files with one image.
        {"image --format 720 a.krz a.krz.img", 1,
         "Can't write a.krz.img: it is the same file as a.krz.img,"},
        {"image --format 720 a.krz ./a.krz", 1,
         "Can't write both a.krz.img and ./a.krz.img: they are the same file."},
        // An output in a folder that does not exist says so.
        {"make -o no/such/X.KRZ piano.wav", 1,
         "/no/such/X.KRZ could not be created because its folder does not exist."},
        {"split piano.wav --size 1 --dest no/x", 1,
         "/no/x01 could not be created because its folder does not exist."},
        // An empty output name is a usage error.
        {"make -o '' piano.wav", 2, "empty"},
        {"split piano.wav --size 1 --dest ''", 2, "empty"},
        {"join OUT.KRZ02 --dest ''", 2, "empty"},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szArgs);
        test::TempDir dir;
        test::WriteFileBytes(dir / "piano.wav", test::MakeWav(MonoSpec(30000)));
        for (const char* szWav : {"OUT.KRZ.img", "OUT.KRZ02.img"})
            test::WriteFileBytes(dir / szWav, test::MakeWav(MonoSpec(4000)));
        std::filesystem::create_hard_link(dir / "piano.wav", dir / "OUT.KRZ02");
        test::WriteFileBytes(dir / "a.krz", Bytes(1000, 0x11));
        test::WriteFileBytes(dir / "a.krz.img", Bytes(2000, 0x22));
        {
            CDorvane_V2Doc doc;
            AddPoolEntry(doc, dir / "piano.wav", "piano");
            test::CRecordingFeedback feedback;
            ASSERT_TRUE(ShowAsMessages(doc.OnSaveDocument(dir / "P.img"), feedback));
        }
        const auto aBefore = Contents(dir.Path());

        const auto r = test::RunCli(dir.Path(), c.szArgs);

        EXPECT_EQ(r.nStatus, c.nStatus) << r.strOut;
        EXPECT_NE(r.strOut.find(c.szMessage), std::string::npos) << r.strOut;
        EXPECT_TRUE(Contents(dir.Path()) == aBefore);
    }
}
