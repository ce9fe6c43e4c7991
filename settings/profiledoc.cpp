#include "profiledoc.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>

#include "fsseam.h"
#include "strutil.h"

namespace yv::settings {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimView(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

std::string FoldName(std::string_view name) {
    std::string out(name);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (IsLeadByte(c)) {
            ++i;  // a double-byte character, whose trail byte may look like a letter
        } else if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c + 32);
        }
    }
    return out;
}

std::optional<int> ParseProfileInt(std::string_view t) {
    bool negative = false;
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
        negative = t[0] == '-';
        t.remove_prefix(1);
    }
    unsigned base = 10;
    // Only a lower-case "0x": "0X" is no prefix here, and such a value reads as no number.
    if (t.size() >= 2 && t[0] == '0' && t[1] == 'x') {
        base = 16;
        t.remove_prefix(2);
    } else if (!t.empty() && t[0] == '$') {
        base = 16;
        t.remove_prefix(1);
    }
    if (t.empty()) return std::nullopt;
    const std::uint64_t limit = negative ? std::uint64_t{1} << 31 : INT_MAX;
    std::uint64_t v = 0;
    for (char ch : t) {
        unsigned d;
        if (ch >= '0' && ch <= '9') {
            d = static_cast<unsigned>(ch - '0');
        } else if (base == 16 && ch >= 'a' && ch <= 'f') {
            d = static_cast<unsigned>(ch - 'a' + 10);
        } else if (base == 16 && ch >= 'A' && ch <= 'F') {
            d = static_cast<unsigned>(ch - 'A' + 10);
        } else {
            return std::nullopt;
        }
        v = v * base + d;
        if (v > limit) return std::nullopt;
    }
    return negative ? static_cast<int>(-static_cast<std::int64_t>(v)) : static_cast<int>(v);
}

namespace {

constexpr std::uint8_t kNoLineEnd = 0, kCrLf = 1;
constexpr std::string_view kLineEnds[] = {"", "\r\n", "\n", "\r"};

// FNV-1a over the folded name, without building it.
std::uint32_t HashName(std::string_view name) {
    std::uint32_t h = 2166136261u;
    for (std::size_t i = 0; i < name.size(); ++i) {
        auto c = static_cast<unsigned char>(name[i]);
        if (IsLeadByte(c) && i + 1 < name.size()) {
            h = (h ^ c) * 16777619u;
            c = static_cast<unsigned char>(name[++i]);
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<unsigned char>(c + 32);
        }
        h = (h ^ c) * 16777619u;
    }
    // The index takes the low bits, which FNV alone leaves clustered for names like key1, key2.
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    return h ^ (h >> 16);
}

// Whether FoldName(raw) == folded, without building it.
bool FoldsTo(std::string_view raw, std::string_view folded) {
    if (raw.size() != folded.size()) return false;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        auto c = static_cast<unsigned char>(raw[i]);
        if (IsLeadByte(c) && i + 1 < raw.size()) {
            if (raw[i] != folded[i]) return false;
            ++i;
            c = static_cast<unsigned char>(raw[i]);
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<unsigned char>(c + 32);
        }
        if (c != static_cast<unsigned char>(folded[i])) return false;
    }
    return true;
}

// A section with more keys than this gets an index of its keys; fewer are looked through.
constexpr std::size_t kKeysLookedThrough = 16;

}  // namespace

template <class Same>
std::uint32_t ProfileDoc::Index::Find(std::uint32_t hash, Same same) const {
    if (slots_.empty()) return kNone;
    // At most half the slots are filled, so the probe meets an empty one.
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask; slots_[i].value != kNone; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (slot.hash == hash && slot.value != kErased && same(slot.value)) return slot.value;
    }
    return kNone;
}

template <class Same>
void ProfileDoc::Index::Add(std::uint32_t hash, std::uint32_t value, Same same) {
    if (value >= kErased) return;  // beyond what a file can hold; never found
    if ((filled_ + 1) * 2 > slots_.size()) Grow();
    const std::size_t mask = slots_.size() - 1;
    std::size_t free = slots_.size();
    std::size_t i = hash & mask;
    for (; slots_[i].value != kNone; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (slot.value == kErased) {
            if (free == slots_.size()) free = i;
        } else if (slot.hash == hash && same(slot.value)) {
            return;
        }
    }
    if (free == slots_.size()) {
        free = i;
        ++filled_;
    }
    slots_[free] = Slot{hash, value};
}

