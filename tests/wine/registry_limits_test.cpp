// A system.reg built to exhaust the reader: nesting that would overflow a recursive walk, and
// more keys or values than any prefix holds, are refused with a reason and nothing kept.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/Registry.h"
#include "platform/wine/registry_file.h"
#include "wine/registry_test_prefix.h"

namespace {

using platform::wine::RegistryFileParser;
using platform::wine::RegistryLimit;
using platform::wine::RegistrySnapshot;

std::string NestedKey(size_t extraComponents) {
    std::string path = kView64Key;
    for (size_t i = 0; i < extraComponents; ++i) {
        path += "\\\\a";
    }
    return path;
}

RegistrySnapshot Parse(const std::string& body) {
    RegistryFileParser parser({u"Software\\Adobe\\After Effects"});
    parser.Feed(TestPrefix::RegFile(body));
    return parser.Finish();
}

TEST(RegistryLimits, DeepNestingIsRefusedQuicklyWithoutCrashing) {
    TestPrefix prefix;
    prefix.WriteSystemReg(
        TestPrefix::RegFile(TestPrefix::HostKey(kView64Key + "\\\\12", "\"C:\\\\P\"") + "[" +
                            NestedKey(340000) + "] 1\n\"v\"=\"x\"\n"));
    const auto start = std::chrono::steady_clock::now();
    platform::RegistryKey key;
    EXPECT_FALSE(key.Open("Software\\Adobe\\After Effects", true));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_NE(platform::RegistryReadProblem().find("nested more than 512 levels deep"),
              std::string::npos)
        << platform::RegistryReadProblem();
}

TEST(RegistryLimits, NestingUpToTheLimitIsReadAndFreed) {
    const size_t rootDepth = 3;  // Software\Adobe\After Effects
    const auto deepest = Parse("[" + NestedKey(platform::wine::kMaxKeyDepth - rootDepth) +
                               "] 1\n\"v\"=dword:00000007\n");
    ASSERT_EQ(deepest.exceeded, RegistryLimit::kNone);
    const platform::wine::RegistryNode* node = deepest.roots.at(0).get();
    size_t levels = 0;
    while (node != nullptr && node->orderedSubkeys.size() == 1) {
        node = node->orderedSubkeys[0];
        ++levels;
    }
    EXPECT_EQ(levels, platform::wine::kMaxKeyDepth - rootDepth);
    ASSERT_NE(node->FindValue(u"v"), nullptr);

    const auto deeper =
        Parse("[" + NestedKey(platform::wine::kMaxKeyDepth - rootDepth + 1) + "] 1\n");
    EXPECT_EQ(deeper.exceeded, RegistryLimit::kKeyDepth);
    EXPECT_EQ(deeper.roots.at(0), nullptr);
}

TEST(RegistryLimits, TooManyKeysAreRefused) {
    std::string body;
    for (size_t i = 0; i < platform::wine::kMaxKeys; ++i) {
        body += "[" + kView64Key + "\\\\" + std::to_string(i) + "] 1\n";
    }
    EXPECT_EQ(Parse(body).exceeded, RegistryLimit::kKeys);  // with the root, one too many
}

TEST(RegistryLimits, ValuesPastTheirBudgetAreRefused) {
    const std::string value = "\"v\"=\"" + std::string(1 << 20, 'x').substr(64) + "\"\n";
    std::string body;
    for (size_t i = 0; body.size() < platform::wine::kMaxValueBytes; ++i) {
        body += "[" + kView64Key + "\\\\" + std::to_string(i) + "] 1\n" + value;
    }
    const RegistrySnapshot over = Parse(body);
    EXPECT_EQ(over.exceeded, RegistryLimit::kValueBytes);
    EXPECT_EQ(over.roots.at(0), nullptr);
}

}  // namespace
