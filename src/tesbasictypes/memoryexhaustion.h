// What happens when memory is exhausted: the allocators (nelrealloc.h) hand
// over to tesMemoryExhausted, installed when the library starts. It makes a
// last attempt for a growing block through a temporary file; when that is not
// possible it writes "memory.log", reports to the user and ends the process.
#pragma once

#include <cstdint>
#include <string>

#include "hostapi/infrastructure.h"
#include "memorystatus.h"

// The codes of the out-of-memory report: why the last attempt failed.
inline constexpr int32_t kTesNoTemporaryFile = -1;   // it cannot be opened
inline constexpr int32_t kTesTemporaryWrite = -2;    // the old block cannot be written completely
inline constexpr int32_t kTesTemporaryReadBack = -3; // the seek or the read back fails
inline constexpr int32_t kTesNoMemory = -4;          // no memory for the block, or no temporary path

// The exhaustion handler. Without an old block (a fresh allocation) it ends the
// process with code kTesNoMemory. With one, it writes the old block to a new
// temporary file (tesnameddir.h's unique path, deleted on close), frees it,
// allocates attemptedBytes (with the memory manager's help) and reads the old
// contents back into the new block, which it returns. Any failure ends the
// process: memory log, report, exit code -1. A handler entered again while
// it runs (memory ran out inside it) ends the process at once.
void* tesMemoryExhausted(void* oldBlock, int64_t oldBytes, int64_t attemptedBytes);

// Ends the process with exit code -1 (255 as the parent sees it).
[[noreturn]] void tesEndForExhaustedMemory();

// The text of the memory log for these figures (in kilobytes) and this
// manager (null for none):
//   "attempted:        " size "b", then an empty line (only when the attempted
//     size is not 0),
//   "system free:      ", "system total:     ", "swap free:        ",
//   "swap total:       " each with its figure and "k", then an empty line,
//   then "tesmm not available" and an empty line, or "tesmm core now:   ",
//   "tesmm core limit: ", "tesmm swap now:   ", "tesmm swap limit: " each with
//     the manager's figure x 24 and "k", then an empty line.
// Labels are 18 characters wide, numbers right-aligned in 7; lines end in "\n".
std::string tesMemoryLogText(int64_t attemptedBytes, const TesMemoryFigures& figures, TesMM::ITesMManager* manager);

// Writes the memory log, with the current figures (tesMemoryFigures, divisor
// 1024) and the host memory manager, into "memory.log" of the setting
// "Directories/Logs Directory", or, when that is empty, of the host's named
// folder "logs". False when there is no such folder or the file cannot be
// written.
bool tesWriteMemoryLog(int64_t attemptedBytes);

// Tells the user that memory ran out. With the integer setting
// "Memory/UseErrorService" non-zero the message goes to "ITesErrorService"
// (flag word 1, source "realloc"), and nowhere when that service is missing;
// otherwise to the system message box "Out of Memory". Codes -5 to -1 have a
// message; others show nothing. The renderer's beginUpdate and endUpdate
// bracket the message. Always false: nothing was recovered.
bool tesReportOutOfMemory(int32_t code);
