// The structure check that keeps malformed banks away from the library.
#include "Sf2Check.h"
#include "Sf2Reader.h"
#include "Sf2TestBank.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace
{
using namespace test;

// One preset over one instrument over one 64-point mono sample.
Sf2Bank SmallBank()
{
    Sf2Bank bank;
    Sf2Sample s;
    s.strName = "S";
    s.aWords = Sf2Ramp(64, 3);
    bank.aSamples = {s};
    bank.aInstruments = {{"I", {{{}, 0}}}};
    bank.aPresets = {{"P", 0, 0, {{{}, 0}}}};
    return bank;
}

// The offset of the first byte of the body of the chunk szId.
std::size_t BodyOf(const Bytes& ab, const char* szId)
{
    const auto it = std::search(ab.begin(), ab.end(), szId, szId + 4);
    return static_cast<std::size_t>(it - ab.begin()) + 8;
}

void Put16(Bytes& ab, std::size_t nAt, std::uint16_t n)
{
    ab[nAt] = static_cast<std::uint8_t>(n);
    ab[nAt + 1] = static_cast<std::uint8_t>(n >> 8);
}

TEST(Sf2Check, RefusesBanksWhoseHeadersDoNotHold)
{
    const struct
    {
        const char* szWhat;
        std::function<void(Sf2Bank&)> change; // on the bank before it is built
        std::function<void(Bytes&)> patch;    // on the bytes after
        const char* szProblem;                // "": the bank is read
    } aCases[] = {
        {"sound", {}, {}, ""},
        {"unknown generator",
         [](Sf2Bank& b) {
             b.aInstruments[0].aZones[0].aGens = {{1086, 0}};
         },
         {},
         "generator 0 of igen has the unknown number 1086"},
        {"last generator number",
         [](Sf2Bank& b) {
             b.aInstruments[0].aZones[0].aGens = {{60, 0}};
         },
         {},
         ""},
        {"instrument out of range",
         [](Sf2Bank& b) { b.aPresets[0].aZones[0].nTarget = 1; },
         {},
         "generator 0 of pgen names 1 of 1 instruments"},
        {"sample out of range",
         [](Sf2Bank& b) { b.aInstruments[0].aZones[0].nTarget = 7; },
         {},
         "generator 0 of igen names 7 of 1 samples"},
        {"stereo link out of range",
         [](Sf2Bank& b)
         {
             b.aSamples[0].nType = 4;
             b.aSamples[0].nLink = 1;
         },
         {},
         "sample header 0 links to sample 1 of 1"},
        {"sample past the data",
         {},
         [](Bytes& ab) { Put16(ab, BodyOf(ab, "shdr") + 24, 200); },
         "sample header 0 holds points 0..200 of 110"},
        {"ROM sample outside the data", [](Sf2Bank& b) { b.aSamples[0].nType = 0x8001; },
         [](Bytes& ab) { Put16(ab, BodyOf(ab, "shdr") + 24, 200); }, "ROM"},
        {"preset zones out of range",
         {},
         [](Bytes& ab) { Put16(ab, BodyOf(ab, "phdr") + 38 + 24, 3); },
         "record 1 of phdr points to preset zone 3 of 2"},
        {"zones going back",
         {},
         [](Bytes& ab)
         {
             Put16(ab, BodyOf(ab, "inst") + 20, 1);
             Put16(ab, BodyOf(ab, "inst") + 22 + 20, 0);
         },
         "record 1 of inst points to instrument zone 0"},
        {"generators out of range",
         {},
         [](Bytes& ab) { Put16(ab, BodyOf(ab, "ibag") + 4, 9); },
         "record 1 of ibag points to generator 9 of 2"},
        {"missing chunk",
         {},
         [](Bytes& ab) { ab[BodyOf(ab, "imod") - 8] = 'x'; },
         "the imod chunk is missing"},
        {"no sample data",
         {},
         [](Bytes& ab) { ab[BodyOf(ab, "smpl") - 8] = 'x'; },
         "no sample data"},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szWhat);
        TempDir dir;
        Sf2Bank bank = SmallBank();
        if (c.change)
            c.change(bank);
        Bytes ab = MakeSf2(bank);
        if (c.patch)
            c.patch(ab);
        WriteFileBytes(dir / "b.sf2", ab);
        const CInstrumentSet set = ReadSf2File(dir / "b.sf2");
        if (std::string(c.szProblem) == "ROM")
        {
            // Not a structure fault: the library reads it, the zone has no data.
            EXPECT_EQ(CheckSf2File(dir / "b.sf2"), "");
            continue;
        }
        const std::string strProblem = CheckSf2File(dir / "b.sf2");
        EXPECT_EQ(strProblem.empty(), !*c.szProblem) << strProblem;
        EXPECT_NE(strProblem.find(c.szProblem), std::string::npos) << strProblem;
        EXPECT_EQ(set.strRefusal.empty(), !*c.szProblem) << set.strRefusal;
        EXPECT_NE(set.strRefusal.find(c.szProblem), std::string::npos) << set.strRefusal;
    }
}

} // namespace
