// Reader of the registry files Wine keeps in a prefix (system.reg), limited to chosen subtrees
// so that a file of many megabytes is read in one quick pass.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Unicode.h"
#include "platform/wine/registry_values.h"

namespace platform::wine {

// What the reader keeps is bounded, so that a hostile file cannot exhaust the stack or memory.
// A freshly made prefix's system.reg has 15,864 keys at most 9 levels deep and about 6 MB of
// values as charged below, for the whole file; the reader keeps only the subtrees asked for.
inline constexpr size_t kMaxKeyDepth = 512;  // components of a key path
inline constexpr size_t kMaxKeys = 200'000;
// Each value is charged its line's bytes and what its entry costs beside them.
inline constexpr size_t kValueEntryBytes = 128;
inline constexpr size_t kMaxValueBytes = 32 << 20;

enum class RegistryLimit { kNone, kKeyDepth, kKeys, kValueBytes };

struct RegistryNode {
    RegistryNode() = default;
    RegistryNode(const RegistryNode&) = delete;
    RegistryNode& operator=(const RegistryNode&) = delete;
    ~RegistryNode();  // frees the subtree without recursion, however deep

    WideString name;
    // Both keyed by the upper-cased name, as names compare without case.
    std::map<std::u32string, std::unique_ptr<RegistryNode>> subkeys;
    std::map<std::u32string, RegistryValue> values;
    std::vector<const RegistryNode*> orderedSubkeys;  // the subkeys by index, once read

    const RegistryNode* FindSubkey(WideStringView subkeyName) const;
    const RegistryValue* FindValue(WideStringView valueName) const;
};

enum class PrefixArch { kUnknown, kWin32, kWin64 };

struct RegistrySnapshot {
    bool recognised = false;  // the file starts with Wine's registry header
    PrefixArch arch = PrefixArch::kUnknown;
    // Past a limit the reading stops and every root is null.
    RegistryLimit exceeded = RegistryLimit::kNone;
    // One per root path asked for; null when the file has no key at or below that path.
    std::vector<std::unique_ptr<RegistryNode>> roots;
};

// Takes the file's bytes in chunks of any size. Lines that break the format are skipped, as
// Wine skips them, and the rest is read.
class RegistryFileParser {
  public:
    // `rootPaths`: key paths relative to the file's root, e.g. u"Software\\Adobe".
    // At most 64 of them.
    explicit RegistryFileParser(const std::vector<WideString>& rootPaths);
    ~RegistryFileParser();

    void Feed(std::string_view bytes);
    RegistrySnapshot Finish();

  private:
    bool CanSkip() const;
    size_t SkipUninterestingLines(std::string_view bytes);
    bool RejectsKeyQuickly(const char* path, const char* end) const;
    void AppendPending(std::string_view piece);
    void FlushPending();
    void StartDiscarding(std::string_view lineStart);
    void TakeOverlongLine();
    void TakeLine(std::string_view line);
    void TakeKeyLine(std::string_view line);
    void TakeValueLine(std::string_view line);
    void TakeValue(std::string_view line);  // a whole value, continued lines joined
    void TakeGlobalOption(std::string_view line);
    void HandOverRoots();  // into the snapshot, subkeys in order
    void GiveUp(RegistryLimit limit);

    struct Root {
        std::vector<WideString> components;
        std::u32string folded;  // the path upper-cased, code point by code point
        std::string written;    // `folded` as a key line writes it; empty when that needs escapes
        std::unique_ptr<RegistryNode> node;
    };
    std::vector<Root> roots_;
    RegistrySnapshot snapshot_;

    bool headerRead_ = false;
    bool seenKey_ = false;
    RegistryNode* currentKey_ = nullptr;  // null outside a key of interest
    std::string pending_;                 // a line split across chunks
    bool discardingLongLine_ = false;
    char discardedLineStart_ = '\0';
    bool inContinuation_ = false;  // the last value line asked for the next line
    std::string continuedValue_;   // a multi-line value of interest, joined
    size_t plainBytes_ = 0;        // to read line by line before skipping again
    size_t keysKept_ = 0;
    size_t valueBytesKept_ = 0;  // as charged against kMaxValueBytes
};

}  // namespace platform::wine
