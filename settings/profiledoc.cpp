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
    if (t.size() >= 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
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

// A line that is not a section header: a key line when it holds an equals sign.
ProfileDoc::Line ProfileDoc::MakeLine(std::string text, std::string eol) {
    Line line{std::move(text), std::move(eol), {}, false, 0, 0};
    const std::string_view t = TrimView(line.text);
    const std::size_t eq = t.find('=');  // '=' is never a trail byte
    if (eq != std::string_view::npos) {
        line.isKey = true;
        line.key = FoldName(TrimView(t.substr(0, eq)));
        const std::string_view value = TrimView(t.substr(eq + 1));
        line.valuePos =
            value.empty() ? 0 : static_cast<std::size_t>(value.data() - line.text.data());
        line.valueLen = value.size();
    }
    return line;
}

ProfileDoc::ProfileDoc(std::string_view bytes) {
    sections_.push_back(Section{});
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", pos);
        std::size_t next;
        if (end == std::string_view::npos) {
            end = next = bytes.size();
        } else if (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') {
            next = end + 2;
        } else {
            next = end + 1;
        }
        std::string text(bytes.substr(pos, end - pos));
        std::string eol(bytes.substr(end, next - end));
        pos = next;

        const std::string_view t = TrimView(text);
        const std::size_t close =
            t.empty() || t[0] != '[' ? std::string_view::npos : FindLastChar(t, ']');
        if (close != std::string_view::npos) {
            Section s;
            s.hasHeader = true;
            s.name = FoldName(TrimView(t.substr(1, close - 1)));
            s.lines.push_back(Line{std::move(text), std::move(eol), {}, false, 0, 0});
            sections_.push_back(std::move(s));
        } else {
            sections_.back().lines.push_back(MakeLine(std::move(text), std::move(eol)));
        }
    }
}

ProfileDoc::Section* ProfileDoc::FindSection(std::string_view folded) {
    for (auto& s : sections_)
        if (s.hasHeader && s.name == folded) return &s;
    return nullptr;
}

const ProfileDoc::Section* ProfileDoc::FindSection(std::string_view folded) const {
    for (const auto& s : sections_)
        if (s.hasHeader && s.name == folded) return &s;
    return nullptr;
}

const ProfileDoc::Line* ProfileDoc::FindKey(const Section& s, std::string_view foldedKey) {
    for (const auto& line : s.lines)
        if (line.isKey && line.key == foldedKey) return &line;
    return nullptr;
}

bool ProfileDoc::HasKey(std::string_view section, std::string_view key) const {
    const Section* s = FindSection(FoldName(section));
    return s != nullptr && FindKey(*s, FoldName(key)) != nullptr;
}

std::string ProfileDoc::GetString(std::string_view section, std::string_view key,
                                  std::string_view def) const {
    const Section* s = FindSection(FoldName(section));
    const Line* line = s ? FindKey(*s, FoldName(key)) : nullptr;
    std::string_view v =
        line ? std::string_view(line->text).substr(line->valuePos, line->valueLen) : def;
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
    const std::string foldedKey = FoldName(key);
    Section* s = FindSection(FoldName(section));
    if (s == nullptr) {
        Section added;
        added.hasHeader = true;
        added.name = FoldName(section);
        added.lines.push_back(Line{"[" + std::string(section) + "]", "\r\n", {}, false, 0, 0});
        added.lines.push_back(MakeLine(std::string(key) + "=" + value, "\r\n"));
        sections_.push_back(std::move(added));
        changed_ = true;
        return;
    }
    for (auto& line : s->lines) {
        if (!line.isKey || line.key != foldedKey) continue;
        if (std::string_view(line.text).substr(line.valuePos, line.valueLen) == value) return;
        const std::string_view t = TrimView(line.text);
        const std::string name(TrimView(t.substr(0, t.find('='))));
        line = MakeLine(name + "=" + value, "\r\n");
        changed_ = true;
        return;
    }
    // After the section's last line that is not blank, so blank lines stay before the next
    // header.
    auto at = s->lines.end();
    while (at != s->lines.begin() && TrimView(std::prev(at)->text).empty()) --at;
    s->lines.insert(at, MakeLine(std::string(key) + "=" + value, "\r\n"));
    changed_ = true;
}

void ProfileDoc::SetInt(std::string_view section, std::string_view key, int value) {
    SetString(section, key, std::to_string(value));
}

void ProfileDoc::DeleteKey(std::string_view section, std::string_view key) {
    Section* s = FindSection(FoldName(section));
    if (s == nullptr) return;
    const std::string foldedKey = FoldName(key);
    const auto removed = std::erase_if(
        s->lines, [&](const Line& line) { return line.isKey && line.key == foldedKey; });
    if (removed != 0) changed_ = true;
}

void ProfileDoc::EraseSection(std::string_view section) {
    const std::string folded = FoldName(section);
    const auto removed =
        std::erase_if(sections_, [&](const Section& s) { return s.hasHeader && s.name == folded; });
    if (removed != 0) changed_ = true;
}

std::string ProfileDoc::Serialize() const {
    std::size_t size = 0;
    for (const auto& s : sections_)
        for (const auto& line : s.lines) size += line.text.size() + 2;
    std::string out;
    out.reserve(size);
    const Line* last = nullptr;
    for (const auto& s : sections_)
        for (const auto& line : s.lines) {
            if (last != nullptr) out += last->eol.empty() ? "\r\n" : last->eol;
            out += line.text;
            last = &line;
        }
    if (last != nullptr) out += last->eol;
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
    file.doc = ProfileDoc(bytes);
    file.state = FileState::kRead;
    return file;
}

bool WriteProfileFile(const ProfileDoc& doc, const std::string& path) {
    const std::string bytes = doc.Serialize();
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
