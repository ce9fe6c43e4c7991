// The host's orders to the companion: what Encode writes, Decode reads back; anything else is
// refused before a byte past the end is read.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "peerwire.h"

namespace {

using yv::companion::Command;
using yv::companion::Decode;
using yv::companion::Encode;
using yv::companion::Order;

Order SetOrder() {
    Order o;
    o.command = Command::kSet;
    o.mode = 3;
    o.trackOff = 1;
    o.numLockHold = 1;
    o.keys[0] = 123;
    o.keys[1] = -1;
    o.keys[100] = 1016;
    std::strcpy(o.texts[1], "S標準");
    std::memset(o.texts[100], 'x', 100);
    return o;
}

TEST(PeerWire, WhatIsWrittenIsReadBack) {
    Order hook;
    hook.command = Command::kHook;
    hook.numLockHold = 1;
    Order unhook;
    Order thread;
    thread.command = Command::kThread;
    thread.thread = 0x89ABCDEF;
    Order shorter = SetOrder();
    std::strcpy(shorter.texts[100], "y");
    // One order read over another leaves nothing of the earlier one.
    Order back;
    for (const Order& o : {thread, SetOrder(), hook, unhook, shorter}) {
        const std::vector<std::uint8_t> bytes = Encode(o);
        ASSERT_TRUE(Decode(bytes.data(), bytes.size(), back)) << int(o.command);
        EXPECT_EQ(back.command, o.command);
        EXPECT_EQ(back.numLockHold, o.numLockHold);
        EXPECT_EQ(back.thread, o.command == Command::kThread ? o.thread : 0u);
        if (o.command != Command::kSet) {
            EXPECT_EQ(bytes.size(), o.command == Command::kThread ? 8u : 4u);
            continue;
        }
        EXPECT_EQ(back.mode, 3);
        EXPECT_EQ(back.trackOff, 1);
        for (int i = 0; i < yv::companion::kRows; ++i) {
            EXPECT_EQ(back.keys[i], o.keys[i]) << i;
            EXPECT_STREQ(back.texts[i], o.texts[i]) << i;
        }
    }
}

TEST(PeerWire, MalformedOrdersAreRefused) {
    const std::vector<std::uint8_t> set = Encode(SetOrder());
    const std::size_t texts = 4 + 101 * 4;
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"nothing", {}},
        {"a head cut short", {1, 0, 0}},
        {"an unknown command", {5, 0, 0, 0}},
        {"a thread order cut short", {4, 0, 0, 0, 1, 2, 3}},
        {"a thread order with more", {4, 0, 0, 0, 1, 2, 3, 4, 5}},
        {"command 0", {0, 0, 0, 0}},
        {"a hook order with more", {1, 0, 0, 0, 0}},
        {"keys cut short", std::vector<std::uint8_t>(set.begin(), set.begin() + texts - 1)},
        {"the last text without its NUL", std::vector<std::uint8_t>(set.begin(), set.end() - 1)},
        {"bytes after the last text",
         [&] {
             auto b = set;
             b.push_back('z');
             return b;
         }()},
        {"a text of 101 bytes",
         [&] {
             std::vector<std::uint8_t> b(set.begin(), set.begin() + texts);
             b.insert(b.end(), 101, 'y');
             b.insert(b.end(), 101, 0);
             return b;
         }()},
    };
    for (const auto& c : cases) {
        Order o;
        EXPECT_FALSE(Decode(c.bytes.data(), c.bytes.size(), o)) << c.what;
    }
    Order o;
    EXPECT_FALSE(Decode(nullptr, 4, o));
}

TEST(PeerWire, AnOverlongTextIsCutAsTheLibraryWouldCutIt) {
    Order o = SetOrder();
    std::memset(o.texts[5], 'a', sizeof o.texts[5]);  // no NUL at all
    const std::vector<std::uint8_t> bytes = Encode(o);
    Order back;
    ASSERT_TRUE(Decode(bytes.data(), bytes.size(), back));
    EXPECT_EQ(std::string(back.texts[5]), std::string(100, 'a'));
}

Order SetOrderW() {
    Order o = SetOrder();
    o.hasTextsW = true;
    const std::u16string sushi = u"貼付🍣";
    sushi.copy(o.textsW[1], sushi.size());
    for (int k = 0; k < 100; ++k) o.textsW[100][k] = u'字';
    return o;
}

TEST(PeerWire, TheUtf16TextsTravelBesideTheShiftJisOnes) {
    Order back;
    back.hasTextsW = true;
    // Without them (an order as before) the companion's library keeps SetSet's texts.
    const std::vector<std::uint8_t> plain = Encode(SetOrder());
    ASSERT_TRUE(Decode(plain.data(), plain.size(), back));
    EXPECT_FALSE(back.hasTextsW);
    Order o = SetOrderW();
    for (int k = 0; k < yv::companion::kTextSize; ++k) o.textsW[7][k] = u'x';  // no terminator
    const std::vector<std::uint8_t> bytes = Encode(o);
    ASSERT_TRUE(Decode(bytes.data(), bytes.size(), back));
    EXPECT_TRUE(back.hasTextsW);
    EXPECT_STREQ(back.texts[1], "S標準");
    EXPECT_EQ(std::u16string(back.textsW[1]), std::u16string(o.textsW[1]));
    EXPECT_EQ(std::u16string(back.textsW[100]), std::u16string(100, u'字'));
    EXPECT_EQ(std::u16string(back.textsW[7]), std::u16string(100, u'x'));
    EXPECT_EQ(std::u16string(back.textsW[0]), u"");
}

