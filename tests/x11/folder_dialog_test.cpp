// The folder chooser over a real owner window, with stand-in dialog tools as the only dialog tools.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>

#include <fstream>

#include "platform/FolderDialog.h"
#include "platform/x11/x11_access.h"
#include "recorder.h"
#include "support/StandInTools.h"

namespace platformtest {
namespace {

using testsupport::StandInTools;

constexpr char kTitle[] = "Custom Folder";

class FolderChooser : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        owner = MakeTopLevel(ownerLog);
        ShowAndSettle(owner, ownerLog);
    }
    std::string MakeFolder(const std::string& name) {
        const std::string path = tools / name;
        EXPECT_EQ(mkdir(path.c_str(), 0755), 0) << path;
        return path;
    }
    std::string OwnerId() const { return std::to_string(testsupport::XWindowOf(owner)); }

    StandInTools tools;
    Recorder ownerLog;
    NativeWindow owner = nullptr;
};

// What the owner's timer finds while the chooser runs. The stand-in chooser answers only when
// the timer writes into its pipe, after the owner has repainted an exposed part.
struct WhileOpen {
    NativeWindow owner = nullptr;
    Recorder* log = nullptr;
    std::string pipe;
    std::string answer;
    int ticks = 0;
    int paintsBefore = -1;
    bool disabledThroughout = true;
    bool answered = false;
    bool pixelRead = false;
    bool repainted = false;
    Rgba exposedPixel{};
};
WhileOpen* whileOpen = nullptr;

void OnTick(NativeWindow window, MessageId, unsigned id, uint32_t) {
    WhileOpen& state = *whileOpen;
    ++state.ticks;
    state.disabledThroughout = state.disabledThroughout && !IsWindowEnabled(state.owner);
    if (state.paintsBefore < 0) {
        state.paintsBefore = state.log->paints;
        testsupport::ExposeArea(state.owner, {20, 20, 60, 40});
        return;
    }
    // Answers after the repaint (or after 5 s, so that a failure ends the test), as soon as the
    // stand-in listens.
    if (state.log->paints <= state.paintsBefore && state.ticks <= 500) {
        return;
    }
    if (!state.pixelRead) {
        state.exposedPixel = testsupport::ReadPixel(state.owner, 40, 30);
        state.pixelRead = true;
        state.repainted = state.log->paints > state.paintsBefore;
    }
    const std::string line = state.answer + "\n";
    const int fd = open(state.pipe.c_str(), O_WRONLY | O_NONBLOCK);  // fails while nobody reads
    state.answered = fd >= 0 && write(fd, line.data(), line.size()) == ssize_t(line.size());
    if (fd >= 0) {
        close(fd);
    }
    if (state.answered || state.ticks > 1500) {
        KillTimer(window, id);
    }
}

