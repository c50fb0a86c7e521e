// The stub's extraction: progress, disk prompts, traces and failure boxes
// around the portable package walk.
#include "stub/StubExtract.h"

#include <windows.h>

#include "package/UnPack.h"
#include "ui/VMsgBox.h"
#include "util/Files.h"
#include "util/Numbers.h"
#include "util/Utils.h"
#include "util/VDebug.h"

namespace {

// The write-failure message is shown once per process.
int g_failedWrites = 0;

class StubExtractEvents : public unpack::TExtractEvents {
public:
    explicit StubExtractEvents(const ExtractRequest& request) : request_(request) {}

    void SetRange(uint32_t max) override { Report(0, static_cast<int>(max)); }
    void Step() override { Report(1, 0); }
    void Pump() override { PumpMessages(0); }

    // Lines that begin with a blank carry the process id in front.
    void Trace(const Text& line) override {
        if (!line.empty() && line[0] == ' ') {
            ::Trace() << GetCurrentProcessId() << line << trace::endl;
        } else {
            ::Trace() << line << trace::endl;
        }
    }

    bool FetchDisk(const Text& path, int number) override {
        SetAutoPlayCancel(true);
        if (!request_.forcePrompt && platform::FileExists(path)) return true;
        if (!ejected_) {
            ejected_ = true;
            EjectCD(path);
        }
        const Text prompt = ReplaceAll(request_.diskPrompt, "<DISK_NUM>", IntText(number));
        bool goOn = true;
        do {
            goOn = AskOkCancel(BoxOwner(0), prompt, request_.promptTitle, request_.buttons, request_.charset);
            WaitPumping(0, 500);
        } while (goOn && !platform::FileExists(path));
        return goOn;
    }

private:
    void Report(int mode, int max) {
        if (request_.progress) request_.progress(mode, 0, max, 0, 1, Text());
    }

    const ExtractRequest& request_;
    bool ejected_ = false;
};

void ShowFailure(const unpack::TExtractFailure& failure, const Text& target) {
    using unpack::TFailureKind;
    if (failure.kind == TFailureKind::Folder) {
        ShowErrorMessage(BoxOwner(0), target + "<P><P>Unable to create Directory!<P><P>" + failure.reason, "", "", 0);
    } else if (failure.kind == TFailureKind::Write && ++g_failedWrites == 1) {
        ShowErrorMessage(BoxOwner(0),
                         failure.file + "<P><P>Unable to save Extracted File!<P><P>" +
                             SaveErrorDetails(failure.file, failure.dataSize, failure.reason),
                         "", "", 0);
    }
}

}  // namespace

Text SaveErrorDetails(const Text& path, uint64_t dataSize, const Text& reason) {
    return reason + "<P>" + "  Data Size: <T>" + IntText(static_cast<int64_t>(dataSize)) + " Bytes<P>" +
           "  File Size:  <T>" + IntText(static_cast<int64_t>(FileSizeByName(path))) + " Bytes<P>" +
           "  Bytes Free: <T>" + IntText(static_cast<int64_t>(DiskFreeBytes(path))) + " Bytes";
}

ExtractOutcome ExtractPackage(const ExtractRequest& request) {
    const int64_t start = NowMs();
    StubExtractEvents events(request);
    unpack::TExtractResult result = unpack::ExtractPackage(request.source, request.target, request.agentName, events);
    if (result.failure.failed()) {
        Trace() << "Extraction failed: " << result.failure.Describe() << trace::endl;
        ShowFailure(result.failure, request.target);
    }
    Trace() << "UnCompressTime: " << (NowMs() - start) << " MS" << trace::endl << trace::endl;
    WaitPumping(0, 500);

    ExtractOutcome outcome;
    // A damaged or missing package is reported like a bad checksum.
    const bool damaged = result.failure.kind == unpack::TFailureKind::Damaged ||
                         result.failure.kind == unpack::TFailureKind::Missing;
    outcome.checksumHeld = result.checksumHeld && !damaged;
    outcome.engineEntry = result.failure.failed() ? Text() : result.engineEntry;
    return outcome;
}
