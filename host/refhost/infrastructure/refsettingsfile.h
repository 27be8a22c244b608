// The settings file of the reference host: the data store's values, the
// registry switches and the user's stored views, one statement a line in the
// scene format
//
//   setting bool|int|double|string KEY VALUE
//   registry KEY VALUE
//   view NAME flags F orientation V1 ... V16 zoom Z
//
// Every write to the data store, and every change of the stored views or of
// a view among them, saves the whole file again, through a
// temporary file in the same folder and a rename, so the file always holds a
// complete set: what was written up to the last change, never half of it. The
// file keeps its mode and owner, and a symbolic link is written through.
#pragma once

#include <string>

class RefHost;

// Reads `path` (a missing file is a first run: nothing to read) and saves to it
// from then on. A directory, or a file that cannot be read or parsed, is left
// untouched: the call fails with the reason ("file:line: what" for a line) and
// nothing is saved. A save that fails marks the host failed (RefHost::fail)
// and saves nothing more.
bool refUseSettingsFile(RefHost& host, const std::string& path, std::string& error);

// The defaults a first run starts from, for keys the commands read without a
// default of their own: the camera's up is +Y, and Camera Position offers +Y as
// the up for both World and Local.
void refSeedSettings(RefHost& host);
