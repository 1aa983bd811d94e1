// The keys of a registry file: which lines fall under the roots asked for, and the tree of
// subkeys and values kept for them.
#include "platform/wine/registry_file.h"

#include "platform/wine/registry_text.h"
#include "platform/wine/wine_prefix.h"

namespace platform::wine {
namespace {

bool SplitKeyPath(const WideString& path, std::vector<WideString>* components) {
    size_t start = 0;
    for (;;) {
        const size_t stop = path.find(u'\\', start);
        WideString component = path.substr(start, stop - start);
        if (component.empty()) {
            return false;
        }
        components->push_back(std::move(component));
        if (stop == WideString::npos) {
            return true;
        }
        start = stop + 1;
    }
}

void OrderSubkeys(RegistryNode* root) {
    std::vector<RegistryNode*> unordered{root};
    while (!unordered.empty()) {
        RegistryNode* node = unordered.back();
        unordered.pop_back();
        node->orderedSubkeys.clear();
        node->orderedSubkeys.reserve(node->subkeys.size());
        for (auto& entry : node->subkeys) {
            node->orderedSubkeys.push_back(entry.second.get());
            unordered.push_back(entry.second.get());
        }
    }
}

}  // namespace

RegistryNode::~RegistryNode() {
    // Each node taken apart here has no subkeys left when it dies, so no destructor nests.
    std::vector<std::unique_ptr<RegistryNode>> detached;
    for (auto& entry : subkeys) {
        if (entry.second) {
            detached.push_back(std::move(entry.second));
        }
    }
    while (!detached.empty()) {
        std::unique_ptr<RegistryNode> node = std::move(detached.back());
        detached.pop_back();
        for (auto& entry : node->subkeys) {
            detached.push_back(std::move(entry.second));
        }
    }
}

const RegistryNode* RegistryNode::FindSubkey(WideStringView subkeyName) const {
    const auto found = subkeys.find(UpperCased(subkeyName));
    return found != subkeys.end() ? found->second.get() : nullptr;
}

const RegistryValue* RegistryNode::FindValue(WideStringView valueName) const {
    const auto found = values.find(UpperCased(valueName));
    return found != values.end() ? &found->second : nullptr;
}

RegistryFileParser::RegistryFileParser(const std::vector<WideString>& rootPaths) {
    for (const WideString& path : rootPaths) {
        Root root;
        SplitKeyPath(path, &root.components);
        root.folded = UpperCased(path);
        root.written = WrittenKeyPath(root.folded);
        roots_.push_back(std::move(root));
    }
}

RegistryFileParser::~RegistryFileParser() = default;

void RegistryFileParser::GiveUp(RegistryLimit limit) {
    snapshot_.exceeded = limit;
    currentKey_ = nullptr;
    inContinuation_ = false;
    continuedValue_.clear();
    for (Root& root : roots_) {
        root.node.reset();
    }
}

void RegistryFileParser::HandOverRoots() {
    for (Root& root : roots_) {
        if (root.node) {
            OrderSubkeys(root.node.get());
        }
        snapshot_.roots.push_back(std::move(root.node));
    }
    roots_.clear();
}

void RegistryFileParser::TakeKeyLine(std::string_view line) {
    seenKey_ = true;
    currentKey_ = nullptr;
    if (roots_.empty()) {
        return;
    }
    // Most keys of a large file lie elsewhere: compare with the roots while decoding, without
    // keeping anything, and stop as soon as none of them can match.
    const char* p = line.data();
    const char* end = p + line.size();
    uint64_t alive = roots_.size() >= 64 ? ~uint64_t{0} : (uint64_t{1} << roots_.size()) - 1;
    for (size_t index = 0;; ++index) {
        char32_t c = 0;
        const Step step = NextCharacter(p, end, ']', &c);
        if (step == Step::kBroken) {
            return;
        }
        if (step == Step::kDelimiter) {
            break;
        }
        bool rootReached = false;
        for (size_t r = 0; r < roots_.size() && r < 64; ++r) {
            const std::u32string& folded = roots_[r].folded;
            if ((alive >> r & 1) == 0) {
                continue;
            }
            if (index == folded.size() && c == '\\') {
                rootReached = true;
            } else if (index >= folded.size() || folded[index] != UpperCase(c)) {
                alive &= ~(uint64_t{1} << r);
            }
        }
        if (rootReached) {
            break;
        }
        if (alive == 0) {
            return;
        }
    }
    WideString path;
    p = line.data();
    if (!DecodeString(p, end, ']', &path)) {
        return;
    }
    std::vector<WideString> components;
    if (!SplitKeyPath(path, &components)) {
        return;
    }
    if (components.size() > kMaxKeyDepth) {
        GiveUp(RegistryLimit::kKeyDepth);
        return;
    }
    for (Root& root : roots_) {
        const size_t depth = root.components.size();
        if (components.size() < depth) {
            continue;
        }
        bool matches = true;
        for (size_t i = 0; i < depth && matches; ++i) {
            matches = EqualIgnoringCase(components[i], root.components[i]);
        }
        if (!matches) {
            continue;
        }
        if (!root.node) {
            root.node = std::make_unique<RegistryNode>();
            root.node->name = root.components.empty() ? WideString() : root.components.back();
            ++keysKept_;
        }
        RegistryNode* node = root.node.get();
        for (size_t i = depth; i < components.size(); ++i) {
            std::unique_ptr<RegistryNode>& child = node->subkeys[UpperCased(components[i])];
            if (!child) {
                child = std::make_unique<RegistryNode>();
                child->name = components[i];
                ++keysKept_;
            }
            node = child.get();
        }
        if (keysKept_ > kMaxKeys) {
            GiveUp(RegistryLimit::kKeys);
            return;
        }
        currentKey_ = node;
        return;
    }
}

}  // namespace platform::wine
