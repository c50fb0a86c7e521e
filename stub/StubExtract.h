// The stub's side of the extraction: the package walk of package/UnPack.h
// driven through the stub window's progress procedure, the pumping waits,
// the disk prompts and the messages the user must see.
#pragma once

#include "ui/VProgBar.h"
#include "util/Text.h"

struct ExtractRequest {
    Text source;           // setup executable or first disk file (".001")
    Text target;           // folder that receives the files
    Text agentName;        // agent program to write beside them; empty: none
    TProgressProc progress = nullptr;
    Text diskPrompt;       // holds "<DISK_NUM>"
    Text promptTitle;
    Text buttons;
    int charset = 0;
    bool forcePrompt = false;
};

struct ExtractOutcome {
    bool checksumHeld = false;  // false also for a damaged or missing package
    Text engineEntry;           // empty when nothing may be started
};

// Extracts the package; a damaged or missing package comes back with the
// checksum not held, a cancelled disk prompt or a failed write with no
// engine. Shows the folder and write failures itself (a write failure once
// per process).
ExtractOutcome ExtractPackage(const ExtractRequest& request);

// The detail lines of the write-failure message.
Text SaveErrorDetails(const Text& path, uint64_t dataSize, const Text& reason);
