// The engine's command line, switch removal, sizes and the temporary-drive
// question.
#include <gtest/gtest.h>

#include "stub/SetupRules.h"

namespace {

TEST(RemoveSwitch, TakesTheSwitchItsValueAndBlanks) {
    const struct {
        const char* line;
        const char* sw;
        const char* result;
    } cases[] = {
        {"a.exe /SpanCdLvl=2 /hide", "/SpanCdLvl=", "a.exe /hide"},
        {"a.exe /hide /SpanCdLvl=2", "/SpanCdLvl=", "a.exe /hide "},
        {"a.exe /SpanDiskFName1=\"D:\\s.exe.001\" /X", "/SpanDiskFName1=", "a.exe /X"},
        {"a.exe /SpanDiskFName1=\"D:/cd/s.exe.001\" /X", "/SpanDiskFName1=", "a.exe /X"},  // "/" inside quotes
        {"a.exe /spancdlvl=2", "/SpanCdLvl=", "a.exe /spancdlvl=2"},  // exact comparison
        {"a.exe", "/SpanCdLvl=", "a.exe"},
    };
    for (const auto& c : cases) EXPECT_EQ(RemoveSwitch(c.line, c.sw), c.result) << c.line;
}

TEST(SizeMBText, DecimalsByMagnitude) {
    EXPECT_EQ(SizeMBText(16544834), "15.8");
    EXPECT_EQ(SizeMBText(3407872), "3.25");
    EXPECT_EQ(SizeMBText(524288), "0.500");
    EXPECT_EQ(SizeMBText(0), "0.000");
    EXPECT_EQ(SizeMBText(-5), "0.000");
    EXPECT_EQ(SizeMBText(10485760), "10.00");  // exactly 10: two decimals
}

EngineLaunch Launch(const Text& entry, const Text& parameters) {
    return EngineLaunch{"C:\\T\\SETUP_123\\", entry, parameters, "_4242", "D:\\dl\\setup.exe", false};
}

TEST(EngineCommandLine, ProgramParametersAndSwitches) {
    EXPECT_EQ(EngineCommandLine(Launch("Engine.exe* /X", "/hide")),
              "C:\\T\\SETUP_123\\Engine.exe /hide /X /TH_ID=_4242 /OriginExe=\"D:\\dl\\setup.exe\"");
    EXPECT_EQ(EngineCommandLine(Launch("Engine.exe", "")),
              "C:\\T\\SETUP_123\\Engine.exe /TH_ID=_4242 /OriginExe=\"D:\\dl\\setup.exe\"");
    EXPECT_EQ(EngineCommandLine(Launch(" Engine.exe *", "")),
              "C:\\T\\SETUP_123\\Engine.exe /TH_ID=_4242 /OriginExe=\"D:\\dl\\setup.exe\"");
}

TEST(EngineCommandLine, SecondStageKeepsItsOriginAndDropsCdSwitches) {
    EngineLaunch launch = Launch("Engine.exe*",
                                 "/SpanCdLvl=2 /SpanDiskFName1=\"D:\\setup.exe.001\" /OriginExe=\"D:\\setup.exe\"");
    EXPECT_EQ(EngineCommandLine(launch),
              "C:\\T\\SETUP_123\\Engine.exe /OriginExe=\"D:\\setup.exe\" /TH_ID=_4242");
}

TEST(EngineCommandLine, AgentUpdateAddsItsSwitch) {
    EngineLaunch launch = Launch("Engine.exe*", "/OriginalInfoFile=\"C:\\p\\a.info\"");
    launch.autoUpdateProg = true;
    EXPECT_EQ(EngineCommandLine(launch),
              "C:\\T\\SETUP_123\\Engine.exe /OriginalInfoFile=\"C:\\p\\a.info\" /TH_ID=_4242 "
              "/OriginExe=\"D:\\dl\\setup.exe\" /AutoUpdateProg");
}

TEST(TempSpaceNotice, AskedWhenInformedOrShort) {
    const TempSpaceTexts texts{"Inform <DRIVE><P>", "Short <DRIVE><P>", "Need <SPACE_REQ><P>",
                               "Free <SPACE_AVAIL><P>", "Go?"};
    EXPECT_EQ(TempSpaceNotice(texts, "c:\\temp", false, 1, 2), "");
    EXPECT_EQ(TempSpaceNotice(texts, "c:\\temp", true, 1048576, 3407872),
              "Inform C:<P>Need 1.00<P>Free 3.25<P>Go?");
    EXPECT_EQ(TempSpaceNotice(texts, "d:\\t", true, 2, 2), "Short D:<P>Need 0.000<P>Free 0.000<P>Go?");
    EXPECT_EQ(TempSpaceNotice(texts, "", false, 5, 1), "Short <P>Need 0.000<P>Free 0.000<P>Go?");
}

}  // namespace
