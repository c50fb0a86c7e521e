// The builder's project: INI and command-line keys, the plan they make (file
// order and names, header records, tokens shared between setups, seeded
// output) and the language table.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "package/PackProject.h"
#include "package/PackX.h"
#include "tests/unit/PackTestFiles.h"
#include "text/VSUB.h"

namespace {

namespace fs = std::filesystem;

class PackProjectTest : public packtest::TestFolder {
protected:
    void SetUp() override {
        TestFolder::SetUp();
        Write("stub.exe", packtest::StubImage());
        Write("Engine.exe", "engine");
        Write("engine.ini", "[Engine]\n");
        Write("app/b.txt", "b");
        Write("app/a.txt", "a");
        Write("English.txt", "; the English texts\ns0 = My Setup\nBtnText=OK|Cancel\n\nCharset=0\n");
    }

    // A project with the usual keys; more may follow.
    pack::TProject Project(const std::vector<std::pair<Text, Text>>& more = {}) {
        pack::TProject project;
        Text error;
        const Text ini =
            "[Setup]\nStub=stub.exe\nOutput=setup.exe\nEngine=Engine.exe\nEngineArgs=/X\n"
            "Scripts=engine.ini\nFiles=app\nLanguages=English.txt\nSeed=7\n";
        EXPECT_TRUE(project.ReadIni(ini, folder_.string(), error)) << error;
        for (const auto& key : more) EXPECT_TRUE(project.Set(key.first, key.second, folder_.string(), error)) << error;
        return project;
    }

    pack::TPackPlan Plan(const pack::TProject& project) {
        pack::TPackPlan plan;
        Text error;
        EXPECT_TRUE(project.MakePlan(plan, error)) << error;
        return plan;
    }

    Text PlanError(const pack::TProject& project) {
        pack::TPackPlan plan;
        Text error;
        EXPECT_FALSE(project.MakePlan(plan, error));
        return error;
    }

