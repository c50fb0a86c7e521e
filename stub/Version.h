// The program's version, for its version resource and its traces.
#pragma once

#define STUB_VERSION_MAJOR 1
#define STUB_VERSION_MINOR 0
#define STUB_VERSION_PATCH 0
#define STUB_VERSION_BUILD 1
#define STUB_VERSION_TEXT "1.0.0.1"
