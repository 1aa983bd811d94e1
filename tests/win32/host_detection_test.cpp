// Host detection in the registry of a Wine prefix, with the keys written by the system's own
// reg tool into the 32-bit (/reg:32) and 64-bit (/reg:64) views.
#include <gtest/gtest.h>

#include "app/HostTable.h"
#include "draw/TextConversion.h"
#include "platform/Registry.h"
#include "win32_test_support.h"

namespace {

const std::wstring kHostsKey = L"HKLM\\SOFTWARE\\Adobe\\After Effects";

// One argument for reg.exe's command line, quoted so that it arrives unchanged.
std::wstring Quote(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        backslashes = c == L'\\' ? backslashes + 1 : 0;
        quoted += c;
    }
    quoted.append(backslashes, L'\\');  // a trailing backslash must not escape the quote
    return quoted + L"\"";
}

// reg add of one value in one view ("32" or "64"); the tool's exit code.
int RegAdd(const std::string& view, const std::string& version, const std::string& type,
           const std::string& data, const std::string& valueName = "PluginInstallPath") {
    const std::wstring line = L"reg.exe add " + Quote(kHostsKey + L"\\" + Utf8ToWide(version)) +
                              L" /v " + Quote(Utf8ToWide(valueName)) + L" /t " + Utf8ToWide(type) +
                              L" /d " + Quote(Utf8ToWide(data)) + L" /f /reg:" + Utf8ToWide(view);
    return wintest::Run(line);
}

void AddHost(const std::string& view, const std::string& version, const std::string& folder) {
    ASSERT_EQ(RegAdd(view, version, "REG_SZ", folder), 0) << view << " " << version;
}

class HostDetectionWindows : public ::testing::Test {
  protected:
    void SetUp() override { DeleteHosts(); }
    void TearDown() override { DeleteHosts(); }
    static void DeleteHosts() {
        for (const wchar_t* view : {L"32", L"64"}) {
            wintest::Run(L"reg.exe delete " + Quote(kHostsKey) + L" /f /reg:" + view);
        }
    }
    static HostTable DetectAll() {
        HostTable table;
        table.DetectAllHosts();
        return table;
    }
};

TEST_F(HostDetectionWindows, TheTwoViewsAreSeparateAndTheSixtyFourBitOneWins) {
    EXPECT_TRUE(platform::RegistryHasSeparate64BitView());
    AddHost("32", "9.0", "C:\\x86\\CS4");
    AddHost("32", "11", "C:\\x86\\CS6");
    AddHost("64", "11", "C:\\x64\\CS6");
    AddHost("64", "10.0", "C:\\x64\\CS5");

    HostTable only32;
    only32.DetectHosts(false);
    EXPECT_EQ(only32.hostFolder[1], "C:\\x86\\CS4");
    EXPECT_EQ(only32.hostFolder[4], "C:\\x86\\CS6");
    EXPECT_FALSE(only32.IsDetected(2));

    HostTable only64;
    only64.DetectHosts(true);
    EXPECT_EQ(only64.hostFolder[4], "C:\\x64\\CS6");
    EXPECT_EQ(only64.hostFolder[2], "C:\\x64\\CS5");
    EXPECT_FALSE(only64.IsDetected(1));

    const HostTable both = DetectAll();
    EXPECT_EQ(both.hostFolder[1], "C:\\x86\\CS4");
    EXPECT_EQ(both.hostFolder[2], "C:\\x64\\CS5");
    EXPECT_EQ(both.hostFolder[4], "C:\\x64\\CS6");
}

TEST_F(HostDetectionWindows, AllSixVersionsAndNoOtherNames) {
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        AddHost(slot % 2 ? "32" : "64", kHostSlots[slot].versionKey,
                std::string("C:\\Hosts\\") + kHostSlots[slot].label);
    }
    for (const char* name : {"11.0", "12.0", "7.0", "13.0", "10.55", "010.5", "8", "CC"}) {
        AddHost("64", name, std::string("X:\\") + name);
    }
    const HostTable table = DetectAll();
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        EXPECT_EQ(table.hostFolder[slot], std::string("C:\\Hosts\\") + kHostSlots[slot].label);
    }
    EXPECT_FALSE(table.IsDetected(kCustomSlot));
}

TEST_F(HostDetectionWindows, EmptyValueInTheSixtyFourBitViewClearsTheSlot) {
    AddHost("32", "10.5", "C:\\x86");
    ASSERT_EQ(RegAdd("64", "10.5", "REG_SZ", ""), 0);
    EXPECT_FALSE(DetectAll().IsDetected(3));
}

TEST_F(HostDetectionWindows, FolderOf255UnitsAcceptedAnd256Skipped) {
    // Counted in UTF-16 units: the astral character takes two.
    const std::string folder255 = "C:\\" + std::string(249, 'a') + "\xF0\x9D\x84\x9E" + "z";
    const std::string folder256 = "C:\\" + std::string(252, 'b') + "z";
    ASSERT_EQ(Utf8ToWide(folder255).size(), 255u);
    ASSERT_EQ(Utf8ToWide(folder256).size(), 256u);
    AddHost("64", "11", folder255);
    AddHost("64", "12", folder256);
    const HostTable table = DetectAll();
    EXPECT_EQ(table.hostFolder[4], folder255);
    EXPECT_FALSE(table.IsDetected(5));
}

TEST_F(HostDetectionWindows, OnlyPlainStringsCount) {
    ASSERT_EQ(RegAdd("64", "8.0", "REG_EXPAND_SZ", "%SystemRoot%\\CS3"), 0);
    ASSERT_EQ(RegAdd("64", "9.0", "REG_DWORD", "1"), 0);
    ASSERT_EQ(RegAdd("64", "10.0", "REG_BINARY", "43003a000000"), 0);
    ASSERT_EQ(RegAdd("64", "10.5", "REG_MULTI_SZ", "C:\\a\\0C:\\b"), 0);
    ASSERT_EQ(RegAdd("64", "11", "REG_SZ", "C:\\x", "InstallPath"), 0);  // another value name
    AddHost("64", "12", "C:\\cc");
    const HostTable table = DetectAll();
    for (int slot = 0; slot < 5; ++slot) {
        EXPECT_FALSE(table.IsDetected(slot)) << slot << ": " << table.hostFolder[slot];
    }
    EXPECT_EQ(table.hostFolder[5], "C:\\cc");
}

TEST_F(HostDetectionWindows, NonAsciiFolderSurvivesBothConversions) {
    const std::string folder = "C:\\Programme\\\u00DCber \u263A\\\U0001F600\u00E9a \u65E5\u672C";
    AddHost("32", "11", folder);
    const HostTable table = DetectAll();
    EXPECT_EQ(table.hostFolder[4], folder);
    EXPECT_EQ(Utf8ToWide(table.hostFolder[4]),
              L"C:\\Programme\\\u00DCber \u263A\\\U0001F600\u00E9a \u65E5\u672C");
}

TEST_F(HostDetectionWindows, MissingKeyFindsNothingAndLeavesEarlierResults) {
    HostTable table;
    table.hostFolder[kCustomSlot] = "D:/Plugins";
    table.hostFolder[4] = "C:\\kept";
    table.DetectAllHosts();
    EXPECT_EQ(table.hostFolder[kCustomSlot], "D:/Plugins");
    EXPECT_EQ(table.hostFolder[4], "C:\\kept");
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        EXPECT_EQ(table.IsDetected(slot), slot == 4) << slot;
    }
}

}  // namespace
