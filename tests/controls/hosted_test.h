// The control tests' fixture: a host window of the test's own class, shown on the test server
// with the controls the test adds, and the pointer parked where no control starts out hovered.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "support/XTestHarness.h"

template <class HostWindow>
class HostedTest : public testsupport::GuiTest {
  protected:
    void SetUp() override {
        GuiTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        testsupport::ParkPointer();
        host_ = std::make_unique<HostWindow>();
        Track(host_->GetNativeWindow());
        AddControls();
        host_->Show(true);
        ASSERT_TRUE(testsupport::WaitUntilViewable(host_->GetNativeWindow()));
    }
    void TearDown() override {
        host_.reset();
        GuiTest::TearDown();
    }

    // Builds what every test of the fixture needs in the host, before it is shown.
    virtual void AddControls() {}

    std::unique_ptr<HostWindow> host_;
};
