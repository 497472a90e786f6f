// Names end to end: the sample name a file gives, names in other scripts
// written in Latin letters, and the line that says which names the file
// holds otherwise than the entries.
#include "CliRun.h"
#include "DiskImageTestUtil.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

TEST(CliNames, SampleNamesFromTitlesAndTheNoteOfNamesWrittenOtherwise)
{
    struct Case
    {
        std::vector<std::string> aFiles; // made from one 16-bit mono WAV by sox
        std::vector<std::string> aNames; // the samples' names, as info prints them
        const char* szNote;              // the line after the summary, or ""
    };
    const Case aCases[] = {
        {{"piano.wav", "lead.aiff", "bass.flac", "pad.aifc"}, {"piano", "lead", "bass", "pad"}, ""},
        {{"Скрипка.wav"}, {"Skripka"}, "Names written otherwise: \"Скрипка\" as \"Skripka\"."},
        {{"Glöckchen.wav", "Tiếng Việt.wav"},
         {"Glockchen", "Tieng Viet"},
         "Names written otherwise: \"Glöckchen\" as \"Glockchen\", \"Tiếng Việt\" as \"Tieng "
         "Viet\"."},
        {{"中文.wav"}, {"zhong wen"}, "Names written otherwise: \"中文\" as \"zhong wen\"."},
    };
    if (test::FindTool("sox").empty())
        GTEST_SKIP() << "sox is needed (make deps)";
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.aFiles[0]);
        test::TempDir dir;
        test::WavSpec spec;
        spec.abData = test::RampData(2000, 3);
        test::WriteFileBytes(dir / "source.wav", test::MakeWav(spec));
        std::string strArgs = "make --convert -o OUT.KRZ";
        for (const std::string& strFile : c.aFiles)
        {
            const auto r = test::RunShell(dir.Path(), "sox source.wav " + test::Quoted(strFile));
            ASSERT_EQ(r.nStatus, 0) << r.strOut;
            strArgs += " " + test::Quoted(strFile);
        }
        const auto made = test::RunCli(dir.Path(), strArgs);
        ASSERT_EQ(made.nStatus, 0) << made.strOut;
        const std::size_t nEnd = made.strOut.find('\n');
        EXPECT_EQ(made.strOut.substr(nEnd + 1), *c.szNote ? std::string(c.szNote) + "\n" : "");
        const auto info = test::RunCli(dir.Path(), "info OUT.KRZ");
        for (std::size_t i = 0; i < c.aNames.size(); ++i)
        {
            const std::string strLine =
                "Sample " + std::to_string(200 + i) + " \"" + c.aNames[i] + "\"";
            EXPECT_NE(info.strOut.find(strLine), std::string::npos) << strLine << "\n"
                                                                    << info.strOut;
        }
    }
}

} // namespace
