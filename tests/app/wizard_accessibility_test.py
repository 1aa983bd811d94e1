#!/usr/bin/python3
"""The wizard driven as a blind user's screen reader drives it: through AT-SPI alone, with no
pointer and no keyboard. Run inside a private D-Bus session (dbus-run-session), on an X server.

usage: wizard_accessibility_test.py <installer program> <file holding the display name>
"""
import ctypes
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import GLib

TITLE = "Kestrel 3D for After Effects Installer"
HOSTS = {"CS6": "C:\\Program Files\\Adobe\\AE CS6\\Plug-ins",
         "CC": "C:\\Program Files\\Adobe\\AE CC\\Plug-ins"}
VERSION_KEYS = {"CS6": "11", "CC": "12"}
failures = []


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def holds(condition):
    """The condition's result, or None when an object it read went away meanwhile (a page being
    replaced removes its objects while a walk of the tree is on its way)."""
    try:
        return condition()
    except GLib.GError:
        return None


def pump_until(condition, seconds=10.0):
    """Runs the GLib loop (AT-SPI events arrive there) until the condition holds."""
    deadline = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < deadline:
        while context.pending():
            context.iteration(False)
        result = holds(condition)
        if result:
            return result
        time.sleep(0.02)
    return holds(condition)


class FileOpenGate:
    """Holds every opening of a file in a folder until released, as a stalled disk would: the
    kernel's fanotify permission events, which need CAP_SYS_ADMIN."""
    EVENT = struct.Struct("<IBBHQii")  # fanotify_event_metadata
    RESPONSE = struct.Struct("<iI")     # fanotify_response
    FAN_ALLOW = 0x01

    def __init__(self, folder):
        libc = ctypes.CDLL(None, use_errno=True)
        libc.fanotify_init.argtypes = [ctypes.c_uint, ctypes.c_uint]
        libc.fanotify_mark.argtypes = [ctypes.c_int, ctypes.c_uint, ctypes.c_uint64, ctypes.c_int,
                                       ctypes.c_char_p]
        class_content, cloexec, nonblock = 0x08, 0x01, 0x02
        open_perm, on_child, mark_add, at_fdcwd = 0x00010000, 0x08000000, 0x01, -100
        self.fd = libc.fanotify_init(class_content | cloexec | nonblock, os.O_RDONLY)
        if self.fd >= 0 and libc.fanotify_mark(self.fd, mark_add, open_perm | on_child, at_fdcwd,
                                               folder.encode()) != 0:
            os.close(self.fd)
            self.fd = -1
        self.held = []

    def works(self):
        return self.fd >= 0

    def holding(self):
        try:
            data = os.read(self.fd, 4096)
        except BlockingIOError:
            data = b""
        while len(data) >= self.EVENT.size:
            length, _, _, _, _, opened, _ = self.EVENT.unpack_from(data)
            self.held.append(opened)
            data = data[length:]
        return bool(self.held)

    def release(self):
        for opened in self.held:
            os.write(self.fd, self.RESPONSE.pack(opened, self.FAN_ALLOW))
            os.close(opened)
        self.held = []
        if self.fd >= 0:
            os.close(self.fd)
            self.fd = -1


def make_prefix(root):
    body = ""
    for label, folder in HOSTS.items():
        key = "Software\\\\Adobe\\\\After Effects\\\\" + VERSION_KEYS[label]
        body += ('[%s] 1700000000\n#time=1d9a0c2b3e4f560\n"PluginInstallPath"="%s"\n\n'
                 % (key, folder.replace("\\", "\\\\")))
        os.makedirs(linux_folder(root, folder), exist_ok=True)
    with open(os.path.join(root, "system.reg"), "w") as reg:
        reg.write("WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
                  + body)
    os.makedirs(os.path.join(root, "dosdevices"), exist_ok=True)
    os.symlink("../drive_c", os.path.join(root, "dosdevices", "c:"))


def linux_folder(root, windows_folder):
    return os.path.join(root, "drive_c", *windows_folder[3:].split("\\"))


