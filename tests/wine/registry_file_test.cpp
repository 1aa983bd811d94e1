// Reading Wine's system.reg: the format as Wine writes it, and files that break it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <random>

#include "platform/Registry.h"
#include "platform/wine/registry_file.h"
#include "wine/registry_test_prefix.h"

namespace {

using platform::RegistryKey;
using platform::WideString;

struct Value {
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

std::vector<uint8_t> Utf16Bytes(const std::u16string& text) {
    std::vector<uint8_t> bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

class RegistryFile : public ::testing::Test {
  protected:
    // Writes a win64 file and opens Software\Test in the 64-bit view.
    bool Load(const std::string& body, const std::string& arch = "win64") {
        prefix_.WriteSystemReg(TestPrefix::RegFile(body, arch));
        return key_.Open("Software\\Test", true);
    }
    std::optional<Value> Get(const WideString& subkey, const WideString& name) {
        Value value;
        if (!key_.GetValue(subkey, name, &value.type, &value.data)) {
            return std::nullopt;
        }
        return value;
    }
    std::optional<WideString> String(const WideString& name) {
        WideString text;
        if (!key_.GetStringValue(u"", name, 512, &text)) {
            return std::nullopt;
        }
        return text;
    }

    TestPrefix prefix_;
    RegistryKey key_;
};

TEST_F(RegistryFile, StringEscapesAsWineWritesThem) {
    ASSERT_TRUE(
        Load("[Software\\\\Test] 1700000000\n#time=1d9a0c2b3e4f560\n"
             "\"slash\"=\"a\\\\b\\\"c\\\"\"\n"
             "\"controls\"=\"1\\n2\\t3\\r\\a\\b\\e\\f\\v\"\n"
             "\"octal\"=\"\\0010\\1\\177\"\n"
             "\"hex\"=\"\\xe9\\x263a\\x00e9a\\x1f600\\xq\"\n"
             "\"other\"=\"\\q\\]\"\n"
             "\"\\\"quoted\\\" name\"=\"v\"\n"
             "@=\"default\"\n"));
    EXPECT_EQ(String(u"slash"), u"a\\b\"c\"");
    EXPECT_EQ(String(u"controls"), u"1\n2\t3\r\a\b\x1B\f\v");
    EXPECT_EQ(String(u"octal"), WideString(u"\u0001"
                                           u"0") +
                                    u'\u0001' + u'\u007F');
    EXPECT_EQ(String(u"hex"), WideString(u"\u00E9\u263A\u00E9a\u1F60") + u"0xq");
    EXPECT_EQ(String(u"other"), u"q]");
    EXPECT_EQ(String(u"\"quoted\" name"), u"v");
    EXPECT_EQ(String(u""), u"default");
}

TEST_F(RegistryFile, TypesAndBytesKept) {
    ASSERT_TRUE(
        Load("[Software\\\\Test] 1700000000\n"
             "\"sz\"=\"ab\"\n"
             "\"expand\"=str(2):\"%x%\"\n"
             "\"multi\"=str(7):\"a\\0b\\0\"\n"
             "\"dw\"=dword:0badf00d\n"
             "\"bin\"=hex:00,ff,10\n"
             "\"empty\"=hex:\n"
             "\"qword\"=hex(b):01,02,03,04,05,06,07,08\n"
             "\"long\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,\\\n"
             "  6f,00,74,00,25,00,\\\n"
             "  00,00\n"
             "\"after\"=\"still read\"\n"));
    EXPECT_EQ(Get(u"", u"sz")->type, platform::kRegSz);
    EXPECT_EQ(Get(u"", u"sz")->data, Utf16Bytes(u"ab"));
    EXPECT_EQ(Get(u"", u"expand")->type, platform::kRegExpandSz);
    EXPECT_EQ(Get(u"", u"multi")->type, platform::kRegMultiSz);
    EXPECT_EQ(Get(u"", u"multi")->data, Utf16Bytes(std::u16string(u"a\0b\0", 4)));
    EXPECT_EQ(Get(u"", u"dw")->type, platform::kRegDword);
    EXPECT_EQ(Get(u"", u"dw")->data, (std::vector<uint8_t>{0x0d, 0xf0, 0xad, 0x0b}));
    EXPECT_EQ(Get(u"", u"bin")->type, platform::kRegBinary);
    EXPECT_EQ(Get(u"", u"bin")->data, (std::vector<uint8_t>{0x00, 0xff, 0x10}));
    EXPECT_TRUE(Get(u"", u"empty")->data.empty());
    EXPECT_EQ(Get(u"", u"qword")->type, platform::kRegQword);
    EXPECT_EQ(Get(u"", u"qword")->data.size(), 8u);
    EXPECT_EQ(Get(u"", u"long")->type, platform::kRegExpandSz);
    EXPECT_EQ(Get(u"", u"long")->data, Utf16Bytes(u"%SystemRoot%"));
    EXPECT_EQ(String(u"after"), u"still read");
    // Only a plain string is a string.
    EXPECT_FALSE(String(u"expand"));
    EXPECT_FALSE(String(u"dw"));
}

TEST_F(RegistryFile, CommentsOptionsBlankLinesAndCrLf) {
    ASSERT_TRUE(
        Load(";; a comment\r\n\r\n[Software\\\\Test] 1700000000\r\n#time=1d9a0c2b3e4f560\r\n"
             "#class=\"x\"\r\n; another\r\n   \"indented\"=\"yes\"\r\n"
             "\"crlf\"=\"v\"\r\n"));
    EXPECT_EQ(String(u"indented"), u"yes");
    EXPECT_EQ(String(u"crlf"), u"v");
}

TEST_F(RegistryFile, SubkeysCountedSortedAndImplicit) {
    ASSERT_TRUE(
        Load("[Software\\\\Test\\\\b] 1\n\"v\"=\"1\"\n"
             "[Software\\\\Test\\\\A] 1\n"
             "[Software\\\\Test\\\\c\\\\deeper] 1\n"
             "[SOFTWARE\\\\TEST\\\\B] 1\n\"w\"=\"2\"\n"));
    uint32_t count = 0;
    ASSERT_TRUE(key_.QuerySubkeyCount(&count));
    ASSERT_EQ(count, 3u);
    WideString name;
    std::vector<WideString> names;
    for (uint32_t i = 0; i < count; ++i) {
        ASSERT_TRUE(key_.EnumSubkey(i, 255, &name));
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<WideString>{u"A", u"b", u"c"}));
    EXPECT_FALSE(key_.EnumSubkey(3, 255, &name));
    // Keys merge without regard to case; both values live in one key.
    EXPECT_TRUE(Get(u"B", u"v"));
    EXPECT_TRUE(Get(u"b", u"W"));
}

TEST_F(RegistryFile, SubkeyNameCapacityCountsTheTerminator) {
    const std::string name254(254, 'n');
    const std::string name255(255, 'm');
    ASSERT_TRUE(
        Load("[Software\\\\Test\\\\" + name254 + "] 1\n[Software\\\\Test\\\\" + name255 + "] 1\n"));
    WideString name;
    ASSERT_TRUE(key_.EnumSubkey(1, 255, &name));  // the m... key sorts first
    EXPECT_EQ(name.size(), 254u);
    EXPECT_FALSE(key_.EnumSubkey(0, 255, &name));
    EXPECT_TRUE(key_.EnumSubkey(0, 256, &name));
}

TEST_F(RegistryFile, StringBufferRule) {
    ASSERT_TRUE(Load("[Software\\\\Test] 1\n\"fits\"=\"" + std::string(255, 'f') +
                     "\"\n\"over\"=\"" + std::string(256, 'o') +
                     "\"\n"
                     "\"bare\"=hex(1):41,00,42,00\n\"odd\"=hex(1):41,00,42\n"
                     "\"inner\"=\"a\\0b\"\n"));
    EXPECT_EQ(String(u"fits")->size(), 255u);
    EXPECT_FALSE(String(u"over"));
    // Without its terminator the value needs room for one more unit.
    EXPECT_EQ(String(u"bare"), u"AB");
    WideString text;
    EXPECT_FALSE(key_.GetStringValue(u"", u"bare", 4, &text));
    EXPECT_TRUE(key_.GetStringValue(u"", u"bare", 6, &text));
    EXPECT_EQ(String(u"odd"), u"A");
    EXPECT_EQ(String(u"inner"), u"a");
}

TEST_F(RegistryFile, BrokenLinesSkippedRestRead) {
    ASSERT_TRUE(
        Load("[Software\\\\Test] 1\n"
             "\"runaway\"=\"C:\\\\path\\\n"  // escape runs off the line
             "\"unterminated\"=\"abc\n"
             "\"unknown\"=foo:\"x\"\n"
             "\"str5\"=str(5):\"x\"\n"
             "\"baddword\"=dword:xyz\n"
             "\"longdword\"=dword:123456789\n"
             "\"badhex\"=hex:0g,11\n"
             "\"bigbyte\"=hex:100\n"
             "\"noequals\" \"x\"\n"
             "\"\\x\n"
             "garbage line\n"
             "\"good\"=\"kept\"\n"
             "[Software\\\\Test\\\\broken\\\\] 1\n"
             "\"stray\"=\"not attached to Test\"\n"
             "[Software\\\\Test\\\\unclosed 1\n"
             "\"stray2\"=\"not attached either\"\n"
             "[Software\\\\Test] 2\n"
             "\"good2\"=\"kept too\"\n"));
    for (const char16_t* name :
         {u"runaway", u"unterminated", u"unknown", u"str5", u"baddword", u"longdword", u"badhex",
          u"bigbyte", u"noequals", u"stray", u"stray2"}) {
        EXPECT_FALSE(Get(u"", name))
            << std::string(name, name + std::char_traits<char16_t>::length(name));
    }
    EXPECT_EQ(String(u"good"), u"kept");
    EXPECT_EQ(String(u"good2"), u"kept too");
    uint32_t count = 0;
    key_.QuerySubkeyCount(&count);
    EXPECT_EQ(count, 0u);
}

TEST_F(RegistryFile, ContinuationSwallowsItsNextLineOnly) {
    // A hex value continues on the next line whatever it holds; a string value never does.
    ASSERT_TRUE(
        Load("[Software\\\\Test] 1\n"
             "\"bin\"=hex:01,\\\n"
             "[Software\\\\Test\\\\eaten] 1\n"
             "\"next\"=\"read\"\n"
             "\"str\"=\"x\" \\\n"
             "\"also\"=\"read\"\n"
             "\"cut\"=hex:01,\\\n"));
    EXPECT_FALSE(Get(u"", u"bin"));
    EXPECT_EQ(String(u"next"), u"read");
    EXPECT_EQ(String(u"str"), u"x");
    EXPECT_EQ(String(u"also"), u"read");
    EXPECT_FALSE(Get(u"", u"cut"));  // the file ended before the value did
}

TEST_F(RegistryFile, TruncatedFileKeepsWhatCameBefore) {
    const std::string full = "[Software\\\\Test] 1\n\"a\"=\"complete\"\n\"b\"=\"cut off here\"\n";
    ASSERT_TRUE(Load(full.substr(0, full.size() - 6)));
    EXPECT_EQ(String(u"a"), u"complete");
    EXPECT_FALSE(Get(u"", u"b"));
}

TEST_F(RegistryFile, OverlongLineSkipped) {
    ASSERT_TRUE(Load("[Software\\\\Test] 1\n\"huge\"=\"" + std::string(3 << 20, 'h') +
                     "\"\n\"small\"=\"ok\"\n"));
    EXPECT_FALSE(Get(u"", u"huge"));
    EXPECT_EQ(String(u"small"), u"ok");
}

TEST_F(RegistryFile, BinaryAndHeaderlessFilesGiveNothing) {
    std::mt19937 random(7);
    std::string noise(1 << 16, '\0');
    for (char& c : noise) {
        c = static_cast<char>(random());
    }
    EXPECT_FALSE(Load(noise));  // behind a valid header
    prefix_.WriteSystemReg(noise);
    EXPECT_FALSE(key_.Open("Software\\Test", true));
    prefix_.WriteSystemReg("WINE REGISTRY Version 3\n[Software\\\\Test] 1\n\"a\"=\"b\"\n");
    EXPECT_FALSE(key_.Open("Software\\Test", true));
    prefix_.WriteSystemReg("");
    EXPECT_FALSE(key_.Open("Software\\Test", true));
}

TEST_F(RegistryFile, FifoInPlaceOfTheFileDoesNotBlock) {
    ASSERT_EQ(mkfifo((prefix_.Root() / "system.reg").c_str(), 0600), 0);
    EXPECT_FALSE(key_.Open("Software\\Test", true));
    EXPECT_FALSE(platform::RegistryHasSeparate64BitView());
}

TEST_F(RegistryFile, ViewsOfAWin64Prefix) {
    prefix_.WriteSystemReg(
        TestPrefix::RegFile("[Software\\\\Wow6432Node\\\\Test] 1\n\"view\"=\"32\"\n"
                            "[Software\\\\Test] 1\n\"view\"=\"64\"\n"
                            "[System\\\\Test] 1\n\"view\"=\"shared\"\n"));
    WideString text;
    ASSERT_TRUE(key_.Open("Software\\Test", false));
    ASSERT_TRUE(key_.GetStringValue(u"", u"view", 512, &text));
    EXPECT_EQ(text, u"32");
    ASSERT_TRUE(key_.Open("software\\test", true));
    ASSERT_TRUE(key_.GetStringValue(u"", u"view", 512, &text));
    EXPECT_EQ(text, u"64");
    // Outside Software both views are one.
    ASSERT_TRUE(key_.Open("System\\Test", false));
    ASSERT_TRUE(key_.GetStringValue(u"", u"view", 512, &text));
    EXPECT_EQ(text, u"shared");
    EXPECT_FALSE(key_.Open("Software\\Missing", true));
}

TEST_F(RegistryFile, ArchOptionOnlyBeforeTheFirstKey) {
    prefix_.WriteSystemReg("WINE REGISTRY Version 2\n[Software\\\\Other] 1\n#arch=win32\n");
    EXPECT_TRUE(platform::RegistryHasSeparate64BitView());  // no arch line: a 64-bit prefix
    prefix_.WriteSystemReg("WINE REGISTRY Version 2\n#arch=win32\n");
    EXPECT_FALSE(platform::RegistryHasSeparate64BitView());
}

TEST(RegistryFileParser, ChunkBoundariesDoNotMatter) {
    const std::string text = TestPrefix::RegFile(
        "[Software\\\\Test] 1\r\n\"a\"=\"\\x263a\\\\b\"\n\"bin\"=hex:01,02,\\\n  03\n"
        "[Software\\\\Test\\\\Sub] 2\n@=dword:00000010\n");
    auto parse = [&](size_t chunk) {
        platform::wine::RegistryFileParser parser({u"Software\\Test"});
        for (size_t i = 0; i < text.size(); i += chunk) {
            parser.Feed(std::string_view(text).substr(i, chunk));
        }
        return parser.Finish();
    };
    const auto whole = parse(text.size());
    ASSERT_TRUE(whole.roots.at(0));
    EXPECT_EQ(whole.roots[0]->values.size(), 2u);
    EXPECT_EQ(whole.roots[0]->FindValue(u"bin")->data, (std::vector<uint8_t>{1, 2, 3}));
    for (size_t chunk : {1u, 2u, 3u, 7u, 64u}) {
        const auto pieces = parse(chunk);
        ASSERT_TRUE(pieces.roots.at(0)) << chunk;
        EXPECT_EQ(pieces.roots[0]->FindValue(u"a")->data, whole.roots[0]->FindValue(u"a")->data);
        EXPECT_EQ(pieces.roots[0]->FindValue(u"bin")->data, (std::vector<uint8_t>{1, 2, 3}));
        ASSERT_TRUE(pieces.roots[0]->FindSubkey(u"sub"));
        EXPECT_EQ(pieces.roots[0]->FindSubkey(u"sub")->FindValue(u"")->type, 4u);
    }
}

TEST(RegistryFileParser, SkippedSectionsHideNoKeyAndInventNone) {
    // Each case follows a key outside the root, where the reader passes over whole lines.
    const std::string other = "[Software\\\\Other] 1\n";
    const std::string text = TestPrefix::RegFile(
        other + "\"bin\"=hex:01,\\\n[Software\\\\Test\\\\eaten1] 1\n" + other +
        "\"bin\"=hex(2):01,\\\n  02,\\\n[Software\\\\Test\\\\eaten2] 1\n" + other +
        "\"bin\"=hex:01,\\\r\n[Software\\\\Test\\\\eaten3] 1\r\n" + other +
        "garbage \\\n[Software\\\\Test\\\\afterGarbage] 1\n\"v\"=\"1\"\n" + other +
        "\"s\"=\"x\" \\\n[Software\\\\Test\\\\afterString] 1\n\"v\"=\"2\"\n" + other +
        "[\\x53oftware\\\\Test\\\\escaped] 1\n\"v\"=\"3\"\n" + other +
        " \t[software\\\\TEST\\\\indented] 1\n\"v\"=\"4\"\n" + other +
        "\"v\"=\"[Software\\\\Test\\\\quoted] 1\"\n" + other +
        "[Software\\\\Testing] 1\n\"v\"=\"5\"\n" + other +
        "[Software\\\\Test] 1\n\"last\"=\"6\"\n");
    auto parse = [&](size_t chunk) {
        platform::wine::RegistryFileParser parser({u"Software\\Test"});
        for (size_t i = 0; i < text.size(); i += chunk) {
            parser.Feed(std::string_view(text).substr(i, chunk));
        }
        return parser.Finish();
    };
    for (size_t chunk : {text.size(), size_t{1}, size_t{5}, size_t{13}}) {
        const auto snapshot = parse(chunk);
        const platform::wine::RegistryNode* root = snapshot.roots.at(0).get();
        ASSERT_TRUE(root) << chunk;
        std::vector<WideString> names;
        for (const auto* subkey : root->orderedSubkeys) {
            names.push_back(subkey->name);
            EXPECT_TRUE(subkey->FindValue(u"v")) << chunk;
        }
        EXPECT_EQ(names, (std::vector<WideString>{u"afterGarbage", u"afterString", u"escaped",
                                                  u"indented"}))
            << chunk;
        EXPECT_EQ(root->values.size(), 1u) << chunk;
        EXPECT_TRUE(root->FindValue(u"last")) << chunk;
    }
}

TEST(RegistryFileParser, ManySubkeysStayFast) {
    std::string text = TestPrefix::RegFile("");
    for (int i = 0; i < 100000; ++i) {
        text += "[Software\\\\Test\\\\k" + std::to_string(i) + "] 1\n\"v\"=\"x\"\n";
    }
    platform::wine::RegistryFileParser parser({u"Software\\Test"});
    parser.Feed(text);
    const auto snapshot = parser.Finish();
    ASSERT_TRUE(snapshot.roots.at(0));
    EXPECT_EQ(snapshot.roots[0]->orderedSubkeys.size(), 100000u);
}

}  // namespace
