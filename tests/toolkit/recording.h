// Toolkit objects that record what the router and the timer service call on them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "memory_object.h"
#include "toolkit/LwPanel.h"
#include "toolkit/LwWindow.h"

// What every recorder keeps: the hooks in the order they ran, and the events bound to it.
struct HookLog {
    std::vector<int> mouse;          // OnMouseEvent codes
    std::vector<int> ticks;          // OnTimer tags
    std::vector<std::string> calls;  // other hooks by name
    struct Bound {
        int code;
        LwObject* sender;
        int senderTag;
    };
    std::vector<Bound> bound;  // eventHandler calls received as a target
    int paints = 0;
};

// Overrides every hook of T to record it, keeping T's own behaviour.
template <class T>
class Recording : public T {
  public:
    using T::T;

    HookLog log;
    bool charResult = true;

    void OnBound(int code) { log.bound.push_back({code, this->eventSender, this->eventSenderTag}); }

  protected:
    void OnFirstActivate() override { log.calls.push_back("activate"); }
    void OnDestroy() override { log.calls.push_back("destroy"); }
    void OnSetFocus() override { log.calls.push_back("setfocus"); }
    void OnKillFocus() override { log.calls.push_back("killfocus"); }
    void OnPaint() override {
        ++log.paints;
        T::OnPaint();
    }
    bool OnChar(unsigned c) override {
        log.calls.push_back("char " + std::to_string(c));
        return charResult;
    }
    void OnCaptureChanged() override { log.calls.push_back("capture"); }
    void OnMouseEvent(int code) override { log.mouse.push_back(code); }
    void OnResize() override { log.calls.push_back("resize"); }
    void OnTimer(int tag) override { log.ticks.push_back(tag); }
};

using RecordingMemory = Recording<MemoryObject>;
using RecordingPanel = Recording<LwPanel>;
using RecordingWindow = Recording<LwWindow>;

// A window registered for input preview that records what it sees and may consume one code.
class PreviewWindow : public LwWindow {
  public:
    explicit PreviewWindow(int consumeCode = -1)
        : LwWindow(nullptr, {0, 0}, {50, 50}, "preview", 0), consumeCode_(consumeCode) {
        RegisterInputPreview(this);
    }

    std::vector<std::pair<int, int>> seen;  // (code, value)
    std::vector<LwObject*> senders;

  protected:
    void PreviewInput(LwInputEvent& event) override {
        seen.emplace_back(event.code, event.value);
        senders.push_back(event.sender);
        if (event.code == consumeCode_) {
            event.propagate = false;
        }
    }

  private:
    int consumeCode_;
};
