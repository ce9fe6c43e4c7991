// An in-memory image of a profile (ini) file that reads and changes it the way the Windows
// profile functions do, while keeping every line it is not asked to change byte for byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "textencoding.h"

namespace yv::settings {

// The longest value a read delivers, in bytes; a double-byte character that would be cut
// in two is left out whole.
constexpr std::size_t kMaxValueBytes = 2047;

// Name comparison key: ASCII letters fold to lower case, as the system's profile functions
// fold them; double-byte characters, full-width letters included, stay as they are.
std::string FoldName(std::string_view name);

// Integer text: optional sign, then decimal digits or hexadecimal digits after "0x" or "$"
// ("0X" is no prefix).
// Anything else, and any value outside the 32-bit signed range, gives nothing.
std::optional<int> ParseProfileInt(std::string_view text);

class ProfileDoc {
  public:
    ProfileDoc() = default;
    explicit ProfileDoc(std::string bytes);

    // The value's text with surrounding blanks and tabs removed, one pair of enclosing quotes
    // removed and cut to kMaxValueBytes; `def` when the section or key is absent.
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view def = {}) const;
    int GetInt(std::string_view section, std::string_view key, int def = 0) const;
    bool HasKey(std::string_view section, std::string_view key) const;
    bool HasSection(std::string_view section) const;

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
    // Texts are ranges of text_, which holds the file as read followed by the texts of lines
    // written since, so that reading a large file costs no allocation per line. Removed lines
    // and sections stay in place, marked, so that the positions the indexes hold never move.
    struct Line {
        std::size_t pos = 0, len = 0;            // the text in text_, without the line end
        std::size_t keyPos = 0, keyLen = 0;      // the key name as written, within the text
        std::size_t valuePos = 0, valueLen = 0;  // the value, blanks and tabs trimmed
        std::uint8_t eol = 0;                    // kLineEnds
        bool isKey = false;
        bool removed = false;
    };

    // Open addressing from a name's hash to the position of its first occurrence; the caller
    // tells whether a candidate bears the name sought.
    class Index {
      public:
        static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
        template <class Same>
        std::uint32_t Find(std::uint32_t hash, Same same) const;
        // Adds `value` unless a value bearing the same name is there already.
        template <class Same>
        void Add(std::uint32_t hash, std::uint32_t value, Same same);
        void Erase(std::uint32_t hash, std::uint32_t value);

      private:
        static constexpr std::uint32_t kErased = 0xFFFFFFFEu;
        struct Slot {
            std::uint32_t hash = 0;
            std::uint32_t value = kNone;  // kNone: empty
        };
        void Grow();
        std::vector<Slot> slots_;
        std::size_t filled_ = 0;  // used and erased slots
    };

    struct Section {
        std::size_t namePos = 0, nameLen = 0;  // the name as written, in text_
        bool hasHeader = false;                // false only for the lines before the first header
        bool removed = false;
        std::vector<Line> lines;  // the header line first when there is one
        // Keys -> lines, once the section has too many keys to look through.
        std::size_t keyLines = 0;
        bool keysIndexed = false;
        Index keys;
    };

    std::string_view Text(const Line& line) const { return {text_.data() + line.pos, line.len}; }
    std::string_view KeyName(const Line& line) const;
    std::string_view Value(const Line& line) const;
    std::string_view Name(const Section& s) const { return {text_.data() + s.namePos, s.nameLen}; }
    Line MakeLine(std::size_t pos, std::size_t len, std::uint8_t eol) const;
    Line AppendLine(std::string_view text);
    void AddSection(Line header, std::size_t namePos, std::size_t nameLen);
    void IndexKey(Section& s, std::size_t line);
    std::uint32_t FindSection(std::string_view folded) const;
    std::size_t FindKey(const Section& s, std::string_view foldedKey) const;  // npos: none

    std::string text_;
    std::vector<Section> sections_;
    Index sectionIndex_;  // section names -> sections_
    bool changed_ = false;
};

enum class FileState { kAbsent, kRead, kUnreadable };

struct ProfileFile {
    ProfileDoc doc;  // in the program's text form, whatever the file's encoding
    FileState state = FileState::kAbsent;
    FileEncoding encoding = FileEncoding::kShiftJis;  // as found; not what a write chooses
};

// Reads the whole file at once; an absent or unreadable file gives an empty image. A file in
// UTF-8 or UTF-16 is read in the program's text form (see ToShiftJis).
ProfileFile ReadProfileFile(const std::string& path);

// Writes the image's content beside the file and then puts it in the file's place, so the
// file is either the old one or the new one, never a mixture. False when the system refuses;
// the file is then as it was. The content is Shift-JIS, byte for byte as the image holds it;
// when DetectEncoding would take it for another encoding, kShiftJisMarkLine and a line end go
// before it, so that it is read back as written. An image that holds a character Shift-JIS
// lacks (a wide form) is written in UTF-8 with a byte-order mark instead (Utf8FileBytes).
bool WriteProfileFile(const ProfileDoc& doc, const std::string& path);

// The file's bytes that WriteProfileFile writes for a text that holds a wide form: the mark,
// then the text through TextToUtf8, the line ends as they are, without a kShiftJisMarkLine
// first.
std::string Utf8FileBytes(std::string_view text);

// "; 文字コード: Shift-JIS": a comment line, holding no key, that is no valid UTF-8.
extern const std::string_view kShiftJisMarkLine;

}  // namespace yv::settings
