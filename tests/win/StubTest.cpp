// The program's version resource and the own command line.
#include <gtest/gtest.h>
#include <windows.h>

#include "stub/Stub.h"
#include "stub/Version.h"
#include "util/Utils.h"

namespace {

TEST(FileVersionText, ReadsTheVersionResource) {
    EXPECT_EQ(FileVersionText(OwnFolder(true) + "stub.exe"), STUB_VERSION_TEXT);
    EXPECT_EQ(FileVersionText(OwnExePath(false)), "");      // this test program has none
    EXPECT_EQ(FileVersionText(""), "");                     // empty: the own executable
    EXPECT_EQ(FileVersionText(OwnFolder(true) + "missing.exe"), "");
    Text system = FileVersionText(SystemFolder(true) + "kernel32.dll");
    EXPECT_EQ(std::count(system.begin(), system.end(), '.'), 3) << system;
}

TEST(OwnCommandLine, TailLeavesTheProgramNameOut) {
    Text tail = CommandTail();
    EXPECT_EQ(PosIgnoreCase(OwnExePath(true) + ".exe", tail), 0u) << tail;
    EXPECT_EQ(GetSwitchValue("/no-such-switch="), "");
    EXPECT_EQ(GetSwitchInt("/no-such-switch=", 17), 17);
}

TEST(OwnPackage, BeforeStartUpIsEmpty) {
    EXPECT_FALSE(OwnPackage().IsAutoUpdateProg());
    EXPECT_EQ(OwnPackage().AgentExeName(), "");
    EXPECT_FALSE(ThisIs_Plain_AutoUpdate_Exe());
    EXPECT_FALSE(X_ExeIsRunning());
}

}  // namespace
