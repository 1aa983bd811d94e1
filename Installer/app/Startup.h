// Start-up: which instance this is, the relaunch that makes the second one, and whether the
// wizard could be seen at all.
#pragma once

#include <string>
#include <vector>

// How the program names itself at the start of its messages on the error stream.
inline constexpr char kProgramName[] = "Kestrel 3D installer";

// Marks the relaunched instance, which runs the wizard.
inline constexpr char kElevationMarker[] = "/UAC";

// True when one of the arguments is the marker itself (case matters); an argument that merely
// contains it, such as a folder ending in "/UAC", does not count.
bool IsElevatedInstance(const std::vector<std::string>& arguments);

// Starts the program again with the marker, as the same user, without waiting for it. Returns
// the launcher's exit code: 0 when the new instance started, 1 otherwise.
int RelaunchElevated();

// True when the wizard's windows can be shown; otherwise writes one line on the error stream
// that points to --silent and says why.
bool CheckDisplay();
