// Host detection against temporary Wine prefixes: matching, both views, limits and types.
#include <gtest/gtest.h>

#include "app/HostTable.h"
#include "draw/TextConversion.h"
#include "platform/Registry.h"
#include "wine/registry_test_prefix.h"

namespace {

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

HostTable Detect(const TestPrefix& prefix, const std::string& body,
                 const std::string& arch = "win64") {
    prefix.WriteSystemReg(TestPrefix::RegFile(body, arch));
    HostTable table;
    table.DetectAllHosts();
    return table;
}

TEST(HostTableData, SlotsInOrderWithPayloads) {
    const char* labels[] = {"CS3", "CS4", "CS5", "CS5.5", "CS6", "CC", "Custom"};
    const char* keys[] = {"8.0", "9.0", "10.0", "10.5", "11", "12"};
    for (int slot = 0; slot < kHostSlotCount; ++slot) {
        EXPECT_STREQ(kHostSlots[slot].label, labels[slot]);
    }
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        EXPECT_STREQ(kHostSlots[slot].versionKey, keys[slot]);
        EXPECT_EQ(PayloadIdForSlot(slot, 1), slot < 2 ? 300 : 400);
    }
    EXPECT_EQ(kHostSlots[kCustomSlot].versionKey, nullptr);
    EXPECT_EQ(PayloadIdForSlot(kCustomSlot, 0), 300);
    EXPECT_EQ(PayloadIdForSlot(kCustomSlot, 1), 400);
    // Only 0 picks the 32-bit build: any other value is the 64-bit one.
    EXPECT_EQ(PayloadIdForSlot(kCustomSlot, 2), 400);
    EXPECT_EQ(PayloadIdForSlot(kCustomSlot, -1), 400);
    HostTable table;
    EXPECT_EQ(table.customBitness, 0);
    for (int slot = 0; slot < kHostSlotCount; ++slot) {
        EXPECT_FALSE(table.hostSelected[slot]);
        EXPECT_FALSE(table.IsDetected(slot));
    }
}

TEST(HostMatching, AllSixVersionsFound) {
    TestPrefix prefix;
    std::string body;
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        body +=
            TestPrefix::HostKey(kView64Key + "\\\\" + kHostSlots[slot].versionKey,
                                Quoted(std::string("C:\\\\Hosts\\\\") + kHostSlots[slot].label));
    }
    const HostTable table = Detect(prefix, body);
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        EXPECT_EQ(table.hostFolder[slot], std::string("C:\\Hosts\\") + kHostSlots[slot].label);
    }
    EXPECT_TRUE(table.hostFolder[kCustomSlot].empty());
}

TEST(HostMatching, OnlyWholeExactNamesMatch) {
    TestPrefix prefix;
    std::string body;
    for (const char* name : {"11.0", "12.0", "7.0", "13.0", "10.5 ", "10.55", "010.5", "8", "CC"}) {
        body +=
            TestPrefix::HostKey(kView64Key + "\\\\" + name, Quoted(std::string("X:\\\\") + name));
    }
    const HostTable table = Detect(prefix, body);
    for (int slot = 0; slot < kHostSlotCount; ++slot) {
        EXPECT_TRUE(table.hostFolder[slot].empty()) << slot << ": " << table.hostFolder[slot];
    }
}

TEST(HostMatching, KeyPathAndValueNameIgnoreCase) {
    TestPrefix prefix;
    const HostTable table = Detect(prefix,
                                   "[software\\\\ADOBE\\\\after effects\\\\11] 1700000000\n"
                                   "\"plugininstallpath\"=\"C:\\\\cs6\"\n");
    EXPECT_EQ(table.hostFolder[4], "C:\\cs6");
}

TEST(HostViews, SixtyFourBitViewWinsAndThirtyTwoBitOnlyKept) {
    TestPrefix prefix;
    const HostTable table =
        Detect(prefix, TestPrefix::HostKey(kView32Key + "\\\\11", Quoted("C:\\\\x86\\\\CS6")) +
                           TestPrefix::HostKey(kView32Key + "\\\\9.0", Quoted("C:\\\\x86\\\\CS4")) +
                           TestPrefix::HostKey(kView64Key + "\\\\11", Quoted("C:\\\\x64\\\\CS6")));
    EXPECT_EQ(table.hostFolder[4], "C:\\x64\\CS6");
    EXPECT_EQ(table.hostFolder[1], "C:\\x86\\CS4");
}

TEST(HostViews, EachPassReadsItsOwnView) {
    TestPrefix prefix;
    prefix.WriteSystemReg(
        TestPrefix::RegFile(TestPrefix::HostKey(kView32Key + "\\\\12", Quoted("C:\\\\x86")) +
                            TestPrefix::HostKey(kView64Key + "\\\\10.0", Quoted("C:\\\\x64"))));
    HostTable only32;
    only32.DetectHosts(false);
    EXPECT_EQ(only32.hostFolder[5], "C:\\x86");
    EXPECT_TRUE(only32.hostFolder[2].empty());
    HostTable only64;
    only64.DetectHosts(true);
    EXPECT_EQ(only64.hostFolder[2], "C:\\x64");
    EXPECT_TRUE(only64.hostFolder[5].empty());
}

TEST(HostViews, EmptyValueInSecondViewClearsTheSlot) {
    TestPrefix prefix;
    const HostTable table =
        Detect(prefix, TestPrefix::HostKey(kView32Key + "\\\\10.5", Quoted("C:\\\\x86")) +
                           TestPrefix::HostKey(kView64Key + "\\\\10.5", Quoted("")));
    EXPECT_FALSE(table.IsDetected(3));
}

