// The encodings in which a settings file may come, and their conversion to Shift-JIS, the only
// form the rest of the program handles.
#pragma once

#include <string>
#include <string_view>

namespace yv::settings {

enum class FileEncoding { kShiftJis, kUtf8, kUtf8Bom, kUtf16Le, kUtf16Be };

// "Shift-JIS", "UTF-8", "UTF-8 with BOM", "UTF-16LE", "UTF-16BE".
const char* EncodingName(FileEncoding e);

// A byte-order mark decides; without one, bytes that are all valid UTF-8 and not all ASCII are
// UTF-8, anything else Shift-JIS.
FileEncoding DetectEncoding(std::string_view bytes);

// The text of `bytes` in Shift-JIS, without the byte-order mark. A character that Shift-JIS
// cannot hold becomes '?', as does a damaged sequence; the few characters that Japanese text
// from other systems carries in place of Shift-JIS ones (the wave dash, the yen sign) become
// those. Shift-JIS bytes come back as they are.
std::string ToShiftJis(std::string bytes, FileEncoding e);

}  // namespace yv::settings
