// The package reader on arbitrary file bytes: trailer, header records,
// accessors and the checksum must hold whatever the file holds.
#include <cstdint>

#include "fuzz/FuzzInput.h"
#include "package/PackX.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::WriteScratchFile(data, size);
    TGFileInfo info(path);
    // Header texts come from the file: never more than it holds.
    if (info.LangTable.size() + info.ProductInfo.size() + info.WebInfo.size() > size) __builtin_trap();
    (void)info.AgentUrl();
    (void)info.AgentExeName();
    (void)info.InfoFileName();
    (void)info.OriginalFileName();
    (void)info.AgentToken(true);
    (void)info.WebToken(true);
    (void)info.WebSize();
    (void)info.HideSetup();
    (void)info.RequiredSpaceForCluster(4096);
    (void)SameWebToken(info, info);
    (void)FileChecksum(path, info.trailer.TrailerLength);
    return 0;
}
