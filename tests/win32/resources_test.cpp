// The executable's resources: the payloads with their sizes in the mapped image, the artwork
// and licence, the icon group, the manifest and the version.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

#include "app/Version.h"
#include "draw/TextConversion.h"
#include "platform/Resources.h"
#include "win32_test_support.h"

namespace {

std::string_view Bytes(const platform::ResourceBlock& block) {
    return {reinterpret_cast<const char*>(block.data), block.size};
}

platform::ResourceBlock Find(int type, int id) {
    platform::ResourceBlock block;
    EXPECT_TRUE(platform::FindResource(type, id, &block)) << type << " " << id;
    return block;
}

TEST(ResourcesWindows, PayloadsHaveTheirSizesAndLieInTheMappedImage) {
    const platform::ResourceBlock build32 = Find(platform::kResourceTypeRcData, 300);
    const platform::ResourceBlock build64 = Find(platform::kResourceTypeRcData, 400);
    EXPECT_EQ(build32.size, 4665344u);
    EXPECT_EQ(build64.size, 4838400u);
    EXPECT_NE(Bytes(build32).substr(0, 4096), Bytes(build64).substr(0, 4096));
    for (const auto& block : {build32, build64}) {
        for (const uint8_t* at : {block.data, block.data + block.size - 1}) {
            MEMORY_BASIC_INFORMATION region{};
            ASSERT_NE(VirtualQuery(at, &region, sizeof region), 0u);
            EXPECT_EQ(region.Type, static_cast<DWORD>(MEM_IMAGE));
            // GNU ld marks the resource section writable: its pages are then copy-on-write,
            // still the file's own until written.
            EXPECT_TRUE(region.Protect == PAGE_READONLY || region.Protect == PAGE_WRITECOPY)
                << region.Protect;
            EXPECT_EQ(region.AllocationBase, GetModuleHandleW(nullptr));
        }
    }
}

TEST(ResourcesWindows, ContentIsTheGeneratedFile) {
    for (const auto& [id, name] : {std::pair{300, "payload32.bin"}, {400, "payload64.bin"}}) {
        // The build folder as Wine's drive Z: shows this machine's root.
        const auto file =
            wintest::ReadFile(std::string("Z:") + KESTREL_GENERATED_RESOURCE_DIR + "/" + name);
        if (!file) {
            GTEST_SKIP() << "real payloads are embedded, or the build folder is not on Z:";
        }
        EXPECT_TRUE(*file == Bytes(Find(platform::kResourceTypeRcData, id)));
        EXPECT_EQ(file->compare(0, 2, "MZ"), 0);
    }
}

TEST(ResourcesWindows, ArtworkLicenceIconManifestAndVersion) {
    for (int id : {500, 501, 502}) {
        EXPECT_EQ(Bytes(Find(platform::kResourceTypeRcData, id)).substr(0, 8), "\x89PNG\r\n\x1A\n")
            << id;
    }
    // The icon's images as pixels are for X desktops: here the icon group carries them.
    EXPECT_FALSE(platform::FindResource(platform::kResourceTypeRcData, 510, nullptr));
    EXPECT_EQ(Bytes(Find(platform::kResourceTypeRcData, 600)).substr(0, 5), "{\\rtf");

    // Icon group 101: a directory of seven images, each an icon resource of its own.
    const platform::ResourceBlock group = Find(14, 101);
    ASSERT_GE(group.size, 6u);
    uint16_t count = 0;
    std::memcpy(&count, group.data + 4, sizeof count);
    EXPECT_EQ(count, 7);
    ASSERT_EQ(group.size, 6u + 14u * count);
    for (int i = 0; i < count; ++i) {
        uint16_t iconId = 0;
        std::memcpy(&iconId, group.data + 6 + 14 * i + 12, sizeof iconId);
        EXPECT_TRUE(platform::FindResource(3, iconId, nullptr)) << iconId;
    }

    // The version as the crash dumps carry it: major.minor.build.
    const std::string fileVersion = std::to_string(kVersionMajor) + "." +
                                    std::to_string(kVersionMinor) + "." +
                                    std::to_string(kVersionBuild);
    const std::string_view manifest = Bytes(Find(24, 1));
    for (const std::string& part :
         {std::string("level=\"asInvoker\""), std::string("{e2011457-1546-43c5-a5fe-008deee3d3f0}"),
          std::string("{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"),
          std::string("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
          "Installer\" version=\"" + fileVersion + ".0\""}) {
        EXPECT_NE(manifest.find(part), std::string_view::npos) << part;
    }

    const std::string_view version = Bytes(Find(16, 1));
    const char signature[] = {'\xBD', '\x04', '\xEF', '\xFE'};
    const size_t fixed = version.find(std::string_view(signature, 4));
    ASSERT_NE(fixed, std::string_view::npos);
    VS_FIXEDFILEINFO info{};
    ASSERT_LE(fixed + sizeof info, version.size());
    std::memcpy(&info, version.data() + fixed, sizeof info);
    EXPECT_EQ(info.dwFileVersionMS, (1u << 16) | 6u);
    EXPECT_EQ(info.dwFileVersionLS, 480u << 16);
    EXPECT_EQ(info.dwProductVersionMS, info.dwFileVersionMS);
    EXPECT_EQ(info.dwProductVersionLS, info.dwFileVersionLS);
    // The same in the texts that Explorer shows among the file's properties, read as it reads them.
    wchar_t path[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    std::string block(GetFileVersionInfoSizeW(path, nullptr), '\0');
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, static_cast<DWORD>(block.size()), block.data()));
    for (const wchar_t* name : {L"\\StringFileInfo\\040904B0\\FileVersion",
                                L"\\StringFileInfo\\040904B0\\ProductVersion"}) {
        void* value = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(block.data(), name, &value, &length));
        EXPECT_EQ(WideToUtf8(static_cast<const wchar_t*>(value)), fileVersion);
    }
}

TEST(ResourcesWindows, UnknownTypeOrIdIsNotFound) {
    platform::ResourceBlock block;
    EXPECT_FALSE(platform::FindResource(platform::kResourceTypeRcData, 301, &block));
    EXPECT_FALSE(platform::FindResource(3, 300, &block));
    EXPECT_EQ(block.data, nullptr);
}

}  // namespace
