// A toolkit object without a native window that keeps its geometry in memory, for layout and
// tree tests that need no server.
#pragma once

#include <string>
#include <vector>

#include "toolkit/LwObject.h"

class MemoryObject : public LwObject {
  public:
    explicit MemoryObject(LwObject* parent, LwSize size = {},
                          std::vector<std::string>* log = nullptr, std::string name = {})
        : LwObject(parent), size_(size), log_(log), name_(std::move(name)) {}
    ~MemoryObject() override {
        if (log_) {
            log_->push_back(name_);
        }
    }

    LwPoint GetPosition() override { return position_; }
    void SetPosition(const LwPoint& position) override { position_ = position; }
    LwSize GetSize() override { return size_; }
    void SetSize(const LwSize& size) override { size_ = size; }

    LwRect Bounds() const { return LwRect{position_.x, position_.y, size_.width, size_.height}; }

  private:
    LwPoint position_{};
    LwSize size_;
    std::vector<std::string>* log_;
    std::string name_;
};