TEST(PeerWire, MalformedUtf16TextsAreRefused) {
    const std::vector<std::uint8_t> set = Encode(SetOrderW());
    const std::size_t wide = Encode(SetOrder()).size();  // where the UTF-16 texts begin
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"half a unit after the texts",
         std::vector<std::uint8_t>(set.begin(), set.begin() + wide + 1)},
        {"the last text without its terminator",
         std::vector<std::uint8_t>(set.begin(), set.end() - 2)},
        {"half a terminator", std::vector<std::uint8_t>(set.begin(), set.end() - 1)},
        {"a byte more",
         [&] {
             auto b = set;
             b.push_back(0);
             return b;
         }()},
        {"a text of 101 units",
         [&] {
             std::vector<std::uint8_t> b(set.begin(), set.begin() + wide);
             for (int k = 0; k < 101; ++k) b.insert(b.end(), {'a', 0});
             for (int r = 0; r < 101; ++r) b.insert(b.end(), {0, 0});
             return b;
         }()},
    };
    for (const auto& c : cases) {
        Order o;
        EXPECT_FALSE(Decode(c.bytes.data(), c.bytes.size(), o)) << c.what;
    }
}

// The channel's token: only an order that carries it is taken; a sender who names the host's
// window as wParam but lacks it gets nothing done.
TEST(PeerWire, OnlyOrdersWithTheTokenAreTaken) {
    using yv::companion::DecodeSealed;
    using yv::companion::Seal;
    using yv::companion::Token;
    Token token;
    for (std::size_t i = 0; i < token.size(); ++i)
        token[i] = static_cast<std::uint8_t>(0xA0 + i * 7);
    Order thread;
    thread.command = Command::kThread;
    thread.thread = 0x1234;
    const std::vector<std::uint8_t> plain = Encode(thread);
    const std::vector<std::uint8_t> sealed = Seal(token, plain);
    ASSERT_EQ(sealed.size(), token.size() + plain.size());
    Order back;
    ASSERT_TRUE(DecodeSealed(sealed.data(), sealed.size(), token, back));
    EXPECT_EQ(back.command, Command::kThread);
    EXPECT_EQ(back.thread, 0x1234u);
    const std::vector<std::uint8_t> set = Seal(token, Encode(SetOrder()));
    ASSERT_TRUE(DecodeSealed(set.data(), set.size(), token, back));
    EXPECT_STREQ(back.texts[1], "S標準");
    // Any one byte of the token wrong, at any place.
    for (std::size_t i = 0; i < token.size(); ++i) {
        auto forged = sealed;
        forged[i] ^= 0x01;
        EXPECT_FALSE(DecodeSealed(forged.data(), forged.size(), token, back)) << "byte " << i;
    }
    EXPECT_FALSE(DecodeSealed(plain.data(), plain.size(), token, back)) << "no token";
    EXPECT_FALSE(DecodeSealed(sealed.data(), token.size() - 1, token, back)) << "token cut";
    EXPECT_FALSE(DecodeSealed(sealed.data(), token.size(), token, back)) << "token only";
    EXPECT_FALSE(DecodeSealed(sealed.data(), sealed.size() - 1, token, back)) << "order cut";
    EXPECT_FALSE(DecodeSealed(nullptr, sealed.size(), token, back));
}

TEST(PeerWire, TheTokenGoesOnTheCommandLineAsHex) {
    using yv::companion::ParseToken;
    using yv::companion::Token;
    using yv::companion::TokenText;
    Token token;
    for (std::size_t i = 0; i < token.size(); ++i) token[i] = static_cast<std::uint8_t>(i * 17 + 9);
    const std::string text = TokenText(token);
    EXPECT_EQ(text, "091a2b3c4d5e6f8091a2b3c4d5e6f708");
    Token back{};
    ASSERT_TRUE(ParseToken(text.c_str(), back));
    EXPECT_EQ(back, token);
    ASSERT_TRUE(ParseToken("091A2B3C4D5E6F8091A2B3C4D5E6F708", back));
    EXPECT_EQ(back, token);
    ASSERT_TRUE(ParseToken("ffffffffffffffffffffffffffffff00", back));
    EXPECT_EQ(back[0], 0xFF);
    EXPECT_EQ(back[15], 0x00);
    for (const char* bad :
         {"", "091a2b3c4d5e6f708192a3b4c5d6e7f", "091a2b3c4d5e6f708192a3b4c5d6e7f80",
          "091a2b3c4d5e6f708192a3b4c5d6e7fg", "g91a2b3c4d5e6f708192a3b4c5d6e7f8",
          "091a2b3c4d5e6f70 192a3b4c5d6e7f8", "091a2b3c4d5e6f708192a3b4c5d6e7:8",
          "/91a2b3c4d5e6f708192a3b4c5d6e7f8", "091a2b3c4d5e6f708192a3b4c5d6e7f@"})
        EXPECT_FALSE(ParseToken(bad, back)) << "'" << bad << "'";
    EXPECT_FALSE(ParseToken(nullptr, back));
}

}  // namespace
