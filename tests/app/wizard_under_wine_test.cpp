// The Windows build of the installer as a user meets it under Wine: started over a prefix that
// Wine made, with hosts registered by Wine's own reg in both views, clicked through from outside
// with XTest, its files and exit code checked. Runs when the Windows build is given
// (KESTREL_WINDOWS_INSTALLER, with KESTREL_WINE_TEMPLATE the prefix to copy).
#include <gtest/gtest.h>

#include <cstdlib>

#include "wizard_program.h"

namespace {

using namespace wizardtest;

class WizardUnderWine : public WizardProgram {
  protected:
    void SetUp() override {
        WizardProgram::SetUp();
        program_ = Environment("KESTREL_WINDOWS_INSTALLER");
        template_ = Environment("KESTREL_WINE_TEMPLATE");
        if (program_.empty() || template_.empty()) {
            GTEST_SKIP() << "no Windows build given";
        }
    }
    std::unique_ptr<HostPrefix> MakePrefix(const std::vector<Host>& hosts) override {
        return std::make_unique<HostPrefix>(hosts, template_);
    }
    std::vector<std::string> Command() override { return {kWineLoader, program_, "/UAC"}; }

    static std::string Environment(const char* name) {
        const char* value = std::getenv(name);
        return value ? value : "";
    }

    std::string program_;
    std::string template_;
};

TEST_F(WizardUnderWine, ClickedThroughItInstallsBothViewsAndExitsZero) {
    Start({{1, false, HostFolder(1)}, {5, true, HostFolder(5)}});
    ClickThroughToInstallation();
    ExpectBothViewsInstalledThenFinishExitsZero();
}

TEST_F(WizardUnderWine, DrivenByKeysAloneItInstallsBothViewsAndExitsZero) {
    Start({{1, false, HostFolder(1)}, {5, true, HostFolder(5)}});
    KeyThroughInstallationThenExitZero();
}

}  // namespace
