// The folders the host names, and the name of a per-process temporary folder.
#pragma once

#include "tesstring.h"

// The host's folder called `name` ("temp", "logs", ...) from "ITesDirService",
// looked up on first use and kept; empty without the service or for a name it
// does not know.
TesString tesNamedDirectory(const char* name);

// Replaces `out` by a new temporary path: the setting "Directories/Temp
// Directory" as it is, or when that is empty or missing the named folder
// "temp" (a bare drive given its root), followed by "\tes-PPPPPPPP-CCCCCCCC-temp"
// with the process id and the low 32 bits of the performance counter in
// eight hexadecimal digits. Every call gives a new name. Nothing is created.
// Always true.
bool tesTempDirectory(TesString& out);