def showing(accessible):
    try:
        return accessible.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def read_tree(accessible, depth=0, lines=None):
    """What a screen reader's review reads: each showing object's role and name."""
    lines = [] if lines is None else lines
    text = "  " * depth + accessible.getRoleName()
    if accessible.name:
        text += " '%s'" % accessible.name.replace("\n", " ")
    if accessible.description:
        text += " (%s)" % accessible.description.replace("\n", " ")
    states = accessible.getState()
    for state, word in ((pyatspi.STATE_FOCUSED, "focused"), (pyatspi.STATE_CHECKED, "checked")):
        if states.contains(state):
            text += " " + word
    if not states.contains(pyatspi.STATE_ENABLED):
        text += " disabled"
    lines.append(text)
    for child in accessible:
        if child is not None and showing(child):
            read_tree(child, depth + 1, lines)
    return lines


def find(accessible, role, name=None):
    for child in accessible:
        if child is None or not showing(child):
            continue
        if child.getRoleName() == role and (name is None or child.name.startswith(name)):
            return child
        found = find(child, role, name)
        if found:
            return found
    return None


def type_key(keysym):
    """Types one key as a user does: through XTest, on the test's X server."""
    x11 = ctypes.CDLL("libX11.so.6")
    xtst = ctypes.CDLL("libXtst.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        return False
    code = x11.XKeysymToKeycode(display, keysym)
    xtst.XTestFakeKeyEvent(display, code, True, 0)
    xtst.XTestFakeKeyEvent(display, code, False, 0)
    x11.XCloseDisplay(display)  # flushes
    return code != 0


def do_action(accessible, action_name):
    action = accessible.queryAction()
    for i in range(action.nActions):
        if action.getName(i) == action_name:
            return action.doAction(i)
    return False


def main():
    program, display_file = sys.argv[1], sys.argv[2]
    with open(display_file) as f:
        os.environ["DISPLAY"] = f.read().strip()
    prefix = tempfile.mkdtemp(prefix="kestrel-a11y-")
    make_prefix(prefix)
    env = dict(os.environ, WINEPREFIX=prefix, KESTREL_NO_BLINK="1")
    env.pop("NO_AT_BRIDGE", None)
    focus_events = []
    def listen(kind, record):
        def on_event(event):
            try:
                record(event)
            except Exception:  # an object of a page that is gone
                pass
        pyatspi.Registry.registerEventListener(on_event, kind)

    checked_events = []
    expanded_events = []
    values = []
    renamed = []
    focus_signals = []
    listen("object:state-changed:focused",
           lambda e: e.detail1 and focus_events.append((e.source.getRoleName(), e.source.name)))
    listen("focus:", lambda e: focus_signals.append((e.source.getRoleName(), e.source.name)))
    listen("object:state-changed:checked",
           lambda e: checked_events.append((e.source.name, e.detail1)))
    listen("object:state-changed:expanded",
           lambda e: expanded_events.append((e.source.getRoleName(), e.detail1)))
    listen("object:property-change:accessible-name", lambda e: renamed.append(e.source.name))
    listen("object:property-change:accessible-value",
           lambda e: values.append((e.source.getRoleName(), e.source.queryValue().currentValue)))
    wizard = subprocess.Popen([program, "/UAC"], env=env)
    try:
        run(wizard, prefix, (focus_events, focus_signals), checked_events, expanded_events, values,
            renamed)
    finally:
        if wizard.poll() is None:
            wizard.kill()
        wizard.wait()
        shutil.rmtree(prefix, ignore_errors=True)
    print("%d failed" % len(failures) if failures else "all passed", flush=True)
    return 1 if failures else 0


def top_level(role):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        for window in app or []:
            if window is not None and window.getRoleName() == role and showing(window):
                return window
    return None


def wizard_frame():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        for window in app or []:
            if window is not None and window.name == TITLE and showing(window):
                return window
    return None


def read_page(frame, heading):
    print("--- " + heading)
    lines = read_tree(frame)
    print("\n".join(lines), flush=True)
    return lines


def press(frame, name):
    button = find(frame, "push button", name)
    return check(button is not None and do_action(button, "press"), "press '%s' by its action" % name)


def choose_bitness(frame, focus, checked_events, expanded_events):
    """The Custom entry's combo box: opened by its action, read while its menu is open, its
    highlight followed as the focus while keys move it, and an item picked by the item's own
    action."""
    custom = find(frame, "check box", "Custom")
    do_action(custom, "toggle")
    combo = pump_until(lambda: find(frame, "combo box", "Custom"))
    if not check(combo is not None, "ticking Custom shows the bitness combo box"):
        return
    check(combo.getState().contains(pyatspi.STATE_EXPANDABLE) and
          not combo.getState().contains(pyatspi.STATE_EXPANDED), "the closed combo box is expandable")
    check(do_action(combo, "open"), "open the combo box by its action")
    menu = pump_until(lambda: top_level("menu"))
    if not check(menu is not None, "the open combo box's menu is on the bus as a menu"):
        return
    check(combo.getState().contains(pyatspi.STATE_EXPANDED), "the combo box is read as expanded")
    check(pump_until(lambda: ("combo box", 1) in expanded_events), "its opening is announced")
    read_page(menu, "bitness menu")
    items = [(item.getRoleName(), item.name, item.getState().contains(pyatspi.STATE_SELECTED))
             for item in menu]
    check(items == [("menu item", "32-bit", True), ("menu item", "64-bit", False)],
          "the menu's items, the current one selected: %s" % items)
    follow_highlight(menu, focus)
    check(do_action(menu[1], "press"), "pick '64-bit' by its item's action")
    check(pump_until(lambda: top_level("menu") is None), "picking closes the menu")
    check(pump_until(lambda: focus[0] and focus[0][-1][0] != "menu item"),
          "the focus leaves the menu with it: %s" % focus[0][-1:])
    check(pump_until(lambda: ("combo box", 0) in expanded_events) and
          not combo.getState().contains(pyatspi.STATE_EXPANDED), "its closing is announced")
    check(pump_until(lambda: combo.queryValue().currentValue == 1), "the combo box reads '64-bit'")
    do_action(custom, "toggle")
    check(pump_until(lambda: ("Custom", 0) in checked_events), "Custom unticked again")


def follow_highlight(menu, focus):
    """Down moves the menu's highlight from item to item: each item it lands on is announced as
    the focus, as toolkits announce menu items, and reads as focused while the checked one stays
    selected."""
    focus_events, focus_signals = focus
    xk_down = 0xFF54
    for index, name in enumerate(["32-bit", "64-bit"]):
        check(type_key(xk_down), "type Down into the open menu")
        item = ("menu item", name)
        check(pump_until(lambda: item in focus_events and item in focus_signals),
              "the highlight on '%s' is announced as the focus: %s, %s"
              % (name, focus_events[-1:], focus_signals[-1:]))
        states = [menu[i].getState() for i in range(2)]
        check(states[index].contains(pyatspi.STATE_FOCUSED) and
              not states[1 - index].contains(pyatspi.STATE_FOCUSED),
              "'%s' alone reads as focused" % name)
        check(states[0].contains(pyatspi.STATE_SELECTED) and
              all(s.contains(pyatspi.STATE_SELECTABLE) for s in states),
              "the checked item stays selected, both selectable")


def read_progress_midway(frame, gate, values):
    """With the plug-in's file held as it opens, the installation stands mid-way: the progress
    bar reads a value between its ends, announced as it changed."""
    if not gate.works():
        print("skip  the progress bar mid-way: holding a file's opening needs fanotify and "
              "CAP_SYS_ADMIN", flush=True)
        return
    check(pump_until(gate.holding, 20), "the installation is held at the plug-in's file")
    bar = pump_until(lambda: find(frame, "progress bar"))
    if check(bar is not None, "the installation's progress is a progress bar"):
        value = bar.queryValue()
        check(value.minimumValue < value.currentValue < value.maximumValue and
              value.currentValue != 0,
              "the progress bar reads mid-way: %s of %s..%s"
              % (value.currentValue, value.minimumValue, value.maximumValue))
        check(pump_until(lambda: ("progress bar", value.currentValue) in values),
              "the progress bar's value change is announced")
    gate.release()


def run(wizard, prefix, focus, checked_events, expanded_events, values, renamed):
    focus_events = focus[0]
    frame = pump_until(wizard_frame, 20)
    if not check(frame is not None, "the wizard's frame is on the accessibility bus"):
        return
    check(frame.getRoleName() == "frame", "the wizard is a frame")
    # The first focus may come before the bridge has learnt who listens; later ones may not.
    lines = read_page(frame, "welcome")
    check(any(l.strip().startswith("label 'This will install Kestrel 3D") for l in lines),
          "the welcome text is read")
    check(any("push button 'Next >' focused" in l for l in lines), "'Next >' is read as focused")
    check(any("push button '< Back' disabled" in l for l in lines), "'< Back' is read as disabled")

    press(frame, "Next >")
    check(pump_until(lambda: find(frame, "push button", "I ACCEPT")), "the licence page opens")
    check(pump_until(lambda: "I ACCEPT" in renamed), "the focused button's new name is announced")
    lines = read_page(frame, "licence")
    licence = find(frame, "document text")
    check(licence is not None and "Kestrel" in licence.queryText().getText(0, -1),
          "the licence is a document whose text can be read")
    check(licence is not None and licence.queryText().caretOffset == 0,
          "the licence's caret is at its start")

    press(frame, "I ACCEPT")
    check(pump_until(lambda: find(frame, "check box", "CC")), "the host page opens")
    lines = read_page(frame, "hosts")
    check(any("check box 'CS6' checked" in l for l in lines), "CS6 is read as ticked")
    cc = find(frame, "check box", "CC")
    check(cc.queryComponent().grabFocus(), "a client moves the keyboard to CC")
    check(pump_until(lambda: ("check box", "CC") in focus_events and
                     cc.getState().contains(pyatspi.STATE_FOCUSED)),
          "CC takes the focus and says so")
    check(do_action(cc, "toggle"), "untick CC by the check box's action")
    check(pump_until(lambda: ("CC", 0) in checked_events), "the unticking is announced")
    check(not cc.getState().contains(pyatspi.STATE_CHECKED), "CC is read as unticked")
    choose_bitness(frame, focus, checked_events, expanded_events)

    # With nothing ticked, Next opens the validation dialog: read as a dialog with its message.
    cs6 = find(frame, "check box", "CS6")
    do_action(cs6, "toggle")
    pump_until(lambda: ("CS6", 0) in checked_events)
    press(frame, "Next >")
    dialog = pump_until(lambda: top_level("dialog"))
    if check(dialog is not None, "the validation dialog is on the bus as a dialog"):
        read_page(dialog, "validation dialog")
        check(dialog.name == "Unable to continue" and
              dialog.description.startswith("Please select at least one After Effects"),
              "the dialog's title is its name and its message its description")
        check(pump_until(lambda: ("dialog", "Unable to continue") in focus_events),
              "the focus moving into the dialog is announced")
        press(dialog, "OK")
        check(pump_until(lambda: top_level("dialog") is None), "'OK' closes the dialog")
    do_action(cs6, "toggle")
    check(pump_until(lambda: ("CS6", 1) in checked_events), "CS6 ticked again")

    press(frame, "Next >")
    summary = pump_until(lambda: find(frame, "document text"))
    lines = read_page(frame, "summary")
    text = summary.queryText().getText(0, -1) if summary else ""
    check("AE CS6" in text and "AE CC" not in text, "the summary names CS6 alone")

    plugin_folder = os.path.join(linux_folder(prefix, HOSTS["CS6"]), "Larkspur")
    os.makedirs(plugin_folder, exist_ok=True)
    gate = FileOpenGate(plugin_folder)
    try:
        press(frame, "Next >")
        read_progress_midway(frame, gate, values)
    finally:
        gate.release()
    finished = pump_until(lambda: find(frame, "label", "Kestrel 3D for After Effects has been"), 30)
    lines = read_page(frame, "finished")
    check(finished is not None, "\"Finished\": the success text is read")
    check(any("push button 'Finish' focused" in l for l in lines), "'Finish' is read as focused")
    # The events may still be on their way when the page is read.
    check(pump_until(lambda: ("push button", "Cancel") in focus_events and "Finish" in renamed),
          "the focus moving to 'Cancel' while installing, and its new name, are announced")
    cs6 = os.path.join(linux_folder(prefix, HOSTS["CS6"]), "Larkspur", "Kestrel.aex")
    cc_file = os.path.join(linux_folder(prefix, HOSTS["CC"]), "Larkspur", "Kestrel.aex")
    check(os.path.isfile(cs6) and not os.path.exists(cc_file), "the plug-in went to CS6 alone")

    press(frame, "Finish")
    try:
        code = wizard.wait(timeout=10)
    except subprocess.TimeoutExpired:
        code = None
    check(code == 0, "'Finish' ends the program with exit code 0")


if __name__ == "__main__":
    sys.exit(main())
