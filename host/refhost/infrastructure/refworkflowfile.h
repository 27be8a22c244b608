// The workflow store of the reference host (`vesper-host --workflows FILE`):
// the workflows, the current one and what each script holder was told, so a
// later run sees the scripts an earlier one installed. One statement a line:
//
//   workflow NAME [current] [noholder]
//   call WORD...          a call the last workflow's holder received
//   script HEX            its script, as hexadecimal bytes
//
// Saved after every installed script through a temporary file and a rename,
// so the file always holds a complete store.
#pragma once

#include <string>

class RefHost;

// Reads `path` (a missing file starts an empty store) and saves to it from
// then on. A file that cannot be read or parsed is left untouched and the
// call fails with the reason ("file:line: what" for a line). A save that fails
// marks the host failed.
bool refUseWorkflowFile(RefHost& host, const std::string& path, std::string& error);
