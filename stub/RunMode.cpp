// Run-mode decisions of start-up.
#include "stub/RunMode.h"

bool IsPlainAgentName(const Text& ownFileName, const Text& agentExeName) {
    return SameTextTrim(ownFileName, agentExeName);
}

bool IsTransientAgentName(const Text& ownFileName, const Text& agentExeName) {
    return SameTextTrim(ownFileName, "X_" + Trim(agentExeName));
}

Text TransientAgentClass(const Text& agentExeName) {
    return ".AutoUpdate.X_" + FileBaseName(agentExeName, false);
}

Text StubClassNameFor(bool isAutoUpdateProg, const Text& ownExePath) {
    return isAutoUpdateProg ? ".AutoUpdate." + FileBaseName(ownExePath, false) : ownExePath;
}

bool IsCdSetFirstStageFor(bool cdSetBit, int64_t spanCdLevel) { return cdSetBit && spanCdLevel == 1; }

bool IsCdSetSecondStageFor(int64_t spanCdLevel) { return spanCdLevel == 2; }