void ProfileDoc::Index::Erase(std::uint32_t hash, std::uint32_t value) {
    if (slots_.empty()) return;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask; slots_[i].value != kNone; i = (i + 1) & mask) {
        if (slots_[i].value == value) {
            slots_[i].value = kErased;
            return;
        }
    }
}

void ProfileDoc::Index::Grow() {
    std::vector<Slot> old = std::move(slots_);
    std::size_t used = 0;
    for (const Slot& slot : old) used += slot.value < kErased;
    std::size_t size = 16;
    while (size < used * 4) size *= 2;
    slots_.assign(size, Slot{});
    filled_ = used;
    const std::size_t mask = size - 1;
    for (const Slot& slot : old) {
        if (slot.value >= kErased) continue;
        std::size_t i = slot.hash & mask;
        while (slots_[i].value != kNone) i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

std::string_view ProfileDoc::KeyName(const Line& line) const {
    return Text(line).substr(line.keyPos, line.keyLen);
}

std::string_view ProfileDoc::Value(const Line& line) const {
    return Text(line).substr(line.valuePos, line.valueLen);
}

// A line that is not a section header: a key line when it holds an equals sign.
ProfileDoc::Line ProfileDoc::MakeLine(std::size_t pos, std::size_t len, std::uint8_t eol) const {
    Line line;
    line.pos = pos;
    line.len = len;
    line.eol = eol;
    const std::string_view text = Text(line);
    const std::string_view t = TrimView(text);
    const std::size_t eq = t.find('=');  // '=' is never a trail byte
    if (eq != std::string_view::npos) {
        line.isKey = true;
        const std::string_view key = TrimView(t.substr(0, eq));
        const std::string_view value = TrimView(t.substr(eq + 1));
        line.keyPos = key.empty() ? 0 : static_cast<std::size_t>(key.data() - text.data());
        line.keyLen = key.size();
        line.valuePos = value.empty() ? 0 : static_cast<std::size_t>(value.data() - text.data());
        line.valueLen = value.size();
    }
    return line;
}

// A new line, written by us: its text goes to the end of text_.
ProfileDoc::Line ProfileDoc::AppendLine(std::string_view text) {
    const std::size_t pos = text_.size();
    text_ += text;
    return MakeLine(pos, text.size(), kCrLf);
}

void ProfileDoc::AddSection(Line header, std::size_t namePos, std::size_t nameLen) {
    header.isKey = false;  // "[a=b]" names a section and holds no key
    Section s;
    s.hasHeader = true;
    s.namePos = namePos;
    s.nameLen = nameLen;
    s.lines.push_back(header);
    sections_.push_back(std::move(s));
    const std::string folded = FoldName(Name(sections_.back()));
    sectionIndex_.Add(HashName(folded), static_cast<std::uint32_t>(sections_.size() - 1),
                      [&](std::uint32_t v) {
                          return !sections_[v].removed && FoldsTo(Name(sections_[v]), folded);
                      });
}

// Called for every key line a section gains. Only a key's first line is ever found.
void ProfileDoc::IndexKey(Section& s, std::size_t line) {
    ++s.keyLines;
    if (!s.keysIndexed && s.keyLines <= kKeysLookedThrough) return;
    const auto add = [&](std::size_t at) {
        const std::string folded = FoldName(KeyName(s.lines[at]));
        s.keys.Add(HashName(folded), static_cast<std::uint32_t>(at), [&](std::uint32_t v) {
            return !s.lines[v].removed && FoldsTo(KeyName(s.lines[v]), folded);
        });
    };
    if (s.keysIndexed) {
        add(line);
        return;
    }
    s.keysIndexed = true;
    for (std::size_t i = 0; i < s.lines.size(); ++i)
        if (s.lines[i].isKey && !s.lines[i].removed) add(i);
}

ProfileDoc::ProfileDoc(std::string bytes) : text_(std::move(bytes)) {
    sections_.push_back(Section{});
    const std::size_t size = text_.size();
    std::size_t pos = 0;
    while (pos < size) {
        std::size_t end = pos;
        while (end < size && text_[end] != '\r' && text_[end] != '\n') ++end;
        std::uint8_t eol = kNoLineEnd;
        std::size_t next = end;
        if (end < size && text_[end] == '\r' && end + 1 < size && text_[end + 1] == '\n') {
            eol = kCrLf;
            next = end + 2;
        } else if (end < size) {
            eol = text_[end] == '\n' ? 2 : 3;
            next = end + 1;
        }
        const Line line = MakeLine(pos, end - pos, eol);
        const std::string_view t = TrimView(Text(line));
        const std::size_t close =
            t.empty() || t[0] != '[' ? std::string_view::npos : FindLastChar(t, ']');
        if (close != std::string_view::npos) {
            const std::string_view name = TrimView(t.substr(1, close - 1));
            const std::size_t namePos =
                name.empty() ? pos : static_cast<std::size_t>(name.data() - text_.data());
            AddSection(line, namePos, name.size());
        } else {
            Section& s = sections_.back();
            s.lines.push_back(line);
            if (line.isKey) IndexKey(s, s.lines.size() - 1);
        }
        pos = next;
    }
}

std::uint32_t ProfileDoc::FindSection(std::string_view folded) const {
    return sectionIndex_.Find(HashName(folded), [&](std::uint32_t v) {
        return !sections_[v].removed && FoldsTo(Name(sections_[v]), folded);
    });
}

std::size_t ProfileDoc::FindKey(const Section& s, std::string_view foldedKey) const {
    const auto same = [&](std::size_t i) {
        const Line& line = s.lines[i];
        return line.isKey && !line.removed && FoldsTo(KeyName(line), foldedKey);
    };
    if (s.keysIndexed) {
        const std::uint32_t v = s.keys.Find(HashName(foldedKey), same);
        return v == Index::kNone ? std::string::npos : v;
    }
    for (std::size_t i = 0; i < s.lines.size(); ++i)
        if (same(i)) return i;
    return std::string::npos;
}

bool ProfileDoc::HasKey(std::string_view section, std::string_view key) const {
    const std::uint32_t s = FindSection(FoldName(section));
    return s != Index::kNone && FindKey(sections_[s], FoldName(key)) != std::string::npos;
}

bool ProfileDoc::HasSection(std::string_view section) const {
    return FindSection(FoldName(section)) != Index::kNone;
}

std::string ProfileDoc::GetString(std::string_view section, std::string_view key,
                                  std::string_view def) const {
    std::string_view v = def;
    if (const std::uint32_t s = FindSection(FoldName(section)); s != Index::kNone) {
        const std::size_t line = FindKey(sections_[s], FoldName(key));
        if (line != std::string::npos) v = Value(sections_[s].lines[line]);
    }
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    // A cut inside a double-byte character drops that character, as the system does.
    return std::string(v.substr(0, CharBoundaryAtOrBefore(v, kMaxValueBytes)));
}

int ProfileDoc::GetInt(std::string_view section, std::string_view key, int def) const {
    if (!HasKey(section, key)) return def;
    return ParseProfileInt(GetString(section, key)).value_or(def);
}

void ProfileDoc::SetString(std::string_view section, std::string_view key, std::string_view text) {
    // A line break in a value would split its line and corrupt the file's structure.
    std::string value(text);
    std::erase_if(value, [](char c) { return c == '\r' || c == '\n'; });
    const std::uint32_t sec = FindSection(FoldName(section));
    if (sec == Index::kNone) {
        const Line header = AppendLine("[" + std::string(section) + "]");
        // Named as asked, blanks and all, until the file is read again.
        AddSection(header, header.pos + 1, section.size());
        Section& added = sections_.back();
        added.lines.push_back(AppendLine(std::string(key) + "=" + value));
        IndexKey(added, 1);
        changed_ = true;
        return;
    }
    Section& s = sections_[sec];
    if (const std::size_t found = FindKey(s, FoldName(key)); found != std::string::npos) {
        Line& line = s.lines[found];
        if (Value(line) == value) return;
        // The same key name, so the index stays right.
        line = AppendLine(std::string(KeyName(line)) + "=" + value);
        changed_ = true;
        return;
    }
    // After the section's last line that is not blank, so blank lines stay before the next
    // header. Only blank and removed lines move, and the index holds neither.
    std::size_t at = s.lines.size();
    while (at > 0 && (s.lines[at - 1].removed || TrimView(Text(s.lines[at - 1])).empty())) --at;
    s.lines.insert(s.lines.begin() + static_cast<std::ptrdiff_t>(at),
                   AppendLine(std::string(key) + "=" + value));
    IndexKey(s, at);
    changed_ = true;
}

void ProfileDoc::SetInt(std::string_view section, std::string_view key, int value) {
    SetString(section, key, std::to_string(value));
}

void ProfileDoc::DeleteKey(std::string_view section, std::string_view key) {
    const std::uint32_t sec = FindSection(FoldName(section));
    if (sec == Index::kNone) return;
    Section& s = sections_[sec];
    const std::string foldedKey = FoldName(key);
    const std::size_t first = FindKey(s, foldedKey);
    if (first == std::string::npos) return;
    if (s.keysIndexed) s.keys.Erase(HashName(foldedKey), static_cast<std::uint32_t>(first));
    // Every line of the key goes, or a later one would be found instead.
    for (Line& line : s.lines)
        if (line.isKey && !line.removed && FoldsTo(KeyName(line), foldedKey)) line.removed = true;
    changed_ = true;
}

void ProfileDoc::EraseSection(std::string_view section) {
    const std::string folded = FoldName(section);
    const std::uint32_t sec = FindSection(folded);
    if (sec == Index::kNone) return;
    sectionIndex_.Erase(HashName(folded), sec);
    // Every section of the name goes, or a later one would be found instead.
    for (Section& s : sections_)
        if (s.hasHeader && !s.removed && FoldsTo(Name(s), folded)) s.removed = true;
    changed_ = true;
}

std::string ProfileDoc::Serialize() const {
    std::string out;
    out.reserve(text_.size() + text_.size() / 8);
    const Line* last = nullptr;
    for (const auto& s : sections_) {
        if (s.removed) continue;
        for (const auto& line : s.lines) {
            if (line.removed) continue;
            if (last != nullptr) out += last->eol == kNoLineEnd ? "\r\n" : kLineEnds[last->eol];
            out += Text(line);
            last = &line;
        }
    }
    if (last != nullptr) out += kLineEnds[last->eol];
    return out;
}

ProfileFile ReadProfileFile(const std::string& path) {
    ProfileFile file;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        file.state = errno == ENOENT ? FileState::kAbsent : FileState::kUnreadable;
        return file;
    }
    std::string bytes;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        file.state = FileState::kUnreadable;
        return file;
    }
    file.encoding = DetectEncoding(bytes);
    file.doc = ProfileDoc(ToShiftJis(std::move(bytes), file.encoding));
    file.state = FileState::kRead;
    return file;
}

