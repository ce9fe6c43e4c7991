// Case and result files of the comparison between our profile reader/writer and the system's
// profile functions. Shared by the Linux tool and the Windows program, so it depends on
// nothing but the standard library.
//
// Case file:   "FILE <n>\n" then n bytes and "\n" (n = -1: no file), then one line per
//              operation: "<op> <field>..." with each field written as "<length>:<bytes>".
//              Ops: R sec key (string read), I sec key (integer read), W sec key value,
//              D sec key (delete key), E sec (erase section).
// Result file: one line per operation ("R <text>", "I <int> <text>", "W", "D", "E"), then
//              the file as in the case file.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace yv::difftest {

struct Op {
    char kind = 0;  // R, I, W, D, E
    std::string section, key, value;
};

struct Case {
    std::optional<std::string> file;  // none: the file does not exist
    std::vector<Op> ops;
};

struct OpResult {
    char kind = 0;
    std::string text;      // R and I: the string read
    long long number = 0;  // I: the integer read
};

struct Result {
    std::vector<OpResult> ops;
    std::optional<std::string> file;
};

inline std::string Field(std::string_view s) {
    return std::to_string(s.size()) + ":" + std::string(s);
}

inline std::string FileBlock(const std::optional<std::string>& file) {
    if (!file) return "FILE -1\n";
    return "FILE " + std::to_string(file->size()) + "\n" + *file + "\n";
}

inline std::string FormatCase(const Case& c) {
    std::string out = FileBlock(c.file);
    for (const Op& op : c.ops) {
        out += op.kind;
        out += " " + Field(op.section);
        if (op.kind != 'E') out += " " + Field(op.key);
        if (op.kind == 'W') out += " " + Field(op.value);
        out += "\n";
    }
    return out;
}

inline std::string FormatResult(const Result& r) {
    std::string out;
    for (const OpResult& op : r.ops) {
        out += op.kind;
        if (op.kind == 'I') out += " " + std::to_string(op.number);
        if (op.kind == 'R' || op.kind == 'I') out += " " + Field(op.text);
        out += "\n";
    }
    return out + FileBlock(r.file);
}

// A small reader over the bytes of a case or result file; any damage makes ok false.
class Reader {
  public:
    explicit Reader(std::string_view s) : s_(s) {}
    bool ok() const { return ok_; }
    bool AtEnd() const { return pos_ >= s_.size(); }
    char Char() {
        if (pos_ >= s_.size()) return Fail(), '\0';
        return s_[pos_++];
    }
    void Expect(char c) {
        if (Char() != c) Fail();
    }
    long long Number() {
        std::size_t start = pos_;
        if (pos_ < s_.size() && s_[pos_] == '-') ++pos_;
        while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') ++pos_;
        if (pos_ == start) return Fail(), 0;
        return std::strtoll(std::string(s_.substr(start, pos_ - start)).c_str(), nullptr, 10);
    }
    std::string Bytes(long long n) {
        if (n < 0 || pos_ + static_cast<std::size_t>(n) > s_.size()) return Fail(), std::string();
        std::string out(s_.substr(pos_, static_cast<std::size_t>(n)));
        pos_ += static_cast<std::size_t>(n);
        return out;
    }
    std::string FieldText() {
        const long long n = Number();
        Expect(':');
        return Bytes(n);
    }
    std::optional<std::string> File() {
        for (char c : std::string_view("FILE ")) Expect(c);
        const long long n = Number();
        Expect('\n');
        if (n < 0) return std::nullopt;
        std::string bytes = Bytes(n);
        Expect('\n');
        return bytes;
    }

  private:
    void Fail() {
        ok_ = false;
        pos_ = s_.size();
    }
    std::string_view s_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

inline bool ParseCase(std::string_view s, Case& c) {
    Reader r(s);
    c.file = r.File();
    while (r.ok() && !r.AtEnd()) {
        Op op;
        op.kind = r.Char();
        r.Expect(' ');
        op.section = r.FieldText();
        if (op.kind != 'E') {
            r.Expect(' ');
            op.key = r.FieldText();
        }
        if (op.kind == 'W') {
            r.Expect(' ');
            op.value = r.FieldText();
        }
        r.Expect('\n');
        c.ops.push_back(std::move(op));
    }
    return r.ok();
}

inline bool ParseResult(std::string_view s, Result& res) {
    Reader r(s);
    while (r.ok() && !r.AtEnd()) {
        // The file block starts with 'F', which no operation uses.
        Reader peek = r;
        if (peek.Char() == 'F') break;
        OpResult op;
        op.kind = r.Char();
        if (op.kind == 'I') {
            r.Expect(' ');
            op.number = r.Number();
        }
        if (op.kind == 'R' || op.kind == 'I') {
            r.Expect(' ');
            op.text = r.FieldText();
        }
        r.Expect('\n');
        res.ops.push_back(std::move(op));
    }
    res.file = r.File();
    return r.ok();
}

inline std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return std::nullopt;
    std::string bytes;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    std::fclose(f);
    return bytes;
}

inline bool WriteWholeFile(const std::string& path, std::string_view bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// The path of file NNNN of a case folder: DIR<sep>PREFIX_NNNN.EXT.
inline std::string CasePath(const std::string& dir, char sep, int i, const char* prefix,
                            const char* ext) {
    char name[64];
    std::snprintf(name, sizeof name, "%c%s_%04d.%s", sep, prefix, i, ext);
    return dir + name;
}

// Runs every case of `dir` on one side: the case's starting file becomes <side>.ini, each
// operation goes through apply(op, ini, result) (false stops the run), and the results land in
// case_NNNN.<side>. Returns the number of cases, or -1 on failure.
template <class ApplyOp>
int ApplyCases(const std::string& dir, char sep, const char* side, ApplyOp apply) {
    int i = 0;
    for (;; ++i) {
        const auto bytes = ReadWholeFile(CasePath(dir, sep, i, "case", "txt"));
        if (!bytes) break;
        Case c;
        if (!ParseCase(*bytes, c)) {
            std::fprintf(stderr, "case %d is damaged\n", i);
            return -1;
        }
        const std::string ini = CasePath(dir, sep, i, side, "ini");
        std::remove(ini.c_str());
        if (c.file && !WriteWholeFile(ini, *c.file)) return -1;
        Result r;
        for (const Op& op : c.ops) {
            OpResult out;
            out.kind = op.kind;
            if (!apply(op, ini, out)) {
                std::fprintf(stderr, "case %d: write failed\n", i);
                return -1;
            }
            r.ops.push_back(out);
        }
        r.file = ReadWholeFile(ini);
        if (!WriteWholeFile(CasePath(dir, sep, i, "case", side), FormatResult(r))) return -1;
    }
    std::printf("applied %d cases\n", i);
    return i;
}

}  // namespace yv::difftest
