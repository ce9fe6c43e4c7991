// Comparison of our profile reader/writer with the system's profile functions.
//   difftool gen DIR N SEED   writes N generated cases into DIR
//   difftool apply DIR        applies every case with our code (case_NNNN.ours)
//   difftool compare DIR      compares case_NNNN.ours with case_NNNN.wine, made by wineapply.exe
#include <cstdint>
#include <cstdio>
#include <map>
#include <utility>
#include <string>
#include <vector>

#include "diffcase.h"
#include "encodingcases.h"
#include "profiledoc.h"
#include "strutil.h"

namespace yv::difftest {
namespace {

using settings::ProfileDoc;

std::string CasePath(const std::string& dir, int i, const char* prefix, const char* ext) {
    return difftest::CasePath(dir, '/', i, prefix, ext);
}

// --- Generation --------------------------------------------------------------------------------

class Rng {
  public:
    explicit Rng(std::uint64_t seed) : s_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
    bool Chance(int percent) { return Below(100) < percent; }
    template <class T, std::size_t N>
    const T& Pick(const T (&items)[N]) {
        return items[Below(static_cast<int>(N))];
    }

  private:
    std::uint64_t s_;
};

// Names in one group differ only in letter case, so they name the same section or key.
struct Name {
    const char* text;
    int group;
};

const Name kSections[] = {
    {"Config", 0},   {"CONFIG", 0}, {"config", 0}, {"Apl1", 1}, {"APL1", 1},
    {"Apl2", 2},     {"Apl10", 3},  {"日本語", 4}, {"表ソ", 5}, {"Ｗｉｄｅ", 6},
    {"ｗｉｄｅ", 6}, {"Дом", 7},    {"дом", 7},
};

const Name kKeys[] = {
    {"henstart", 0}, {"HenStart", 0}, {"HENSTART", 0}, {"key1", 1},  {"KEY1", 1}, {"data1", 2},
    {"Data1", 2},    {"Name", 3},     {"Name1", 4},    {"name1", 4}, {"表", 5},   {"ソフト", 6},
    {"ア", 7},       {"ャ", 8},       {"Ａ", 9},       {"ａ", 9},    {"Д", 10},   {"д", 10},
    {"x y", 11},     {"data101", 12}, {"key0", 13},
};

const char* const kTexts[] = {
    "abc",    " abc ",   "\tabc\t",     "\"abc\"", "\" abc \"",
    "'abc'",  "\"abc'",  "\"",          "\"\"",    "",
    "表ソ能", "\"表\"",  "ソ",          "a=b",     "日本語 テキスト",
    "ｱｲｳ",    "<41>:Ａ", "[1E]:【Ａ】", "\"'x'\"", "　全角　",
    "'",      "a\"b\"",  "能\\",        "x\t y",
};

const char* const kIntegers[] = {
    "12",          "-255",
    "+7",          "0x1C",
    "0X1c",        "$1C",
    "12abc",       "2147483647",
    "2147483648",  "4294967296",
    "-2147483648", "0x7FFFFFFF",
    "0xFFFFFFFF",  "0b101",
    "\" 12\"",     "\"12\"",
    "abc",         "007",
    "-0x10",       "1e3",
    "0x",          "000000000000000000000000000000042",
    "0",           "-0",
    "256",         "-1",
};

std::string Value(Rng& rng) {
    const int kind = rng.Below(100);
    if (kind < 50) return rng.Pick(kTexts);
    if (kind < 92) return rng.Pick(kIntegers);
    if (kind < 95) return std::string(3000, 'a');
    if (kind < 97) return "\"" + std::string(2500, 'b') + "\"";
    std::string wide;
    for (int i = 0; i < 1500; ++i) wide += "表";
    return wide;
}

std::string KeyLine(Rng& rng, const std::string& key, const std::string& value, bool tidy) {
    if (tidy) return key + "=" + value;
    switch (rng.Below(3)) {
        case 0:
            return " " + key + " = " + value;
        case 1:
            return "\t" + key + "=" + value;
        default:
            return key + " =" + value + "  ";
    }
}

// Another spelling of a name of the same group.
template <std::size_t N>
const char* Variant(Rng& rng, const Name (&names)[N], int group) {
    std::vector<const char*> same;
    for (const Name& n : names)
        if (n.group == group) same.push_back(n.text);
    return same[static_cast<std::size_t>(rng.Below(static_cast<int>(same.size())))];
}

// Files saved in UTF-16 or in UTF-8 with a byte-order mark, which the system's profile functions
// read as well. Only reads: the system writes such a file back in its own encoding.
struct WideName {
    const char16_t* wide;
    const char* narrow;  // the same name in Shift-JIS, in another letter case
};
const WideName kWideSections[] = {
    {u"Config", "CONFIG"}, {u"日本語", "日本語"}, {u"Ｗｉｄｅ", "Ｗｉｄｅ"}};
const WideName kWideKeys[] = {{u"henstart", "HenStart"},
                              {u"data1", "DATA1"},
                              {u"表", "表"},
                              {u"ア", "ア"},
                              {u"Name1", "name1"}};
const char16_t* const kWideValues[] = {u"日本語 テキスト", u"表ソ能",      u"ｱｲｳ",  u"\"①\"",
                                       u"  12 ",           u"[1E]:【Ａ】", u"0x1C", u"ソ\\"};

Case GenerateEncoded(Rng& rng) {
    std::u16string text;
    for (const WideName& sec : kWideSections) {
        if (rng.Chance(30)) continue;
        text += std::u16string(u"[") + sec.wide + u"]\r\n";
        for (const WideName& key : kWideKeys)
            if (rng.Chance(60))
                text += std::u16string(key.wide) + u"=" + rng.Pick(kWideValues) + u"\r\n";
    }
    const auto form =
        rng.Chance(50) ? settings::FileEncoding::kUtf16Le : settings::FileEncoding::kUtf8Bom;
    Case c;
    c.file = settings::testing::FileBytes(form, text);
    for (int i = 1 + rng.Below(6); i > 0; --i)
        c.ops.push_back(Op{rng.Chance(70) ? 'R' : 'I',
                           rng.Pick(kWideSections).narrow,
                           rng.Pick(kWideKeys).narrow,
                           {}});
    return c;
}

Case Generate(Rng& rng) {
    if (rng.Chance(10)) return GenerateEncoded(rng);
    Case c;
    std::vector<std::pair<int, int>> placed;  // section and key groups present in the file
    const bool dup = rng.Chance(20);          // duplicate keys or sections; no deletes then
    const bool tidy = rng.Chance(60);
    const std::string eol = tidy || rng.Chance(50) ? "\r\n" : "\n";
    if (!rng.Chance(10)) {
        std::string f;
        auto line = [&](const std::string& text) { f += text + eol; };
        if (!tidy && rng.Chance(30)) line("; written by hand");
        if (!tidy && rng.Chance(10)) line("loose=before any section");
        std::vector<int> usedSections;
        const int sections = rng.Below(5);
        for (int s = 0; s < sections; ++s) {
            const Name& sec = rng.Pick(kSections);
            bool seen = false;
            for (int g : usedSections) seen = seen || g == sec.group;
            if (seen && !dup) continue;
            usedSections.push_back(sec.group);
            line(std::string("[") + sec.text + "]");
            std::vector<int> usedKeys;
            const int keys = rng.Below(6);
            for (int k = 0; k < keys; ++k) {
                const Name& key = rng.Pick(kKeys);
                bool keySeen = false;
                for (int g : usedKeys) keySeen = keySeen || g == key.group;
                if (keySeen && !dup) continue;
                usedKeys.push_back(key.group);
                placed.emplace_back(sec.group, key.group);
                line(KeyLine(rng, key.text, Value(rng), tidy));
                if (!tidy && rng.Chance(10)) line(rng.Chance(50) ? "; note" : "# note");
            }
            if (!tidy && rng.Chance(25)) line("");
        }
        if (!tidy && rng.Chance(10)) line("[ Spaced ]");
        if (!tidy && rng.Chance(15) && !f.empty()) f.resize(f.size() - eol.size());
        c.file = f;
    }
    const int ops = 1 + rng.Below(8);
    for (int i = 0; i < ops; ++i) {
        Op op;
        const int kind = rng.Below(100);
        op.kind = kind < 30 ? 'R' : kind < 45 ? 'I' : kind < 75 ? 'W' : kind < 90 ? 'D' : 'E';
        if (dup && (op.kind == 'D' || op.kind == 'E')) op.kind = 'W';
        if (!placed.empty() && rng.Chance(60)) {
            // Mostly names that are in the file, spelt in any letter case.
            const auto& [sec, key] =
                placed[static_cast<std::size_t>(rng.Below(static_cast<int>(placed.size())))];
            op.section = Variant(rng, kSections, sec);
            op.key = Variant(rng, kKeys, key);
        } else {
            op.section = rng.Chance(85) ? rng.Pick(kSections).text : "Missing";
            op.key = rng.Chance(90) ? rng.Pick(kKeys).text : "nokey";
        }
        if (op.kind == 'W') op.value = rng.Chance(15) ? " lead " + Value(rng) : Value(rng);
        c.ops.push_back(op);
    }
    return c;
}

int Gen(const std::string& dir, int count, std::uint64_t seed) {
    Rng rng(seed);
    for (int i = 0; i < count; ++i) {
        if (!WriteWholeFile(CasePath(dir, i, "case", "txt"), FormatCase(Generate(rng)))) {
            std::fprintf(stderr, "cannot write case %d\n", i);
            return 1;
        }
    }
    return 0;
}

// --- Our side ------------------------------------------------------------------------------------

int Apply(const std::string& dir) {
    const int n =
        ApplyCases(dir, '/', "ours", [](const Op& op, const std::string& ini, OpResult& out) {
            ProfileDoc doc = settings::ReadProfileFile(ini).doc;
            switch (op.kind) {
                case 'R':
                    out.text = doc.GetString(op.section, op.key, "(none)");
                    break;
                case 'I':
                    out.text = doc.GetString(op.section, op.key, "(none)");
                    out.number = doc.GetInt(op.section, op.key, 0);
                    break;
                case 'W':
                    doc.SetString(op.section, op.key, op.value);
                    break;
                case 'D':
                    doc.DeleteKey(op.section, op.key);
                    break;
                case 'E':
                    doc.EraseSection(op.section);
                    break;
            }
            return !doc.changed() || settings::WriteProfileFile(doc, ini);
        });
    return n < 0 ? 1 : 0;
}

// --- Comparison ------------------------------------------------------------------------------

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return std::string(s);
}

// The file as the system's functions rewrite it: every line trimmed, blank lines gone, blanks
// around '=' and inside a header's brackets gone, text after a header's ']' gone, CR LF after
// every line.
std::string Canonical(std::string_view f) {
    std::string out;
    std::size_t pos = 0;
    while (pos < f.size()) {
        std::size_t end = f.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = f.size();
        const std::string t = Trim(f.substr(pos, end - pos));
        pos = end + 1;
        if (t.empty()) continue;
        const std::size_t close = t[0] == '[' ? settings::FindLastChar(t, ']') : std::string::npos;
        const std::size_t eq = t.find('=');
        if (close != std::string::npos && close > 0) {
            out += "[" + Trim(std::string_view(t).substr(1, close - 1)) + "]";
        } else if (eq != std::string::npos) {
            out += Trim(std::string_view(t).substr(0, eq)) + "=" +
                   Trim(std::string_view(t).substr(eq + 1));
        } else {
            out += t;
        }
        out += "\r\n";
    }
    return out;
}

// Why the system's integer read may differ from ours for this value text.
std::string IntDivergence(const std::string& text) {
    std::string_view t = text;
    if (t.size() > 29) return "value longer than the 29 characters the system reads";
    if (!t.empty() && IsBlank(t[0])) return "blank inside the quotes before the number";
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) t.remove_prefix(1);
    if (!t.empty() && t[0] == '$') return "\"$\" hexadecimal prefix (the system reads 0)";
    if (t.size() > 1 && t[0] == '0' && (t[1] == 'b' || t[1] == 'B' || t[1] == 'o' || t[1] == 'O'))
        return "\"0b\"/\"0o\" prefix (the system reads binary/octal)";
    // "0X" is no prefix on either side: both read such a value as 0.
    bool hex = t.size() > 2 && t[0] == '0' && t[1] == 'x';
    std::string_view digits = hex ? t.substr(2) : t;
    std::size_t n = 0;
    while (n < digits.size() && ((digits[n] >= '0' && digits[n] <= '9') ||
                                 (hex && ((digits[n] >= 'a' && digits[n] <= 'f') ||
                                          (digits[n] >= 'A' && digits[n] <= 'F')))))
        ++n;
    if (n > 0 && n == digits.size()) return "out of the 32-bit range (the system wraps)";
    if (n > 0) return "digits followed by other text (the system reads the digits)";
    return "";
}