TEST_F(FolderChooser, OwnerStaysDisabledAndKeepsPaintingWhileTheChooserRuns) {
    const std::string pipe = tools / "answer";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    // Gives up after 10 s, so that a loop that does not run fails instead of hanging.
    tools.Add("zenity",
              "exec /bin/bash -c 'exec 3<>\"$0\"; IFS= read -t 10 -r a <&3; "
              "printf \"%s\\n\" \"$a\"' '" +
                  pipe + "'");
    WhileOpen state;
    state.owner = owner;
    state.log = &ownerLog;
    state.pipe = pipe;
    state.answer = MakeFolder("chosen");
    whileOpen = &state;
    ownerLog.paintColor = {200, 60, 20, 255};  // what the owner paints from now on
    ASSERT_TRUE(SetTimer(owner, 1, 10, OnTick));

    const std::string chosen = ChooseFolder(owner, kTitle, "");
    whileOpen = nullptr;
    EXPECT_EQ(chosen, state.answer);
    EXPECT_TRUE(state.answered);
    EXPECT_TRUE(state.repainted);
    EXPECT_TRUE(state.disabledThroughout);
    EXPECT_TRUE(SameColor(state.exposedPixel, ownerLog.paintColor));
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(FolderChooser, ZenityGetsTheStartFolderAndTheOwnerAndOddNamesSurvive) {
    tools.Add("zenity", testsupport::kZenityAcceptingStart);
    // A leading dash, spaces, a backslash, non-ASCII letters and a line end in one name.
    const std::string start = MakeFolder("-lead  back\\slash \xc3\xbc\xe6\x97\xa5\nline");
    Recorder childLog;
    NativeWindow child = MakeChild(childLog, owner, {10, 10}, {50, 50});

    EXPECT_EQ(ChooseFolder(child, kTitle, start), start);
    EXPECT_EQ(tools.ArgumentsOf("zenity"),
              (std::vector<std::string>{"--file-selection", "--directory", "--title=Custom Folder",
                                        "--modal", "--attach=" + OwnerId(),
                                        "--filename=" + start + "/"}));
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(FolderChooser, CancelAndAnswersThatNameNoFolderGiveNothing) {
    const std::string folder = MakeFolder("real");
    const std::string file = tools / "file";
    std::ofstream(file) << "x";
    const std::pair<const char*, std::string> cases[] = {
        {"cancelled", "exit 1"},
        {"a file", "printf '%s\\n' '" + file + "'"},
        {"a folder that does not exist", "printf '%s\\n' '" + folder + "/gone'"},
        {"a relative name", "printf '.\\n'"},
        {"no answer", "exit 0"},
        {"a folder with a failure", "printf '%s\\n' '" + folder + "'; exit 5"},
        {"a folder and a NUL", "printf '%s\\0x\\n' '" + folder + "'"},
    };
    for (const auto& [what, body] : cases) {
        tools.Add("zenity", body);
        EXPECT_EQ(ChooseFolder(owner, kTitle, folder), "") << what;
        EXPECT_TRUE(IsWindowEnabled(owner)) << what;
    }
}

TEST_F(FolderChooser, KdialogStandsInForAMissingZenityAndWithoutEitherNothingIsChosen) {
    bool noChooser = false;
    EXPECT_EQ(ChooseFolder(owner, kTitle, "/", &noChooser), "");
    EXPECT_TRUE(noChooser);  // told apart from a cancel, so that the user can be told
    EXPECT_TRUE(IsWindowEnabled(owner));

    tools.Add("kdialog", "for a; do last=\"$a\"; done\nprintf '%s\\n' \"$last\"");
    const std::string start = MakeFolder("-dash \\ \xc3\xa9");
    EXPECT_EQ(ChooseFolder(owner, kTitle, start, &noChooser), start);
    EXPECT_FALSE(noChooser);
    EXPECT_EQ(tools.ArgumentsOf("kdialog"),
              (std::vector<std::string>{"--title", "Custom Folder", "--attach", OwnerId(),
                                        "--getexistingdirectory", start}));
    // A relative start folder cannot pass for an option.
    ChooseFolder(owner, kTitle, "-x");
    EXPECT_EQ(tools.ArgumentsOf("kdialog").back(), "./-x");
}

TEST_F(FolderChooser, TheToolsGetTheScaleOfTheWindowsInTheVariablesTheyRead) {
    const std::string seen = tools / "seen";
    tools.Add("zenity",
              "printf '%s|%s|%s|%s\\n' \"$GDK_SCALE\" \"$GDK_DPI_SCALE\" "
              "\"$QT_SCALE_FACTOR\" \"$QT_FONT_DPI\" > '" +
                  seen + "'; exit 1");
    {
        testsupport::DesktopResources resources("Xft.dpi:\t144\n");
        Recorder scaledLog;
        const NativeWindow scaled = MakeTopLevel(scaledLog);
        ChooseFolder(scaled, kTitle, "/");
        EXPECT_EQ(workertest::ReadFile(seen).value_or(""), "1|1.5|1.5|96\n");
    }
    Recorder plainLog;
    const NativeWindow plain = MakeTopLevel(plainLog);
    ChooseFolder(plain, kTitle, "/");
    EXPECT_EQ(workertest::ReadFile(seen).value_or(""), "|||\n");
}

// What the owner's timer saw of the real zenity's window; it then ends zenity.
struct ChooserSeen {
    unsigned long owner = 0;
    unsigned long transientFor = 0;
    int ticks = 0;
};
ChooserSeen* chooserSeen = nullptr;

bool IsZenity(pid_t pid) {
    std::string name;
    std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/comm"), name);
    return name == "zenity";
}

// A viewable window at most `depth` levels below `parent` (a window manager's frame holds the
// client) that carries the _NET_WM_PID of a zenity.
::Window OtherProcessWindow(Display* display, ::Window parent, int depth, pid_t* pid) {
    ::Window root = 0, above = 0, *children = nullptr;
    unsigned count = 0;
    ::Window found = 0;
    XQueryTree(display, parent, &root, &above, &children, &count);
    for (unsigned i = 0; i < count && !found; ++i) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes) ||
            attributes.map_state != IsViewable) {
            continue;
        }
        if (XGetWindowProperty(display, children[i], XInternAtom(display, "_NET_WM_PID", False), 0,
                               1, False, XA_CARDINAL, &type, &format, &items, &after,
                               &data) == Success &&
            data && items == 1 && IsZenity(static_cast<pid_t>(*reinterpret_cast<long*>(data)))) {
            *pid = static_cast<pid_t>(*reinterpret_cast<long*>(data));
            found = children[i];
        } else if (depth > 0) {
            found = OtherProcessWindow(display, children[i], depth - 1, pid);
        }
        if (data) {
            XFree(data);
        }
    }
    if (children) {
        XFree(children);
    }
    return found;
}

void WatchChooser(NativeWindow window, MessageId, unsigned id, uint32_t) {
    ChooserSeen& seen = *chooserSeen;
    Display* display = platform::x11::TestDisplay();
    pid_t pid = 0;
    const ::Window chooser = OtherProcessWindow(display, DefaultRootWindow(display), 1, &pid);
    ::Window transientFor = 0;
    if (chooser && XGetTransientForHint(display, chooser, &transientFor) &&
        transientFor == seen.owner) {
        seen.transientFor = transientFor;
    }
    if (seen.transientFor || ++seen.ticks > 400) {
        if (pid > 0) {
            kill(pid, SIGTERM);  // as a cancel: the chooser gives no folder
        }
        if (seen.transientFor || seen.ticks > 600) {
            KillTimer(window, id);
        }
    }
}

TEST_F(FolderChooser, TheRealZenitysWindowIsTransientForTheOwner) {
    if (access("/usr/bin/zenity", X_OK) != 0) {
        GTEST_SKIP() << "zenity is not installed";
    }
    // Ended after 30 s whatever happens, so that a failure cannot hold the test; a grandchild
    // then, as through a launcher.
    tools.Add("zenity", "exec /usr/bin/timeout 30 /usr/bin/zenity \"$@\" 2>/dev/null");
    ChooserSeen seen;
    seen.owner = testsupport::XWindowOf(owner);
    chooserSeen = &seen;
    ASSERT_TRUE(SetTimer(owner, 1, 25, WatchChooser));
    EXPECT_EQ(ChooseFolder(owner, kTitle, ""), "");
    chooserSeen = nullptr;
    EXPECT_EQ(seen.transientFor, seen.owner) << "after " << seen.ticks << " ticks";
}

}  // namespace
}  // namespace platformtest
