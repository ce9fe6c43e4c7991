// Settings files built for the tests and the benchmarks.
#pragma once

#include <string>

namespace yv::settings::testing {

// The rule text of row n in a generated profile: edge blanks, quotes, Japanese, tokens, empty.
std::string RowText(int profile, int n);
// The key code of row n in a generated profile; some rows are empty (0).
int RowKeyCode(int profile, int n);

// A complete settings file in the form the editor writes it: options, window placement, the
// standard profile and ten application profiles, each with 101 rows.
std::string MakeFullSettingsFile();

// The full file grown to about `bytes` bytes by other keys in Config and by sections of other
// programs before the application profiles.
std::string MakeLargeSettingsFile(std::size_t bytes);

}  // namespace yv::settings::testing