const std::string_view kShiftJisMarkLine = "; 文字コード: Shift-JIS";

std::string Utf8FileBytes(std::string_view text) {
    // The mark line a Shift-JIS save put first says no more.
    const std::string markLine = std::string(kShiftJisMarkLine) + "\r\n";
    if (text.starts_with(markLine)) text.remove_prefix(markLine.size());
    // TextToUtf8 reads no line end as part of a character, a damaged one's included, so every
    // line keeps its end.
    return "\xEF\xBB\xBF" + TextToUtf8(text);
}

bool WriteProfileFile(const ProfileDoc& doc, const std::string& path) {
    std::string bytes = doc.Serialize();
    if (HoldsWideForm(bytes)) {
        // A character Shift-JIS lacks: the whole file in UTF-8, marked so.
        bytes = Utf8FileBytes(bytes);
    } else if (DetectEncoding(bytes) != FileEncoding::kShiftJis) {
        // Shift-JIS that reads as UTF-8 (or starts with a byte-order mark) is a rare mix of
        // bytes, which a save can leave behind by removing the lines that told it apart.
        bytes = std::string(kShiftJisMarkLine) + "\r\n" + bytes;
    }
    const std::string tmp = path + ".tmp";
    std::FILE* f = std::fopen(tmp.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = ok && std::fflush(f) == 0 && fs::SyncFile(f);
    ok = std::fclose(f) == 0 && ok;
    ok = ok && fs::MoveIntoPlace(tmp, path);
    if (!ok) std::remove(tmp.c_str());
    return ok;
}

}  // namespace yv::settings
