// One AtkObject subclass serves every window and painted part. The ATK interfaces an object
// offers (action, text, value) depend on what its control reads as, so each combination gets a
// subtype of its own, registered when first needed.
#include "platform/x11/atk_tree.h"

#include <bit>
#include <map>
#include <string>
#include <utility>

#include "platform/Events.h"
#include "platform/x11/window_record.h"
// After the record it lists.
#include "platform/window_slots.h"

namespace platform::atk {
namespace {

struct KestrelAccessible {
    AtkObject object;
    uint64_t window;  // NativeWindow::Bits()
    int part;         // -1: the window itself
    unsigned states;  // as last announced
    // What the last get_name / get_description returned must outlive the call.
    char* name;
    char* description;
};

struct KestrelAccessibleClass {
    AtkObjectClass parent;
};

constexpr unsigned kWithAction = 1;
constexpr unsigned kWithText = 2;
constexpr unsigned kWithValue = 4;

KestrelAccessible* Self(gpointer object) {
    return reinterpret_cast<KestrelAccessible*>(object);
}

NativeWindow WindowOf(gpointer object) {
    return NativeWindow::FromBits(Self(object)->window);
}

AccessibleInfo Describe(NativeWindow window) {
    AccessibleInfo info;
    if (backend::Alive(window) && window->proc) {
        SendMessage(window, kWmGetAccessibleInfo, 0, reinterpret_cast<LParam>(&info));
    }
    return info;
}

// The object's own description: the window's, or one of its parts.
bool DescribeObject(gpointer object, AccessibleInfo& out) {
    AccessibleInfo info = Describe(WindowOf(object));
    const int part = Self(object)->part;
    if (part < 0) {
        out = std::move(info);
        return backend::Alive(WindowOf(object));
    }
    if (static_cast<size_t>(part) >= info.parts.size()) {
        return false;
    }
    out = std::move(info.parts[static_cast<size_t>(part)]);
    return true;
}

// The same, empty for an object whose window or part is gone.
AccessibleInfo InfoOf(gpointer object) {
    AccessibleInfo info;
    DescribeObject(object, info);
    return info;
}

AtkRole RoleOf(AccessibleRole role) {
    switch (role) {
        case AccessibleRole::kPanel:
            return ATK_ROLE_PANEL;
        case AccessibleRole::kWindow:
            return ATK_ROLE_FRAME;
        case AccessibleRole::kDialog:
            return ATK_ROLE_DIALOG;
        case AccessibleRole::kPushButton:
            return ATK_ROLE_PUSH_BUTTON;
        case AccessibleRole::kCheckBox:
            return ATK_ROLE_CHECK_BOX;
        case AccessibleRole::kComboBox:
            return ATK_ROLE_COMBO_BOX;
        case AccessibleRole::kMenu:
            return ATK_ROLE_MENU;
        case AccessibleRole::kMenuItem:
            return ATK_ROLE_MENU_ITEM;
        case AccessibleRole::kScrollBar:
            return ATK_ROLE_SCROLL_BAR;
        case AccessibleRole::kStaticText:
            return ATK_ROLE_LABEL;
        case AccessibleRole::kDocument:
            return ATK_ROLE_DOCUMENT_TEXT;
        case AccessibleRole::kProgressBar:
            return ATK_ROLE_PROGRESS_BAR;
    }
    return ATK_ROLE_UNKNOWN;
}

// Windows the bridge lists: the program's own, not the ones only painted (a popup menu's).
bool Listed(NativeWindow window) {
    return backend::Alive(window) && window->proc;
}

std::vector<NativeWindow> TopLevelWindows() {
    std::vector<NativeWindow> windows;
    for (const auto& slot : slots::Slots().slots) {
        if (slot.record && slot.record->topLevel && slot.record->shown &&
            Listed(slot.record->self)) {
            windows.push_back(slot.record->self);
        }
    }
    return windows;
}

std::vector<NativeWindow> ChildrenOf(NativeWindow window) {
    std::vector<NativeWindow> children;
    if (backend::Alive(window)) {
        for (NativeWindow child : window->children) {
            if (Listed(child)) {
                children.push_back(child);
            }
        }
    }
    return children;
}

// The parts of a window are replaced with each page; objects of earlier pages go defunct.
std::map<uint64_t, unsigned>& PartGenerations() {
    static std::map<uint64_t, unsigned> generations;
    return generations;
}

struct ObjectKey {
    uint64_t window;
    int part;
    unsigned generation;
    auto operator<=>(const ObjectKey&) const = default;
};

std::map<ObjectKey, AtkObject*>& Objects() {
    static std::map<ObjectKey, AtkObject*> objects;
    return objects;
}

GType TypeFor(unsigned interfaces);

AtkObject* Lookup(NativeWindow window, int part) {
    if (!Listed(window)) {
        return nullptr;
    }
    const ObjectKey key{window.Bits(), part, part < 0 ? 0 : PartGenerations()[window.Bits()]};
    auto& objects = Objects();
    if (auto found = objects.find(key); found != objects.end()) {
        return found->second;
    }
    AccessibleInfo info = Describe(window);
    if (part >= 0) {
        if (static_cast<size_t>(part) >= info.parts.size()) {
            return nullptr;
        }
        info = std::move(info.parts[static_cast<size_t>(part)]);
    }
    const unsigned interfaces = (info.actions ? kWithAction : 0) | (info.hasText ? kWithText : 0) |
                                (info.hasValue ? kWithValue : 0);
    auto* object = ATK_OBJECT(g_object_new(TypeFor(interfaces), nullptr));
    Self(object)->window = window.Bits();
    Self(object)->part = part;
    Self(object)->states = info.states;
    atk_object_initialize(object, nullptr);
    objects.emplace(key, object);
    return object;
}

AtkObject*& LastFocused() {
    static AtkObject* focused = nullptr;
    return focused;
}

// Objects of windows that are gone are dropped now and then, not at each destruction.
void ForgetDeadObjects() {
    auto& objects = Objects();
    static size_t checkAt = 64;
    if (objects.size() < checkAt) {
        return;
    }
    for (auto it = objects.begin(); it != objects.end();) {
        if (!backend::Alive(NativeWindow::FromBits(it->first.window))) {
            if (LastFocused() == it->second) {
                LastFocused() = nullptr;
            }
            atk_object_notify_state_change(it->second, ATK_STATE_DEFUNCT, TRUE);
            g_object_unref(it->second);
            it = objects.erase(it);
        } else {
            ++it;
        }
    }
    std::erase_if(PartGenerations(), [](const auto& entry) {
        return !backend::Alive(NativeWindow::FromBits(entry.first));
    });
    checkAt = std::max<size_t>(64, objects.size() * 2);
}

const gchar* CachedString(char*& cache, const std::string& text) {
    g_free(cache);
    cache = g_strdup(text.c_str());
    return cache;
}

// AtkObject.

// get_name and get_description: one text of the description, kept in the object's cache.
template <std::string AccessibleInfo::*kText, char* KestrelAccessible::*kCache>
const gchar* GetCachedText(AtkObject* object) {
    return CachedString(Self(object)->*kCache, InfoOf(object).*kText);
}

AtkRole GetRole(AtkObject* object) {
    AccessibleInfo info;
    return DescribeObject(object, info) ? RoleOf(info.role) : ATK_ROLE_UNKNOWN;
}

AtkObject* GetParent(AtkObject* object) {
    const NativeWindow window = WindowOf(object);
    if (Self(object)->part >= 0) {
        return Lookup(window, -1);
    }
    if (!backend::Alive(window)) {
        return nullptr;
    }
    return window->parent ? Lookup(window->parent, -1) : Root();
}

gint GetNChildren(AtkObject* object) {
    if (Self(object)->part >= 0) {
        return 0;
    }
    const NativeWindow window = WindowOf(object);
    return static_cast<gint>(Describe(window).parts.size() + ChildrenOf(window).size());
}

AtkObject* RefChild(AtkObject* object, gint index) {
    if (Self(object)->part >= 0 || index < 0) {
        return nullptr;
    }
    const NativeWindow window = WindowOf(object);
    const auto parts = static_cast<gint>(Describe(window).parts.size());
    AtkObject* child = nullptr;
    if (index < parts) {
        child = Lookup(window, index);
    } else if (const auto children = ChildrenOf(window);
               static_cast<size_t>(index - parts) < children.size()) {
        child = Lookup(children[static_cast<size_t>(index - parts)], -1);
    }
    return child ? ATK_OBJECT(g_object_ref(child)) : nullptr;
}

gint IndexInParent(AtkObject* object) {
    const NativeWindow window = WindowOf(object);
    if (Self(object)->part >= 0) {
        return Self(object)->part;
    }
    if (!backend::Alive(window)) {
        return -1;
    }
    if (!window->parent) {
        const auto tops = TopLevelWindows();
        const auto at = std::find(tops.begin(), tops.end(), window);
        return at == tops.end() ? -1 : static_cast<gint>(at - tops.begin());
    }
    const auto siblings = ChildrenOf(window->parent);
    const auto at = std::find(siblings.begin(), siblings.end(), window);
    const auto parts = Describe(window->parent).parts.size();
    return at == siblings.end() ? -1 : static_cast<gint>(parts + (at - siblings.begin()));
}

// Our states as ATK's. Showing (visible and on the screen) is added where it is known.
constexpr std::pair<unsigned, AtkStateType> kStates[] = {
    {kAccessibleFocusable, ATK_STATE_FOCUSABLE},   {kAccessibleFocused, ATK_STATE_FOCUSED},
    {kAccessibleEnabled, ATK_STATE_ENABLED},       {kAccessibleEnabled, ATK_STATE_SENSITIVE},
    {kAccessibleCheckable, ATK_STATE_CHECKABLE},   {kAccessibleChecked, ATK_STATE_CHECKED},
    {kAccessibleExpanded, ATK_STATE_EXPANDED},     {kAccessibleVisible, ATK_STATE_VISIBLE},
    {kAccessibleSelectable, ATK_STATE_SELECTABLE}, {kAccessibleSelected, ATK_STATE_SELECTED},
};

void AddStates(AtkStateSet* set, unsigned states, bool showing) {
    for (const auto& [bit, state] : kStates) {
        if (states & bit) {
            atk_state_set_add_state(set, state);
        }
    }
    if (showing && (states & kAccessibleVisible)) {
        atk_state_set_add_state(set, ATK_STATE_SHOWING);
    }
}

bool OnScreen(NativeWindow window) {
    const NativeWindow top = backend::TopLevelOf(window);
    return backend::Alive(top) && top->viewable;
}

AtkStateSet* RefStateSet(AtkObject* object) {
    AtkStateSet* set = atk_state_set_new();
    AccessibleInfo info;
    if (!DescribeObject(object, info)) {
        atk_state_set_add_state(set, ATK_STATE_DEFUNCT);
        return set;
    }
    const NativeWindow window = WindowOf(object);
    AddStates(set, info.states, OnScreen(window));
    if (info.actions & kAccessibleOpen) {
        atk_state_set_add_state(set, ATK_STATE_EXPANDABLE);
    }
    if (Self(object)->part < 0 && window->topLevel) {
        const NativeWindow focus = GetFocus();
        if (backend::Alive(focus) && backend::TopLevelOf(focus) == window) {
            atk_state_set_add_state(set, ATK_STATE_ACTIVE);
        }
    }
    return set;
}

void Finalize(GObject* object) {
    g_free(Self(object)->name);
    g_free(Self(object)->description);
    G_OBJECT_CLASS(g_type_class_peek(ATK_TYPE_OBJECT))->finalize(object);
}

// AtkComponent: the part's extents are its window's.

void GetExtents(AtkComponent* component, gint* x, gint* y, gint* width, gint* height,
                AtkCoordType coordinates) {
    const NativeWindow window = WindowOf(component);
    *x = *y = *width = *height = 0;
    if (!backend::Alive(window)) {
        return;
    }
    Point origin = backend::ClientOrigin(window);
    if (coordinates == ATK_XY_WINDOW) {
        const Point top = backend::ClientOrigin(backend::TopLevelOf(window));
        origin = {origin.x - top.x, origin.y - top.y};
    }
    *x = origin.x;
    *y = origin.y;
    *width = window->clientSize.width;
    *height = window->clientSize.height;
}

// A client moving the keyboard somewhere, as Tab would: only to a window that takes it.
gboolean GrabFocus(AtkComponent* component) {
    AccessibleInfo info;
    if (Self(component)->part >= 0 || !DescribeObject(component, info) ||
        !(info.states & kAccessibleFocusable)) {
        return FALSE;
    }
    SetFocus(WindowOf(component));
    return TRUE;
}

void InitComponent(gpointer interface, gpointer /*data*/) {
    auto* iface = static_cast<AtkComponentIface*>(interface);
    iface->get_extents = GetExtents;
    iface->grab_focus = GrabFocus;
}

// AtkAction: requests are posted, so the client's call returns before the action runs (which
// may open a modal menu or dialog).

unsigned NthAction(gpointer object, gint index) {
    const AccessibleInfo info = InfoOf(object);
    for (unsigned bit = 1, seen = 0; bit <= kAccessibleOpen; bit <<= 1) {
        if ((info.actions & bit) && static_cast<gint>(seen++) == index) {
            return bit;
        }
    }
    return 0;
}

gboolean DoAction(AtkAction* action, gint index) {
    const unsigned which = NthAction(action, index);
    if (which == 0) {
        return FALSE;
    }
    backend::PostMessage(WindowOf(action), kWmAccessibleAction, which, Self(action)->part + 1);
    return TRUE;
}

gint GetNActions(AtkAction* action) {
    return std::popcount(InfoOf(action).actions);
}

const gchar* GetActionName(AtkAction* action, gint index) {
    switch (NthAction(action, index)) {
        case kAccessiblePress:
            return "press";
        case kAccessibleToggle:
            return "toggle";
        case kAccessibleOpen:
            return "open";
        default:
            return nullptr;
    }
}

void InitAction(gpointer interface, gpointer /*data*/) {
    auto* iface = static_cast<AtkActionIface*>(interface);
    iface->do_action = DoAction;
    iface->get_n_actions = GetNActions;
    iface->get_name = GetActionName;
}

// AtkText: offsets are in characters, our text and its offsets in UTF-8 bytes.

std::string TextOf(gpointer object) {
    return InfoOf(object).text;
}

bool HasSelection(const AccessibleInfo& info) {
    return info.selectionStart >= 0 && info.selectionEnd > info.selectionStart;
}

glong CharacterOffset(const std::string& text, int byteOffset) {
    return g_utf8_pointer_to_offset(text.c_str(), text.c_str() + byteOffset);
}

gchar* GetText(AtkText* object, gint start, gint end) {
    const std::string text = TextOf(object);
    const glong length = g_utf8_strlen(text.c_str(), -1);
    if (end < 0 || end > length) {
        end = static_cast<gint>(length);
    }
    start = std::clamp<gint>(start, 0, end);
    return g_utf8_substring(text.c_str(), start, end);
}

gint GetCharacterCount(AtkText* object) {
    return static_cast<gint>(g_utf8_strlen(TextOf(object).c_str(), -1));
}

gunichar GetCharacterAtOffset(AtkText* object, gint offset) {
    const std::string text = TextOf(object);
    if (offset < 0 || offset >= g_utf8_strlen(text.c_str(), -1)) {
        return 0;
    }
    return g_utf8_get_char(g_utf8_offset_to_pointer(text.c_str(), offset));
}

gint GetCaretOffset(AtkText* object) {
    const AccessibleInfo info = InfoOf(object);
    return info.caret < 0 ? -1 : static_cast<gint>(CharacterOffset(info.text, info.caret));
}

gint GetNSelections(AtkText* object) {
    return HasSelection(InfoOf(object)) ? 1 : 0;
}

gchar* GetSelection(AtkText* object, gint index, gint* start, gint* end) {
    const AccessibleInfo info = InfoOf(object);
    *start = *end = 0;
    if (index != 0 || !HasSelection(info)) {
        return nullptr;
    }
    *start = static_cast<gint>(CharacterOffset(info.text, info.selectionStart));
    *end = static_cast<gint>(CharacterOffset(info.text, info.selectionEnd));
    return g_strndup(info.text.c_str() + info.selectionStart,
                     static_cast<gsize>(info.selectionEnd - info.selectionStart));
}

void InitText(gpointer interface, gpointer /*data*/) {
    auto* iface = static_cast<AtkTextIface*>(interface);
    iface->get_text = GetText;
    iface->get_character_count = GetCharacterCount;
    iface->get_character_at_offset = GetCharacterAtOffset;
    iface->get_caret_offset = GetCaretOffset;
    iface->get_n_selections = GetNSelections;
    iface->get_selection = GetSelection;
}

// AtkValue.

void GetValueAndText(AtkValue* object, gdouble* value, gchar** text) {
    const AccessibleInfo info = InfoOf(object);
    *value = info.value;
    if (text) {
        *text = info.valueText.empty() ? nullptr : g_strdup(info.valueText.c_str());
    }
}

AtkRange* GetRange(AtkValue* object) {
    const AccessibleInfo info = InfoOf(object);
    return atk_range_new(info.minimum, info.maximum, nullptr);
}

// The older getters of the current, minimum and maximum value, one number each.
template <double AccessibleInfo::*kNumber>
void GetNumber(AtkValue* object, GValue* out) {
    memset(out, 0, sizeof *out);
    g_value_init(out, G_TYPE_DOUBLE);
    g_value_set_double(out, InfoOf(object).*kNumber);
}

void InitValue(gpointer interface, gpointer /*data*/) {
    auto* iface = static_cast<AtkValueIface*>(interface);
    iface->get_value_and_text = GetValueAndText;
    iface->get_range = GetRange;
    iface->get_current_value = GetNumber<&AccessibleInfo::value>;
    iface->get_minimum_value = GetNumber<&AccessibleInfo::minimum>;
    iface->get_maximum_value = GetNumber<&AccessibleInfo::maximum>;
}

void InitClass(gpointer klass, gpointer /*data*/) {
    auto* atkClass = ATK_OBJECT_CLASS(klass);
    atkClass->get_name = GetCachedText<&AccessibleInfo::name, &KestrelAccessible::name>;
    atkClass->get_description =
        GetCachedText<&AccessibleInfo::description, &KestrelAccessible::description>;
    atkClass->get_role = GetRole;
    atkClass->get_parent = GetParent;
    atkClass->get_n_children = GetNChildren;
    atkClass->ref_child = RefChild;
    atkClass->get_index_in_parent = IndexInParent;
    atkClass->ref_state_set = RefStateSet;
    G_OBJECT_CLASS(klass)->finalize = Finalize;
}

void AddInterface(GType type, GType interfaceType, GInterfaceInitFunc init) {
    const GInterfaceInfo info{init, nullptr, nullptr};
    g_type_add_interface_static(type, interfaceType, &info);
}

GType TypeFor(unsigned interfaces) {
    static GType types[8] = {};
    GType& type = types[interfaces];
    if (type) {
        return type;
    }
    GTypeInfo info{};
    info.class_size = sizeof(KestrelAccessibleClass);
    info.class_init = InitClass;
    info.instance_size = sizeof(KestrelAccessible);
    const std::string name = "KestrelAccessible" + std::to_string(interfaces);
    type = g_type_register_static(ATK_TYPE_OBJECT, name.c_str(), &info, GTypeFlags{});
    AddInterface(type, ATK_TYPE_COMPONENT, InitComponent);
    if (interfaces & kWithAction) {
        AddInterface(type, ATK_TYPE_ACTION, InitAction);
    }
    if (interfaces & kWithText) {
        AddInterface(type, ATK_TYPE_TEXT, InitText);
    }
    if (interfaces & kWithValue) {
        AddInterface(type, ATK_TYPE_VALUE, InitValue);
    }
    return type;
}

// The application object.

gint RootNChildren(AtkObject* /*root*/) {
    return static_cast<gint>(TopLevelWindows().size());
}

AtkObject* RootRefChild(AtkObject* /*root*/, gint index) {
    const auto tops = TopLevelWindows();
    if (index < 0 || static_cast<size_t>(index) >= tops.size()) {
        return nullptr;
    }
    AtkObject* child = Lookup(tops[static_cast<size_t>(index)], -1);
    return child ? ATK_OBJECT(g_object_ref(child)) : nullptr;
}

GType RootType() {
    static GType type = 0;
    if (!type) {
        GTypeInfo info{};
        info.class_size = sizeof(AtkObjectClass);
        info.class_init = [](gpointer klass, gpointer) {
            ATK_OBJECT_CLASS(klass)->get_n_children = RootNChildren;
            ATK_OBJECT_CLASS(klass)->ref_child = RootRefChild;
        };
        info.instance_size = sizeof(AtkObject);
        type = g_type_register_static(ATK_TYPE_OBJECT, "KestrelApplication", &info, GTypeFlags{});
    }
    return type;
}

// Emits a state change for each state that differs from the last one announced.
void AnnounceStates(AtkObject* object) {
    AccessibleInfo info;
    const unsigned now = DescribeObject(object, info) ? info.states : 0;
    const unsigned changed = now ^ Self(object)->states;
    Self(object)->states = now;
    for (const auto& [bit, state] : kStates) {
        if (changed & bit) {
            atk_object_notify_state_change(object, state, (now & bit) != 0);
        }
    }
    if (changed & kAccessibleVisible) {
        atk_object_notify_state_change(object, ATK_STATE_SHOWING, (now & kAccessibleVisible) != 0);
    }
}

void ReplaceParts(NativeWindow window, AtkObject* object) {
    auto& generation = PartGenerations()[window.Bits()];
    std::vector<AtkObject*> old;
    for (const auto& [key, part] : Objects()) {
        if (key.window == window.Bits() && key.part >= 0 && key.generation == generation) {
            old.push_back(part);
        }
    }
    ++generation;
    for (AtkObject* part : old) {
        g_signal_emit_by_name(object, "children-changed::remove", Self(part)->part, part);
        atk_object_notify_state_change(part, ATK_STATE_DEFUNCT, TRUE);
    }
    const auto count = static_cast<gint>(Describe(window).parts.size());
    for (gint i = 0; i < count; ++i) {
        g_signal_emit_by_name(object, "children-changed::add", i, Lookup(window, i));
    }
}

// The window's object, or that of its part that holds the keyboard (a menu's highlighted item).
AtkObject* FocusedObject(NativeWindow window, AtkObject* object) {
    const int part = Describe(window).FocusedPart();
    AtkObject* focused = part >= 0 ? Lookup(window, part) : nullptr;
    return focused ? focused : object;
}

// What toolkits raise for a focus move: the state change on the object that lost the focus and
// on the one that has it, and the focus signal that the bridge sends as "focus:".
void AnnounceFocus(AtkObject* object) {
    AtkObject*& last = LastFocused();
    if (last && last != object) {
        AnnounceStates(last);
    }
    last = object;
    // Announced even when the object was made just now, already focused.
    Self(object)->states &= ~kAccessibleFocused;
    AnnounceStates(object);
    if (Self(object)->states & kAccessibleFocused) {
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        atk_focus_tracker_notify(object);
        G_GNUC_END_IGNORE_DEPRECATIONS
    }
}

}  // namespace

AtkObject* Root() {
    static AtkObject* root = [] {
        auto* object = ATK_OBJECT(g_object_new(RootType(), nullptr));
        atk_object_initialize(object, nullptr);
        atk_object_set_role(object, ATK_ROLE_APPLICATION);
        atk_object_set_name(object, g_get_prgname() ? g_get_prgname() : "kestrel-installer");
        return object;
    }();
    return root;
}

AtkObject* ObjectOf(NativeWindow window) {
    return Lookup(window, -1);
}

void Announce(NativeWindow window, AccessibleEvent event) {
    ForgetDeadObjects();
    AtkObject* object = ObjectOf(window);
    if (!object) {
        return;
    }
    switch (event) {
        case AccessibleEvent::kFocus:
            AnnounceFocus(FocusedObject(window, object));
            break;
        case AccessibleEvent::kState:
            AnnounceStates(object);
            break;
        case AccessibleEvent::kName:
            g_object_notify(G_OBJECT(object), "accessible-name");
            g_object_notify(G_OBJECT(object), "accessible-description");
            break;
        case AccessibleEvent::kValue: {
            const AccessibleInfo info = Describe(window);
            if (info.hasValue) {
                g_object_notify(G_OBJECT(object), "accessible-value");
            }
            for (size_t i = 0; i < info.parts.size(); ++i) {
                AtkObject* part = Lookup(window, static_cast<int>(i));
                g_object_notify(G_OBJECT(part), "accessible-name");
                if (info.parts[i].hasValue) {
                    g_object_notify(G_OBJECT(part), "accessible-value");
                }
            }
            break;
        }
        case AccessibleEvent::kCaret: {
            AccessibleInfo info;
            if (ATK_IS_TEXT(object) && DescribeObject(object, info) && info.caret >= 0) {
                g_signal_emit_by_name(object, "text-caret-moved",
                                      static_cast<gint>(CharacterOffset(info.text, info.caret)));
                g_signal_emit_by_name(object, "text-selection-changed");
            }
            break;
        }
        case AccessibleEvent::kShown:
        case AccessibleEvent::kHidden:
            if (window->topLevel) {
                const char* signal = event == AccessibleEvent::kShown ? "children-changed::add"
                                                                      : "children-changed::remove";
                g_signal_emit_by_name(Root(), signal, IndexInParent(object), object);
            }
            AnnounceStates(object);
            break;
        case AccessibleEvent::kPartsChanged:
            ReplaceParts(window, object);
            break;
    }
}

}  // namespace platform::atk
