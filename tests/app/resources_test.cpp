// Embedded payloads: found by type and id, exact sizes, the build's bytes, in read-only data.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/Resources.h"
#include "support/worker_test_support.h"

namespace {

// The permissions and path of the mapping that holds `address`.
std::pair<std::string, std::string> MappingOf(const void* address) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    const auto at = reinterpret_cast<uintptr_t>(address);
    while (std::getline(maps, line)) {
        std::istringstream fields(line);
        uintptr_t start = 0, end = 0;
        char dash = 0;
        std::string permissions, offset, device, inode, path;
        fields >> std::hex >> start >> dash >> end >> permissions >> offset >> device >> inode;
        std::getline(fields >> std::ws, path);
        if (at >= start && at < end) {
            return {permissions, path};
        }
    }
    return {};
}

TEST(EmbeddedResources, PayloadsHaveTheirSizes) {
    platform::ResourceBlock build32, build64;
    ASSERT_TRUE(platform::FindResource(platform::kResourceTypeRcData, 300, &build32));
    ASSERT_TRUE(platform::FindResource(platform::kResourceTypeRcData, 400, &build64));
    EXPECT_EQ(build32.size, 4665344u);
    EXPECT_EQ(build64.size, 4838400u);
    EXPECT_NE(std::string(reinterpret_cast<const char*>(build32.data), 4096),
              std::string(reinterpret_cast<const char*>(build64.data), 4096));
}

TEST(EmbeddedResources, UnknownTypeOrIdIsNotFound) {
    platform::ResourceBlock block;
    EXPECT_FALSE(platform::FindResource(platform::kResourceTypeRcData, 301, &block));
    EXPECT_FALSE(platform::FindResource(3, 300, &block));
    EXPECT_EQ(block.data, nullptr);
}

// Found where the executable maps its read-only data: never copied.
TEST(EmbeddedResources, BlocksLieInTheExecutablesReadOnlyData) {
    platform::ResourceBlock block;
    ASSERT_TRUE(platform::FindResource(platform::kResourceTypeRcData, 400, &block));
    const auto [first, firstPath] = MappingOf(block.data);
    const auto [last, lastPath] = MappingOf(block.data + block.size - 1);
    EXPECT_EQ(first, "r--p");
    EXPECT_EQ(last, "r--p");
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    EXPECT_EQ(firstPath, self);
    EXPECT_EQ(lastPath, self);
}

// The stand-ins are what the build generated (unless real payloads were named instead).
TEST(EmbeddedResources, ContentIsTheGeneratedFile) {
    for (const auto& [id, name] : {std::pair{300, "payload32.bin"}, {400, "payload64.bin"}}) {
        const auto file =
            workertest::ReadFile(std::string(KESTREL_GENERATED_RESOURCE_DIR) + "/" + name);
        if (!file) {
            GTEST_SKIP() << "real payloads are embedded";
        }
        platform::ResourceBlock block;
        ASSERT_TRUE(platform::FindResource(platform::kResourceTypeRcData, id, &block));
        EXPECT_TRUE(*file == std::string(reinterpret_cast<const char*>(block.data), block.size));
        EXPECT_EQ(file->compare(0, 2, "MZ"), 0);
    }
}

}  // namespace
