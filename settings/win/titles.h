// The title that the registration of automatic switching offers: the title of the other
// program's window that came to the front last, read in Unicode.
#pragma once

namespace yv::win {

// Starts watching windows come to the front (the calling thread's message loop delivers the
// events and looks). Until a window is seen, the hook library's record is used.
void StartTitleWatch();

// The editor core's title source: entry 0 the title (at most 100 bytes, cut between
// characters), entry 1 empty; both buffers of at least 101 bytes.
void LatestTitles(char** out);

}  // namespace yv::win
