// The plan of a command's outputs: refusals before anything is written. (The
// set's commit, all or nothing, is tested under faults with Make File.)
#include "CFeedback.h"
#include "COutputSet.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using test::Bytes;

// Every way an output can be one of the inputs or another output, however
// spelt or linked; and names that are distinct files.
TEST(OutputSet, PlanIsRefusedNamingBothFiles)
{
    struct Case
    {
        const char* szName;
        std::vector<std::string> aInputs, aOutputs; // names in the folder
        const char* szFirst;  // the output the refusal names; nullptr: accepted
        const char* szSecond; // the input, or the second output
        bool bTwoOutputs;
    };
    const Case aCases[] = {
        {"distinct", {"a.wav"}, {"OUT.KRZ", "OUT.KRZ.img", "OUT.KRZ01"}, nullptr, nullptr, false},
        {"input by its own name", {"a.wav"}, {"OUT.KRZ", "a.wav"}, "a.wav", "a.wav", false},
        {"input spelt otherwise", {"a.wav"}, {"sub/../a.wav"}, "sub/../a.wav", "a.wav", false},
        {"input through a link", {"a.wav"}, {"OUT.KRZ", "link"}, "link", "a.wav", false},
        {"input through a hard link", {"a.wav"}, {"hard"}, "hard", "a.wav", false},
        {"a later input", {"a.wav", "a.wav.img"}, {"a.wav.img"}, "a.wav.img", "a.wav.img", false},
        {"one output twice", {}, {"x.img", "x.img"}, "x.img", "x.img", true},
        {"two spellings, no file yet", {}, {"OUT.KRZ", "./OUT.KRZ"}, "OUT.KRZ", "./OUT.KRZ", true},
        {"two outputs hard-linked", {}, {"OUT.KRZ01", "hard.img"}, "OUT.KRZ01", "hard.img", true},
        {"empty name", {"a.wav"}, {""}, "", nullptr, false},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::TempDir dir;
        std::filesystem::create_directory(dir / "sub");
        test::WriteFileBytes(dir / "a.wav", Bytes(10, 1));
        test::WriteFileBytes(dir / "a.wav.img", Bytes(10, 2));
        test::WriteFileBytes(dir / "OUT.KRZ01", Bytes(10, 3));
        std::filesystem::create_symlink("a.wav", dir / "link");
        std::filesystem::create_hard_link(dir / "a.wav", dir / "hard");
        std::filesystem::create_hard_link(dir / "OUT.KRZ01", dir / "hard.img");
        test::ScopedCurrentDir cwd(dir.Path());
        const auto aBefore = test::ListDir(dir.Path());

        COutputSet outputs;
        for (const std::string& strInput : c.aInputs)
            outputs.AddInput(strInput);
        for (const std::string& strOutput : c.aOutputs)
            outputs.AddOutput(strOutput);
        const std::string strRefusal = outputs.CheckPlan();

        if (c.szFirst == nullptr)
            EXPECT_EQ(strRefusal, "");
        else if (c.szSecond == nullptr)
            EXPECT_EQ(strRefusal, kEmptyOutputMessage);
        else if (c.bTwoOutputs)
            EXPECT_EQ(strRefusal, TwoOutputsMessage(c.szFirst, c.szSecond));
        else
            EXPECT_EQ(strRefusal, SameFileMessage(c.szFirst, c.szSecond));
        // A file created later is checked as the plan is, before it exists
        // (the same spelling twice is one file to create).
        if (c.szFirst != nullptr && c.szSecond != nullptr &&
            std::count(c.aOutputs.begin(), c.aOutputs.end(), c.aOutputs.back()) == 1)
        {
            COutputSet late;
            for (const std::string& strInput : c.aInputs)
                late.AddInput(strInput);
            for (std::size_t i = 0; i + 1 < c.aOutputs.size(); ++i)
                late.AddOutput(c.aOutputs[i]);
            EXPECT_THROW(late.Create(c.aOutputs.back()), COutputRefusal);
        }
        EXPECT_EQ(test::ListDir(dir.Path()), aBefore);
    }
}