// 32-bit Wine's profile functions cut a long value inside a double-byte character and put a
// stray byte where the character's first half would be; we drop the character whole, as 64-bit
// Wine does. Only that difference is tolerated: one byte more, at the read limit, after equal text.
bool SplitCharDivergence(const std::string& ours, const std::string& system) {
    return ours.size() + 1 == system.size() && system.size() == settings::kMaxValueBytes &&
           system.compare(0, ours.size(), ours) == 0;
}

int Compare(const std::string& dir) {
    int cases = 0, failures = 0, exact = 0, formatOnly = 0, absentBoth = 0;
    std::map<char, int> opCounts;
    std::map<std::string, int> divergences;
    auto fail = [&](int i, const std::string& what) {
        if (++failures <= 30) std::printf("FAIL case %04d: %s\n", i, what.c_str());
    };
    for (int i = 0;; ++i) {
        const auto caseBytes = ReadWholeFile(CasePath(dir, i, "case", "txt"));
        if (!caseBytes) break;
        ++cases;
        const auto ours = ReadWholeFile(CasePath(dir, i, "case", "ours"));
        const auto wine = ReadWholeFile(CasePath(dir, i, "case", "wine"));
        Case c;
        Result a, b;
        if (!ours || !wine || !ParseCase(*caseBytes, c) || !ParseResult(*ours, a) ||
            !ParseResult(*wine, b) || a.ops.size() != c.ops.size() ||
            b.ops.size() != c.ops.size()) {
            fail(i, "missing or damaged result");
            continue;
        }
        bool exactExpected = !c.file || Canonical(*c.file) == *c.file;
        for (std::size_t k = 0; k < c.ops.size(); ++k) {
            const Op& op = c.ops[k];
            ++opCounts[op.kind];
            if (op.kind == 'W' && !op.value.empty() && IsBlank(op.value[0])) exactExpected = false;
            if (a.ops[k].text != b.ops[k].text) {
                if (SplitCharDivergence(a.ops[k].text, b.ops[k].text)) {
                    ++divergences
                        ["value cut inside a double-byte character (32-bit Wine "
                         "returns a stray byte in its place)"];
                    continue;
                }
                fail(i, "op " + std::to_string(k) + " [" + op.section + "] " + op.key +
                            ": ours \"" + a.ops[k].text.substr(0, 60) + "\", system \"" +
                            b.ops[k].text.substr(0, 60) + "\"");
            } else if (a.ops[k].number != b.ops[k].number) {
                const std::string why = IntDivergence(a.ops[k].text);
                if (why.empty()) {
                    fail(i, "integer of \"" + a.ops[k].text + "\": ours " +
                                std::to_string(a.ops[k].number) + ", system " +
                                std::to_string(b.ops[k].number));
                } else {
                    ++divergences[why];
                }
            }
        }
        if (!a.file && !b.file) {
            ++absentBoth;
        } else if (!a.file || !b.file) {
            fail(i, a.file ? "only we left a file" : "only the system left a file");
        } else if (*a.file == *b.file) {
            ++exact;
        } else if (Canonical(*a.file) == Canonical(*b.file) && !exactExpected) {
            ++formatOnly;
        } else {
            fail(i, exactExpected ? "file text differs" : "file content differs");
        }
    }
    std::printf("%d cases: R %d, I %d, W %d, D %d, E %d operations\n", cases, opCounts['R'],
                opCounts['I'], opCounts['W'], opCounts['D'], opCounts['E']);
    std::printf(
        "files: %d identical, %d equal once the system's reformatting is applied, "
        "%d absent on both sides\n",
        exact, formatOnly, absentBoth);
    for (const auto& [why, n] : divergences)
        std::printf("reads that differ as the reading rule wants: %d x %s\n", n, why.c_str());
    std::printf("%d failures\n", failures);
    return failures == 0 && cases >= 200 ? 0 : 1;
}

}  // namespace
}  // namespace yv::difftest

int main(int argc, char** argv) {
    using namespace yv::difftest;
    const std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "gen" && argc == 5)
        return Gen(argv[2], std::atoi(argv[3]), std::strtoull(argv[4], nullptr, 10));
    if (cmd == "apply" && argc == 3) return Apply(argv[2]);
    if (cmd == "compare" && argc == 3) return Compare(argv[2]);
    std::fprintf(stderr, "usage: difftool gen DIR N SEED | apply DIR | compare DIR\n");
    return 2;
}
