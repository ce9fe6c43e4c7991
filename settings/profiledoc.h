// An in-memory image of a profile (ini) file that reads and changes it the way the Windows
// profile functions do, while keeping every line it is not asked to change byte for byte.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace yv::settings {

// The longest value a read delivers, in bytes; a double-byte character that would be cut
// in two is left out whole.
constexpr std::size_t kMaxValueBytes = 2047;

// Name comparison key: ASCII letters fold to lower case, as the system's profile functions
// fold them; double-byte characters, full-width letters included, stay as they are.
std::string FoldName(std::string_view name);

// Integer text: optional sign, then decimal digits or hexadecimal digits after "0x" or "$".
// Anything else, and any value outside the 32-bit signed range, gives nothing.
std::optional<int> ParseProfileInt(std::string_view text);

class ProfileDoc {
  public:
    ProfileDoc() = default;
    explicit ProfileDoc(std::string_view bytes);

    // The value's text with surrounding blanks and tabs removed, one pair of enclosing quotes
    // removed and cut to kMaxValueBytes; `def` when the section or key is absent.
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view def = {}) const;
    int GetInt(std::string_view section, std::string_view key, int def = 0) const;
    bool HasKey(std::string_view section, std::string_view key) const;

    // Replaces the value on the key's line, or appends the key at the end of its section, or
    // appends the section at the end of the file. Line breaks in the value are dropped.
    void SetString(std::string_view section, std::string_view key, std::string_view value);
    void SetInt(std::string_view section, std::string_view key, int value);
    // Removes the key's lines from the section; an absent key is no error.
    void DeleteKey(std::string_view section, std::string_view key);
    // Removes every section of that name with its header and lines.
    void EraseSection(std::string_view section);

    bool changed() const { return changed_; }
    std::string Serialize() const;

  private:
    struct Line {
        std::string text;  // without the line end
        std::string eol;   // "\r\n", "\n", "\r" or "" for a last line without one
        std::string key;   // folded key name; empty for a line that holds no key
        bool isKey = false;
        std::size_t valuePos = 0, valueLen = 0;  // the value, blanks and tabs trimmed
    };
    struct Section {
        bool hasHeader = false;   // false only for the lines before the first header
        std::string name;         // folded
        std::vector<Line> lines;  // the header line first when there is one
    };

    static Line MakeLine(std::string text, std::string eol);
    Section* FindSection(std::string_view folded);
    const Section* FindSection(std::string_view folded) const;
    static const Line* FindKey(const Section& s, std::string_view foldedKey);

    std::vector<Section> sections_;
    bool changed_ = false;
};

enum class FileState { kAbsent, kRead, kUnreadable };

struct ProfileFile {
    ProfileDoc doc;
    FileState state = FileState::kAbsent;
};

// Reads the whole file at once; an absent or unreadable file gives an empty image.
ProfileFile ReadProfileFile(const std::string& path);

// Writes the image's content beside the file and then puts it in the file's place, so the
// file is either the old one or the new one, never a mixture. False when the system refuses;
// the file is then as it was.
bool WriteProfileFile(const ProfileDoc& doc, const std::string& path);

}  // namespace yv::settings