    Text Built(const pack::TProject& project, const std::string& name) {
        pack::TPackPlan plan = Plan(project);
        plan.outputPath = Path(name);
        pack::TPackSummary summary;
        Text error;
        EXPECT_TRUE(pack::WritePackage(plan, summary, error)) << error;
        return plan.outputPath;
    }
};

TEST_F(PackProjectTest, FilesComeInPackageOrderWithTheirNames) {
    const pack::TPackPlan plan = Plan(Project());
    std::vector<Text> names;
    for (const pack::TPackSource& file : plan.files) names.push_back(file.name);
    EXPECT_EQ(names, (std::vector<Text>{"Engine.exe*/X", "engine.ini", "00000#a.txt", "00001#b.txt"}));
    EXPECT_EQ(plan.files[2].path, Path("app") + platform::kPathSeparator + "a.txt");
    EXPECT_EQ(plan.stubPath, Path("stub.exe"));
    EXPECT_EQ(plan.headerRecords.size(), 2u);
    EXPECT_EQ(plan.level, 6);
}

TEST_F(PackProjectTest, KeysIgnoreCaseAndTheCommandLineOverridesTheFile) {
    pack::TProject project = Project();
    Text error;
    ASSERT_TRUE(project.Set("level", "9", "", error));
    ASSERT_TRUE(project.Set("OUTPUT", "elsewhere.exe", "", error));
    const pack::TPackPlan plan = Plan(project);
    EXPECT_EQ(plan.level, 9);
    EXPECT_EQ(plan.outputPath, "elsewhere.exe");
}

TEST_F(PackProjectTest, UnknownOrMalformedKeysAreRefusedWithTheirLine) {
    const struct {
        std::string ini;
        const char* error;
    } cases[] = {
        {"[Setup]\nStub=a\nColour=blue\n", "line 3: unknown key \"Colour\""},
        {"[Setup]\nStub=a\nstub=b\n", "line 3: the key \"stub\" is set twice"},
        {"[Other]\nStub=a\n", "line 1: unknown section [Other]"},
        {"Stub=a\n", "line 1: keys belong in the [Setup] section"},
        {"[Setup]\nno equals sign\n", "line 2: a line of the form key=value expected"},
        {"[Setup]\nWebSetup=2\n", "line 2: WebSetup: 0 or 1"},
        {"[Setup]\nDiskSize=lots\n", "line 2: DiskSize: a number"},
        {std::string("[Setup]\nScripts=a.ini\0../../x\n", 30), "line 2: Scripts: the value may not contain NUL"},
    };
    for (const auto& c : cases) {
        pack::TProject project;
        Text error;
        EXPECT_FALSE(project.ReadIni(c.ini, "", error)) << c.ini;
        EXPECT_EQ(error.find(c.error), 0u) << error;
    }
    pack::TProject project;
    Text error;
    EXPECT_FALSE(project.Set("Colour", "blue", "", error));
}

TEST_F(PackProjectTest, UnsafeOrConflictingInputIsRefused) {
    const struct {
        const char* what;
        std::vector<std::pair<Text, Text>> keys;
        const char* error;
    } cases[] = {
        {"engine arguments with |", {{"EngineArgs", "/a|b"}}, "may not contain \"|\""},
        {"agent address with |", {{"AgentUrl", "http://a|b"}}, "may not contain \"|\""},
        {"agent program in a folder", {{"AgentExe", "..\\x.exe"}}, "AgentExe must be a plain file name"},
        {"agent without a name", {{"MakeAgent", "1"}}, "MakeAgent needs AgentExe"},
        {"web setup without address", {{"WebSetup", "1"}}, "a web setup needs WebUrl"},
        {"script named like another file", {{"Scripts", "engine.ini;sub/engine.ini"}}, "two files are named"},
        {"no stub", {{"Stub", ""}}, "no Stub given"},
        {"output over the stub", {{"Output", "stub.exe"}}, "Output may not be the stub itself"},
        {"a device name", {{"Scripts", "CON"}}, "cannot be packed"},
    };
    Write("sub/engine.ini", "x");
    for (const auto& c : cases) EXPECT_NE(PlanError(Project(c.keys)).find(c.error), Text::npos) << c.what;
}

TEST_F(PackProjectTest, ApplicationFilesComeFromOneFolderWithPlainNames) {
    Write("app/sub/c.txt", "c");
    EXPECT_NE(PlanError(Project()).find("is a folder"), Text::npos);
    fs::remove_all(Path("app/sub"));
    if (platform::kPathSeparator == '/') {
        // Names that are plain here but not on Windows.
        for (const char* name : {"a|b.txt", "..\\..\\evil.txt", "c:evil.txt"}) {
            Write(std::string("app/") + name, "x");
            EXPECT_NE(PlanError(Project()).find("cannot be packed"), Text::npos) << name;
            fs::remove(Path(std::string("app/") + name));
        }
    }
}

TEST_F(PackProjectTest, ProductRecordCarriesItsFieldsAndATokenThatDecodes) {
    const pack::TPackPlan plan = Plan(Project({{"AgentUrl", "http://agent.example/"},
                                               {"InfoFile", "prod.v2.info"},
                                               {"AgentExe", "ProdAU.exe"},
                                               {"AgentToken", "PRODUCT-7"},
                                               {"HideSetup", "1"}}));
    const Text& product = plan.headerRecords[1];
    EXPECT_EQ(SUB::Item(product, 0, ""), "http://agent.example/");
    EXPECT_EQ(SUB::Item(product, 1, ""), "prod.v2.info");
    EXPECT_EQ(SUB::Item(product, 2, ""), "ProdAU.exe");
    EXPECT_EQ(TryDecodeToken(SUB::Item(product, 3, "")), std::optional<Text>("PRODUCT-7"));
    EXPECT_EQ(SUB::Item(product, 4, ""), "1");
    // Without a value, an agent still gets a token.
    const pack::TPackPlan generated = Plan(Project({{"AgentExe", "ProdAU.exe"}}));
    EXPECT_TRUE(TryDecodeToken(SUB::Item(generated.headerRecords[1], 3, "")));
    EXPECT_EQ(Plan(Project()).headerRecords[1], "|||||0|");
}

TEST_F(PackProjectTest, SetupsOfAProductShareTheAgentTokenValue) {
    const Text first = Built(Project({{"AgentExe", "ProdAU.exe"}, {"AgentToken", "P1"}, {"Seed", "1"}}), "one.exe");
    const Text second = Built(Project({{"AgentExe", "ProdAU.exe"}, {"AgentToken", "P1"}, {"Seed", "2"}}), "two.exe");
    const TGFileInfo a(first), b(second);
    EXPECT_NE(a.AgentToken(false), b.AgentToken(false));
    EXPECT_EQ(TryDecodeToken(a.AgentToken(false)), std::optional<Text>("P1"));
    EXPECT_EQ(TryDecodeToken(b.AgentToken(false)), std::optional<Text>("P1"));
}

TEST_F(PackProjectTest, AWebSetupTakesTokenNameAndSizeFromItsFullSetup) {
    const Text full = Built(Project({{"WebToken", "W-42"}}), "Full.exe");
    pack::TProject web;
    Text error;
    ASSERT_TRUE(
        web.ReadIni("[Setup]\nStub=stub.exe\nOutput=web.exe\nWebSetup=1\nAskBeforeDownload=1\n"
                    "WebUrl=http://web.example/dir/\nFullSetup=Full.exe\nSeed=9\n",
                    folder_.string(), error))
        << error;
    const Text webSetup = Built(web, "web.exe");
    const TGFileInfo fullInfo(full), webInfo(webSetup);
    EXPECT_TRUE(SameWebToken(fullInfo, webInfo));
    EXPECT_NE(fullInfo.WebToken(false), webInfo.WebToken(false));
    EXPECT_TRUE(webInfo.IsWebSetup());
    EXPECT_TRUE(webInfo.AskBeforeDownload());
    EXPECT_EQ(webInfo.trailer.HeaderCount, 3);
    EXPECT_EQ(webInfo.WebUrl(), "http://web.example/dir/");
    EXPECT_EQ(webInfo.WebFileName(), "Full.exe");
    EXPECT_EQ(webInfo.WebSize(), std::to_string(fs::file_size(full)));
    EXPECT_FALSE(webInfo.WebNoLocalCopy());

    ASSERT_TRUE(web.Set("WebToken", "OTHER", "", error));
    EXPECT_NE(PlanError(web).find("WebToken differs"), Text::npos);
    ASSERT_TRUE(web.Set("WebToken", "", "", error));
    ASSERT_TRUE(web.Set("FullSetup", "stub.exe", folder_.string(), error));
    EXPECT_NE(PlanError(web).find("carries no web token"), Text::npos);
}

TEST_F(PackProjectTest, ASeedFixesEveryByteAndAnotherSeedChangesTheTokens) {
    const Text a = Built(Project({{"AgentExe", "ProdAU.exe"}}), "a.exe");
    const Text b = Built(Project({{"AgentExe", "ProdAU.exe"}}), "b.exe");
    const Text c = Built(Project({{"AgentExe", "ProdAU.exe"}, {"Seed", "8"}}), "c.exe");
    EXPECT_TRUE(packtest::ReadFile(a) == packtest::ReadFile(b));
    EXPECT_NE(TGFileInfo(a).AgentToken(false), TGFileInfo(c).AgentToken(false));
    EXPECT_EQ(pack::BuildBlockText(std::string(16, '\x01')), "01010101010101010101010101010101" + std::string(29, '.'));
}

TEST(PackLanguages, EntriesReadBackByKeyAndPickAFreeDelimiter) {
    Text english, german, table, error;
    ASSERT_TRUE(pack::LanguageEntry("English", "s0=Setup\nBtnText = OK|Cancel\ns8=Insert <B>DISK #<DISK_NUM></B>\n",
                                    english, error))
        << error;
    EXPECT_EQ(english.front(), '*');  // the texts hold "|"
    EXPECT_EQ(SUB::Item(english, 0, ""), "English");
    EXPECT_EQ(SUB::Value(english, "BtnText", "", ""), "OK|Cancel");
    EXPECT_EQ(SUB::Value(english, "s8", "", ""), "Insert <B>DISK #<DISK_NUM></B>");
    ASSERT_TRUE(pack::LanguageEntry("GERMAN", "s0=Installation\n", german, error));
    ASSERT_TRUE(pack::LanguageTable({english, german}, table, error));
    EXPECT_EQ(SUB::Count(table), 2);
    EXPECT_EQ(SUB::Item(table, 1, ""), german);
    EXPECT_EQ(SUB::Item(table, 0, ""), english);

    ASSERT_TRUE(pack::LanguageTable({}, table, error));
    EXPECT_EQ(table, "\x02");
    EXPECT_FALSE(pack::LanguageEntry("English", "s0=x\ns9=not read\n", english, error));
    EXPECT_EQ(error, "line 2: unknown language key \"s9\"");
    EXPECT_FALSE(pack::LanguageEntry("English", "s0=| * ^ ! ~ @ # $ & \xFF\n", english, error));
}

}  // namespace
