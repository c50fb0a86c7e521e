// Command-line tail, switch lookup and the run-mode decisions.
#include <gtest/gtest.h>

#include "stub/RunMode.h"
#include "stub/Switches.h"

namespace {

struct TailCase {
    const char* commandLine;
    const char* tail;
};

TEST(CommandTail, CutsTheProgramNameInEveryForm) {
    const Text name = "setup.exe", path = "C:\\dl\\setup.exe";
    const TailCase cases[] = {
        {"\"C:\\dl\\setup.exe\" /hide /WAIT=5", "/hide /WAIT=5"},
        {"\"C:\\dl\\SETUP.EXE\"  /hide ", "/hide"},            // name found ignoring case
        {"C:\\dl\\setup.exe /hide", "/hide"},                   // unquoted
        {"\"C:\\dl\\setup.exe\" a", ""},                       // one single-character argument
        {"C:\\dl\\setup.exe x", ""},
        {"\"C:\\dl\\setup.exe\"", ""},
        {"setup /x", "setup /x"},                               // neither name nor path occurs
        {"\"C:\\other\\setup.exe\" \"C:\\dl\\setup.exe\"", "\"C:\\dl\\setup.exe\""},  // first occurrence
    };
    for (const TailCase& c : cases) EXPECT_EQ(CommandTailOf(c.commandLine, name, path), c.tail) << c.commandLine;
}

TEST(CommandTail, FallsBackToTheFullPath) {
    // A path whose file name is not the own name: only that occurrence goes.
    EXPECT_EQ(CommandTailOf("C:\\x\\a.exe /q", "b.exe", "C:\\x\\a.exe"), "/q");
}

struct ValueCase {
    const char* tail;
    const char* name;
    const char* value;
};

TEST(Switches, ValuesAreCutAsTyped) {
    const ValueCase cases[] = {
        {"/WAIT=5 /hide", "/WAIT=", "5"},
        {"/X=\"C:\\My Files\\a b\" /hide", "/X=", "C:\\My Files\\a b"},
        {"/X=C:/dir", "/X=", "C:"},
        {"/X=\"unclosed value", "/X=", "unclosed value"},
        {"/TRANSIENT=", "/TRANSIENT=", "TRUE"},             // nothing follows the name
        {"/TRANSIENT= /hide", "/TRANSIENT=", ""},         // a blank follows the "="
        {"/A=/B=2", "/A=", ""},                             // followed directly by a switch
        {"/wait=3", "/WAIT=", "3"},                          // ignoring case
        {"/Name=MixedCase", "/name=", "MixedCase"},          // value keeps its letters
        {"/hide", "/WAIT=", ""},                             // missing
        {"x/hidex", "/hide", "x"},                           // no word boundaries
    };
    for (const ValueCase& c : cases) EXPECT_EQ(SwitchValueIn(c.tail, c.name), c.value) << c.tail;
    EXPECT_TRUE(HasSwitchIn("/wait=3", "/WAIT="));
    EXPECT_TRUE(HasSwitchIn("x/hidex", "/hide"));
    EXPECT_FALSE(HasSwitchIn("/hid", "/hide"));
}

TEST(Switches, IntegersFallBackToTheDefault) {
    EXPECT_EQ(SwitchIntIn("/SpanCdLvl=2", "/SpanCdLvl=", 1), 2);
    EXPECT_EQ(SwitchIntIn("/spancdlvl=1", "/SpanCdLvl=", 7), 1);
    EXPECT_EQ(SwitchIntIn("/STOP=-3", "/STOP=", -1), -3);
    EXPECT_EQ(SwitchIntIn("/WAIT=abc", "/WAIT=", 9), 9);
    EXPECT_EQ(SwitchIntIn("/WAIT=", "/WAIT=", 9), 9);   // "TRUE"
    EXPECT_EQ(SwitchIntIn("", "/WAIT=", 9), 9);
    EXPECT_EQ(SwitchIntIn("/WAIT=99999999999", "/WAIT=", 0), 99999999999LL);
}

TEST(RunMode, AgentNamesAndClasses) {
    EXPECT_TRUE(IsPlainAgentName("Agent.exe", " agent.EXE "));
    EXPECT_FALSE(IsPlainAgentName("X_Agent.exe", "Agent.exe"));
    EXPECT_TRUE(IsTransientAgentName("x_agent.exe", "Agent.exe"));
    EXPECT_FALSE(IsTransientAgentName("Agent.exe", "Agent.exe"));
    EXPECT_EQ(TransientAgentClass("Agent.exe"), ".AutoUpdate.X_Agent");
    EXPECT_EQ(StubClassNameFor(true, "C:\\p\\X_Agent.exe"), ".AutoUpdate.X_Agent");
    EXPECT_EQ(StubClassNameFor(false, "C:\\p\\setup.exe"), "C:\\p\\setup.exe");
}

TEST(RunMode, CdSetStages) {
    EXPECT_TRUE(IsCdSetFirstStageFor(true, 1));
    EXPECT_FALSE(IsCdSetFirstStageFor(false, 1));
    EXPECT_FALSE(IsCdSetFirstStageFor(true, 2));
    EXPECT_TRUE(IsCdSetSecondStageFor(2));  // the package bit is not consulted
    EXPECT_FALSE(IsCdSetSecondStageFor(1));
}

}  // namespace