TEST(HostViews, Win32PrefixHasOneViewReadOnce) {
    TestPrefix prefix;
    const HostTable table =
        Detect(prefix,
               TestPrefix::HostKey(kView64Key + "\\\\8.0", Quoted("C:\\\\Adobe\\\\CS3")) +
                   TestPrefix::HostKey(kView32Key + "\\\\8.0", Quoted("C:\\\\never")),
               "win32");
    EXPECT_FALSE(platform::RegistryHasSeparate64BitView());
    EXPECT_EQ(table.hostFolder[0], "C:\\Adobe\\CS3");
}

TEST(HostViews, Win64PrefixHasTwoViews) {
    TestPrefix prefix;
    prefix.WriteSystemReg(TestPrefix::RegFile(""));
    EXPECT_TRUE(platform::RegistryHasSeparate64BitView());
}

TEST(HostLimits, FolderOf255UnitsAcceptedAnd256Skipped) {
    TestPrefix prefix;
    // Counted in UTF-16 units: the astral character takes two.
    const std::string folder255 = "C:\\\\" + std::string(249, 'a') + "\\xd834\\xdd1e" + "z";
    const std::string folder256 = "C:\\\\" + std::string(252, 'b') + "z";
    const HostTable table =
        Detect(prefix, TestPrefix::HostKey(kView64Key + "\\\\11", Quoted(folder255)) +
                           TestPrefix::HostKey(kView64Key + "\\\\12", Quoted(folder256)));
    EXPECT_EQ(Utf8ToWide(table.hostFolder[4]).size(), 255u);
    EXPECT_EQ(table.hostFolder[4].substr(252), "\xF0\x9D\x84\x9Ez");
    EXPECT_FALSE(table.IsDetected(5));
}

TEST(HostTypes, OnlyPlainStringsCount) {
    TestPrefix prefix;
    const std::string k = kView64Key + "\\\\";
    const HostTable table =
        Detect(prefix, TestPrefix::HostKey(k + "8.0", "str(2):\"%ProgramFiles%\\\\CS3\"") +
                           TestPrefix::HostKey(k + "9.0", "dword:00000001") +
                           TestPrefix::HostKey(k + "10.0", "hex:43,00,3a,00,00,00") +
                           TestPrefix::HostKey(k + "10.5", "str(7):\"C:\\\\a\\0C:\\\\b\\0\"") +
                           // A plain string that Wine saved as bytes keeps its type.
                           TestPrefix::HostKey(k + "11", "hex(1):43,00,3a,00,5c,00,00,00") +
                           TestPrefix::HostKey(k + "12", "str:\"C:\\\\cc\""));
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_FALSE(table.IsDetected(slot)) << slot;
    }
    EXPECT_EQ(table.hostFolder[4], "C:\\");
    EXPECT_EQ(table.hostFolder[5], "C:\\cc");
}

TEST(HostTypes, MissingValueOrKeySkipped) {
    TestPrefix prefix;
    const HostTable table =
        Detect(prefix, "[" + kView64Key + "\\\\11] 1700000000\n\"InstallPath\"=\"C:\\\\x\"\n\n[" +
                           kView64Key +
                           "\\\\12\\\\Extra] 1700000000\n\"PluginInstallPath\"=\"C:\\\\y\"\n");
    for (int slot = 0; slot < kHostSlotCount; ++slot) {
        EXPECT_FALSE(table.IsDetected(slot));
    }
}

TEST(HostFolders, NonAsciiFolderSurvivesBothConversions) {
    TestPrefix prefix;
    // Wine writes characters outside ASCII as \x escapes, padded when a hex digit follows.
    const HostTable table = Detect(
        prefix, TestPrefix::HostKey(kView64Key + "\\\\11",
                                    Quoted("C:\\\\Programme\\\\\\x00dcber \\x263a\\\\\\xd83d\\xde00"
                                           "\\x00e9a \\x65e5\\x672c")));
    const platform::WideString expected =
        u"C:\\Programme\\\u00DCber \u263A\\\U0001F600\u00E9a "
        u"\u65E5\u672C";
    EXPECT_EQ(table.hostFolder[4],
              "C:\\Programme\\\u00DCber \u263A\\\U0001F600\u00E9a \u65E5\u672C");
    EXPECT_EQ(Utf8ToWide(table.hostFolder[4]), expected);
}

TEST(HostDetectionFailures, MissingOrForeignRegistryFindsNothing) {
    TestPrefix prefix;
    HostTable table;
    table.DetectAllHosts();  // no system.reg at all
    prefix.WriteSystemReg("REGEDIT4\n" +
                          TestPrefix::HostKey(kView64Key + "\\\\11", Quoted("C:\\\\x")));
    table.DetectAllHosts();
    for (int slot = 0; slot < kHostSlotCount; ++slot) {
        EXPECT_FALSE(table.IsDetected(slot));
    }
}

TEST(HostDetectionFailures, CustomSlotAndEarlierResultsUntouchedByMissingKey) {
    TestPrefix prefix;
    prefix.WriteSystemReg(TestPrefix::RegFile("[Software\\\\Other] 1\n\"a\"=\"b\"\n"));
    HostTable table;
    table.hostFolder[kCustomSlot] = "/home/user/plugins";
    table.hostFolder[4] = "C:\\kept";
    table.DetectAllHosts();
    EXPECT_EQ(table.hostFolder[kCustomSlot], "/home/user/plugins");
    EXPECT_EQ(table.hostFolder[4], "C:\\kept");
}

}  // namespace
