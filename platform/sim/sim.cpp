#include "platform/sim/sim.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <set>

namespace sim {

namespace {

constexpr platform::Status kErrorFileNotFound = 2;
constexpr platform::Status kErrorAccessDenied = 5;
constexpr platform::Status kErrorInvalidHandle = 6;
constexpr platform::Status kErrorInvalidParameter = 87;
constexpr platform::Status kErrorMoreData = 234;
constexpr unsigned kSpifUpdateIniFile = 1;
constexpr unsigned kSwpNoMove = 0x0002;
// Fixed handles, below every handle handed out by NewHandle.
constexpr Handle kStockObjects = 0x1000;
constexpr Handle kSysColorBrushes = 0x2000;
constexpr char kDesktopKey[] = "Control Panel\\Desktop";

struct Key {
    bool refuses = false;
    std::map<std::string, RegValue> values; // by lower-case name
};

struct State {
    State() {
        // The user's own scheme: no entry equals the night or the standard one.
        for (int i = 0; i < kElements; ++i)
            colors[i] = 0xA00000 + 0x0101 * i;
    }
    std::vector<Call> calls;
    std::map<Handle, Window> windows;
    std::vector<Handle> topLevel; // search order of FindWindowA
    std::map<std::string, platform::WindowProc> classes;
    std::map<Handle, Menu> menus;
    std::map<Handle, DcColors> dcColors;
    std::set<Handle> openDcs;
    Colors colors{};
    std::optional<std::string> wallpaper = std::string();
    std::map<std::string, Key> registry; // by lower-case full name
    std::map<Handle, std::string> openKeys;
    platform::Status failDataQuery = 0;
    Settings settings;
    Shell shell;
    int failAllocations = 0;
    int liveAllocations = 0;
    Handle focus = 0;
    std::set<int> keysDown;
    std::deque<platform::Message> queue;
    std::deque<std::function<void()>> idleActions;
    bool quitPosted = false;
    int exitCode = 0;
};

// Never destroyed: the program's globals may free memory after main returns.
State& S() {
    static State* state = new State();
    return *state;
}

Handle nextHandle = 0x10000;
Handle NewHandle() { return nextHandle += 4; }

Arg Num(std::int64_t number) {
    Arg arg;
    arg.number = number;
    return arg;
}

Arg Str(const char* text) {
    Arg arg;
    arg.kind = text == nullptr ? Arg::Kind::Null : Arg::Kind::Text;
    if (text != nullptr) arg.text = text;
    return arg;
}

Arg Ptr(bool present) {
    Arg arg;
    arg.kind = present ? Arg::Kind::Pointer : Arg::Kind::Null;
    return arg;
}

template <typename T> Arg List(const T* values, int count) {
    Arg arg;
    arg.kind = values == nullptr ? Arg::Kind::Null : Arg::Kind::List;
    for (int i = 0; values != nullptr && i < count; ++i)
        arg.list.push_back(values[i]);
    return arg;
}

void Record(const char* name, std::vector<Arg> args) {
    S().calls.push_back(Call{name, static_cast<std::vector<Arg>&&>(args)});
}

Window* Find(Handle window) {
    auto found = S().windows.find(window);
    return found == S().windows.end() ? nullptr : &found->second;
}

Handle Insert(Window window) {
    const Handle handle = NewHandle();
    if (Window* parent = Find(window.parent))
        parent->children.push_back(handle);
    else
        S().topLevel.push_back(handle);
    S().windows[handle] = static_cast<Window&&>(window);
    return handle;
}

// Takes a window and its children off the desktop without telling anyone.
void Remove(Handle handle) {
    Window* window = Find(handle);
    if (window == nullptr) return;
    const std::vector<Handle> children = window->children;
    for (Handle child : children)
        Remove(child);
    std::vector<Handle>& siblings =
        Find(window->parent) != nullptr ? Find(window->parent)->children : S().topLevel;
    siblings.erase(std::find(siblings.begin(), siblings.end(), handle));
    if (S().focus == handle) S().focus = 0;
    S().windows.erase(handle);
}

platform::LResult ButtonMessage(Window& box, unsigned message, platform::WParam wParam) {
    switch (message) {
    case platform::kBmSetCheck: box.check = static_cast<int>(wParam); return 0;
    case platform::kBmGetCheck: return box.check;
    case platform::kWmSetFont: box.font = wParam; return 0;
    default: return 0;
    }
}

// Hands a message to the window's procedure as the toolkit would.
platform::LResult Deliver(Handle handle, unsigned message, platform::WParam wParam,
                          platform::LParam lParam) {
    Window* window = Find(handle);
    if (window == nullptr) return 0;
    auto registered = S().classes.find(window->className);
    if (registered != S().classes.end()) return registered->second(handle, message, wParam, lParam);
    if (window->className == "Button") return ButtonMessage(*window, message, wParam);
    return 0;
}

// WM_DESTROY once to the window, then its children go, then the window.
bool Destroy(Handle handle) {
    Window* window = Find(handle);
    if (window == nullptr || window->destroying) return false;
    window->destroying = true;
    Deliver(handle, platform::kWmDestroy, 0, 0);
    if ((window = Find(handle)) == nullptr) return true;
    const std::vector<Handle> children = window->children;
    for (Handle child : children)
        Destroy(child);
    Remove(handle);
    return true;
}

std::string Lower(const std::string& text) {
    std::string lower = text;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

bool IsRoot(Handle key) { return key >= 0x80000000u && key <= 0x80000006u; }

std::string KeyName(Handle root, const std::string& path) {
    return path.empty() ? std::to_string(root) : std::to_string(root) + "\\" + Lower(path);
}

} // namespace

// --- Call log ---

std::string Call::str() const {
    std::string out = name + "(";
    for (std::size_t i = 0; i < args.size(); ++i) {
        const Arg& arg = args[i];
        if (i > 0) out += ", ";
        switch (arg.kind) {
        case Arg::Kind::Number: out += std::to_string(arg.number); break;
        case Arg::Kind::Text: out += "\"" + arg.text + "\""; break;
        case Arg::Kind::Null: out += "null"; break;
        case Arg::Kind::Pointer: out += "ptr"; break;
        case Arg::Kind::List:
            out += "{";
            for (std::size_t k = 0; k < arg.list.size(); ++k)
                out += (k > 0 ? ", " : "") + std::to_string(arg.list[k]);
            out += "}";
            break;
        }
    }
    return out + ")";
}

const std::vector<Call>& Calls() { return S().calls; }

std::vector<Call> CallsTo(const std::string& name) {
    std::vector<Call> found;
    for (const Call& call : S().calls)
        if (call.name == name) found.push_back(call);
    return found;
}

std::vector<std::string> Log(const std::string& name) {
    std::vector<std::string> lines;
    for (const Call& call : CallsTo(name))
        lines.push_back(call.str());
    return lines;
}

void ClearCalls() { S().calls.clear(); }

void Reset() { S() = State(); }

// --- Shell ---

Shell StartShell(const ShellOptions& options) {
    Shell& shell = S().shell;
    shell.taskbar = AddWindow("Shell_TrayWnd", "", 0, options.taskbarVisible);
    shell.desktop = AddWindow("Progman", "Program Manager");
    shell.icons = options.iconWindow
                      ? AddWindow("SHELLDLL_DefView", "", shell.desktop, options.iconsVisible)
                      : 0;
    return shell;
}

void StopShell() {
    Remove(S().shell.taskbar);
    Remove(S().shell.desktop);
    S().shell = Shell();
}

Shell RestartShell() {
    StopShell();
    return StartShell();
}

Handle AddWindow(const std::string& className, const std::string& title, Handle parent,
                 bool visible) {
    Window window;
    window.className = className;
    window.title = title;
    window.parent = parent;
    window.visible = visible;
    return Insert(static_cast<Window&&>(window));
}

// --- Inspection and set-up ---

const Window* WindowInfo(Handle window) { return Find(window); }

Handle ChildWithId(Handle parent, std::uintptr_t id) {
    const Window* window = Find(parent);
    if (window == nullptr) return 0;
    for (Handle child : window->children)
        if (Find(child)->id == id) return child;
    return 0;
}

Handle Focus() { return S().focus; }

const Menu* MenuInfo(Handle menu) {
    auto found = S().menus.find(menu);
    return found == S().menus.end() ? nullptr : &found->second;
}

DcColors DcState(Handle dc) { return S().dcColors[dc]; }

int OpenDcs() { return static_cast<int>(S().openDcs.size()); }

Colors CurrentColors() { return S().colors; }

void SetColors(const Colors& colors) { S().colors = colors; }

std::optional<std::string> Wallpaper() { return S().wallpaper; }

void ChooseWallpaper(const std::string& path) {
    S().wallpaper = path;
    SetText(kCurrentUser, kDesktopKey, "Wallpaper", path);
}

void AddKey(Handle root, const std::string& path) { S().registry[KeyName(root, path)]; }

void SetValue(Handle root, const std::string& path, const std::string& name, std::uint32_t type,
              std::vector<std::uint8_t> bytes) {
    S().registry[KeyName(root, path)].values[Lower(name)] =
        RegValue{type, static_cast<std::vector<std::uint8_t>&&>(bytes)};
}

void SetText(Handle root, const std::string& path, const std::string& name, const std::string& text,
             bool terminated) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    if (terminated) bytes.push_back(0);
    SetValue(root, path, name, platform::kRegSz, bytes);
}

void SetNumber(Handle root, const std::string& path, const std::string& name, std::uint64_t value,
               std::size_t bytes) {
    std::vector<std::uint8_t> data;
    for (std::size_t i = 0; i < bytes; ++i)
        data.push_back(static_cast<std::uint8_t>(value >> 8 * i));
    SetValue(root, path, name, platform::kRegDword, data);
}

void RefuseKey(Handle root, const std::string& path) {
    S().registry[KeyName(root, path)].refuses = true;
}

void FailNextDataQuery(platform::Status status) { S().failDataQuery = status; }

std::optional<RegValue> Value(Handle root, const std::string& path, const std::string& name) {
    auto key = S().registry.find(KeyName(root, path));
    if (key == S().registry.end()) return std::nullopt;
    auto value = key->second.values.find(Lower(name));
    if (value == key->second.values.end()) return std::nullopt;
    return value->second;
}

int OpenKeys() { return static_cast<int>(S().openKeys.size()); }

void FailAllocations(int count) { S().failAllocations = count; }

int LiveAllocations() { return S().liveAllocations; }

Settings& Config() { return S().settings; }

void SetKeyDown(int virtualKey, bool down) {
    if (down)
        S().keysDown.insert(virtualKey);
    else
        S().keysDown.erase(virtualKey);
}

void Click(Handle box) {
    Window* window = Find(box);
    if (window == nullptr) return;
    window->check =
        window->check == platform::kBstChecked ? platform::kBstUnchecked : platform::kBstChecked;
    const platform::WParam command = (platform::WParam{platform::kBnClicked} << 16) | window->id;
    Deliver(window->parent, platform::kWmCommand, command, static_cast<platform::LParam>(box));
}

void ChooseMenu(Handle window, unsigned id) { Deliver(window, platform::kWmCommand, id, 0); }

void Close(Handle window) { Deliver(window, platform::kWmClose, 0, 0); }

void Post(Handle window, unsigned message, platform::WParam wParam, platform::LParam lParam) {
    S().queue.push_back(platform::Message{window, message, wParam, lParam});
}

void WhenIdle(std::function<void()> action) {
    S().idleActions.push_back(static_cast<std::function<void()>&&>(action));
}

bool QuitPosted() { return S().quitPosted; }

} // namespace sim

// --- The platform functions over the simulated desktop ---

namespace platform {

using sim::Num;
using sim::Ptr;
using sim::Record;
using sim::S;
using sim::Str;

Handle FindWindowA(const char* className, const char* windowTitle) {
    Record("FindWindowA", {Str(className), Str(windowTitle)});
    for (Handle handle : S().topLevel) {
        const sim::Window& window = *sim::Find(handle);
        if ((className == nullptr || window.className == className) &&
            (windowTitle == nullptr || window.title == windowTitle))
            return handle;
    }
    return 0;
}

Handle GetWindow(Handle window, int command) {
    Record("GetWindow", {Num(window), Num(command)});
    const sim::Window* found = sim::Find(window);
    if (found == nullptr || command != kGwChild || found->children.empty()) return 0;
    return found->children.front();
}

int IsWindowVisible(Handle window) {
    Record("IsWindowVisible", {Num(window)});
    if (window == 0) return 0;
    for (Handle h = window; h != 0; h = sim::Find(h)->parent)
        if (sim::Find(h) == nullptr || !sim::Find(h)->visible) return 0;
    return 1;
}

int ShowWindow(Handle window, int showCommand) {
    Record("ShowWindow", {Num(window), Num(showCommand)});
    sim::Window* found = sim::Find(window);
    if (found == nullptr) return 0;
    const bool was = found->visible;
    found->visible = showCommand != kSwHide;
    return was ? 1 : 0;
}

int SystemParametersInfoA(unsigned action, unsigned uiParam, void* pvParam, unsigned winIni) {
    const char* path = static_cast<const char*>(pvParam);
    Record("SystemParametersInfoA",
           {Num(action), Num(uiParam), action == kSpiSetDeskWallpaper ? Str(path) : Ptr(pvParam),
            Num(winIni)});
    if (action != kSpiSetDeskWallpaper) return 0;
    S().wallpaper = path == nullptr ? std::nullopt : std::optional<std::string>(path);
    if ((winIni & sim::kSpifUpdateIniFile) != 0)
        sim::SetText(kHkeyCurrentUser, sim::kDesktopKey, "Wallpaper", path ? path : "");
    return 1;
}

ColorRef GetSysColor(int element) {
    Record("GetSysColor", {Num(element)});
    return element >= 0 && element < sim::kElements ? S().colors[element] : 0;
}

int SetSysColors(int count, const std::int32_t* elements, const ColorRef* values) {
    Record("SetSysColors", {Num(count), sim::List(elements, count), sim::List(values, count)});
    if (count <= 0 || elements == nullptr || values == nullptr) return 0;
    for (int i = 0; i < count; ++i)
        if (elements[i] >= 0 && elements[i] < sim::kElements) S().colors[elements[i]] = values[i];
    return 1;
}

Status RegOpenKeyExA(Handle root, const char* subKey, std::uint32_t options, std::uint32_t access,
                     Handle* key) {
    Record("RegOpenKeyExA", {Num(root), Str(subKey), Num(options), Num(access),
                             key == nullptr ? Ptr(false) : Num(static_cast<std::int64_t>(*key))});
    std::string base;
    if (sim::IsRoot(root))
        base = std::to_string(root);
    else if (S().openKeys.count(root) != 0)
        base = S().openKeys[root];
    else
        return sim::kErrorInvalidHandle;
    if (key == nullptr) return sim::kErrorInvalidParameter;
    const std::string path =
        subKey == nullptr || *subKey == '\0' ? base : base + "\\" + sim::Lower(subKey);
    auto found = S().registry.find(path);
    if (found == S().registry.end()) return sim::kErrorFileNotFound;
    if (found->second.refuses) return sim::kErrorAccessDenied;
    *key = sim::NewHandle();
    S().openKeys[*key] = path;
    return 0;
}

Status RegQueryValueExA(Handle key, const char* valueName, std::uint32_t* reserved,
                        std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) {
    Record("RegQueryValueExA", {Num(key), Str(valueName), Ptr(reserved), Ptr(type), Ptr(data),
                                size == nullptr ? Ptr(false) : Num(*size)});
    auto open = S().openKeys.find(key);
    if (open == S().openKeys.end()) return sim::kErrorInvalidHandle;
    if (reserved != nullptr || (data != nullptr && size == nullptr))
        return sim::kErrorInvalidParameter;
    const auto& values = S().registry[open->second].values;
    auto found = values.find(sim::Lower(valueName == nullptr ? "" : valueName));
    if (found == values.end()) return sim::kErrorFileNotFound;
    const sim::RegValue& value = found->second;
    const auto needed = static_cast<std::uint32_t>(value.bytes.size());
    if (type != nullptr) *type = value.type;
    if (data == nullptr) {
        if (size != nullptr) *size = needed;
        return 0;
    }
    if (const Status failure = S().failDataQuery) {
        S().failDataQuery = 0;
        return failure;
    }
    // Windows leaves the buffer's contents undefined when it is too small;
    // filling it up to *size shows a caller that trusts them anyway.
    const std::uint32_t copied = *size < needed ? *size : needed;
    if (copied > 0) std::memcpy(data, value.bytes.data(), copied);
    const Status status = *size < needed ? sim::kErrorMoreData : 0;
    *size = needed;
    return status;
}

Status RegCloseKey(Handle key) {
    Record("RegCloseKey", {Num(key)});
    return S().openKeys.erase(key) != 0 ? 0 : sim::kErrorInvalidHandle;
}

void* AllocateZeroed(std::size_t bytes) {
    Record("AllocateZeroed", {Num(static_cast<std::int64_t>(bytes))});
    if (S().failAllocations > 0) {
        --S().failAllocations;
        return nullptr;
    }
    ++S().liveAllocations;
    return std::calloc(bytes == 0 ? 1 : bytes, 1);
}

void Free(void* block) {
    Record("Free", {Ptr(block)});
    if (block == nullptr) return;
    --S().liveAllocations;
    std::free(block);
}

bool ReadOwnVersion(OwnVersion* version) {
    Record("ReadOwnVersion", {Ptr(version)});
    const sim::Settings& settings = S().settings;
    if (version == nullptr || !settings.versionReadable) return false;
    version->major = settings.version[0];
    version->minor = settings.version[1];
    version->build = settings.version[2];
    version->revision = settings.version[3];
    const std::size_t length =
        std::min(settings.companyName.size(), sizeof version->companyName - 1);
    std::memcpy(version->companyName, settings.companyName.data(), length);
    version->companyName[length] = '\0';
    return true;
}

bool RegisterMainClass(const char* className, WindowProc procedure) {
    Record("RegisterMainClass", {Str(className), Ptr(procedure != nullptr)});
    if (className == nullptr || procedure == nullptr) return false;
    S().classes[className] = procedure;
    return true;
}

Handle CreateWindowExA(std::uint32_t exStyle, const char* className, const char* title,
                       std::uint32_t style, int x, int y, int width, int height, Handle parent,
                       std::uintptr_t menuOrId) {
    Record("CreateWindowExA",
           {Num(exStyle), Str(className), Str(title), Num(style), Num(x), Num(y), Num(width),
            Num(height), Num(parent), Num(static_cast<std::int64_t>(menuOrId))});
    if (className == nullptr) return 0;
    const bool registered = S().classes.count(className) != 0;
    if (!registered && std::strcmp(className, "Button") != 0) return 0;
    if (registered && !S().settings.mainWindowCreatable) return 0;
    if (parent != 0 && sim::Find(parent) == nullptr) return 0;
    sim::Window window;
    window.className = className;
    window.title = title == nullptr ? "" : title;
    window.style = style;
    window.parent = parent;
    window.id = (style & kWsChild) != 0 ? menuOrId : 0;
    window.visible = (style & kWsVisible) != 0;
    window.menu = (style & kWsChild) == 0 ? menuOrId : 0;
    window.rect = Rect{x, y, x + width, y + height};
    const Handle handle = sim::Insert(window);
    if (sim::Deliver(handle, kWmCreate, 0, 0) == -1) {
        sim::Destroy(handle);
        return 0;
    }
    return handle;
}

int DestroyWindow(Handle window) {
    Record("DestroyWindow", {Num(window)});
    return sim::Destroy(window) ? 1 : 0;
}

LResult DefWindowProcA(Handle window, unsigned message, WParam wParam, LParam lParam) {
    Record("DefWindowProcA",
           {Num(window), Num(message), Num(static_cast<std::int64_t>(wParam)), Num(lParam)});
    if (message == kWmClose) sim::Destroy(window);
    return 0;
}

LResult SendMessageA(Handle window, unsigned message, WParam wParam, LParam lParam) {
    Record("SendMessageA",
           {Num(window), Num(message), Num(static_cast<std::int64_t>(wParam)), Num(lParam)});
    return sim::Deliver(window, message, wParam, lParam);
}

int AdjustWindowRectEx(Rect* rect, std::uint32_t style, int hasMenu, std::uint32_t exStyle) {
    if (rect == nullptr) {
        Record("AdjustWindowRectEx", {Ptr(false), Num(style), Num(hasMenu), Num(exStyle)});
        return 0;
    }
    Record("AdjustWindowRectEx", {Num(rect->left), Num(rect->top), Num(rect->right),
                                  Num(rect->bottom), Num(style), Num(hasMenu), Num(exStyle)});
    const sim::Settings& settings = S().settings;
    rect->left -= settings.frame;
    rect->right += settings.frame;
    rect->bottom += settings.frame;
    rect->top -= settings.frame + ((style & kWsCaption) == kWsCaption ? settings.caption : 0) +
                 (hasMenu != 0 ? settings.menu : 0);
    return 1;
}

int GetWindowRect(Handle window, Rect* rect) {
    Record("GetWindowRect", {Num(window), Ptr(rect)});
    const sim::Window* found = sim::Find(window);
    if (found == nullptr || rect == nullptr) return 0;
    *rect = found->rect;
    return 1;
}

int SetWindowPos(Handle window, Handle insertAfter, int x, int y, int width, int height,
                 unsigned flags) {
    Record("SetWindowPos",
           {Num(window), Num(insertAfter), Num(x), Num(y), Num(width), Num(height), Num(flags)});
    sim::Window* found = sim::Find(window);
    if (found == nullptr) return 0;
    Rect& rect = found->rect;
    if ((flags & kSwpNoSize) == 0) {
        rect.right = rect.left + width;
        rect.bottom = rect.top + height;
    }
    if ((flags & sim::kSwpNoMove) == 0)
        rect = Rect{x, y, x + rect.right - rect.left, y + rect.bottom - rect.top};
    return 1;
}

int GetSystemMetrics(int index) {
    Record("GetSystemMetrics", {Num(index)});
    if (index == kSmCxScreen) return S().settings.screenWidth;
    return 0;
}

Handle GetDC(Handle window) {
    Record("GetDC", {Num(window)});
    if (window != 0 && sim::Find(window) == nullptr) return 0;
    const Handle dc = sim::NewHandle();
    S().openDcs.insert(dc);
    return dc;
}

int ReleaseDC(Handle window, Handle dc) {
    Record("ReleaseDC", {Num(window), Num(dc)});
    return S().openDcs.erase(dc) != 0 ? 1 : 0;
}

int GetDeviceCaps(Handle dc, int index) {
    Record("GetDeviceCaps", {Num(dc), Num(index)});
    if (S().openDcs.count(dc) == 0) return 0;
    return index == kLogPixelsX || index == kLogPixelsY ? S().settings.dpi : 0;
}

Handle GetStockObject(int object) {
    Record("GetStockObject", {Num(object)});
    return object >= 0 && object <= 19 ? sim::kStockObjects + object : 0;
}

Handle CreateMenu() {
    Record("CreateMenu", {});
    const Handle menu = sim::NewHandle();
    S().menus[menu] = sim::Menu{false, {}};
    return menu;
}

Handle CreatePopupMenu() {
    Record("CreatePopupMenu", {});
    const Handle menu = sim::NewHandle();
    S().menus[menu] = sim::Menu{true, {}};
    return menu;
}

int AppendMenuA(Handle menu, unsigned flags, std::uintptr_t idOrPopup, const char* text) {
    Record("AppendMenuA",
           {Num(menu), Num(flags), Num(static_cast<std::int64_t>(idOrPopup)), Str(text)});
    auto found = S().menus.find(menu);
    if (found == S().menus.end()) return 0;
    if ((flags & kMfPopup) != 0 && S().menus.count(idOrPopup) == 0) return 0;
    std::optional<std::string> item;
    if (text != nullptr) item = text;
    found->second.items.push_back(sim::MenuItem{flags, idOrPopup, item});
    return 1;
}

int SetMenu(Handle window, Handle menu) {
    Record("SetMenu", {Num(window), Num(menu)});
    sim::Window* found = sim::Find(window);
    if (found == nullptr || (menu != 0 && S().menus.count(menu) == 0)) return 0;
    found->menu = menu;
    return 1;
}

ColorRef SetTextColor(Handle dc, ColorRef color) {
    Record("SetTextColor", {Num(dc), Num(color)});
    std::optional<ColorRef>& text = S().dcColors[dc].text;
    const ColorRef previous = text.value_or(0x000000);
    text = color;
    return previous;
}

ColorRef SetBkColor(Handle dc, ColorRef color) {
    Record("SetBkColor", {Num(dc), Num(color)});
    std::optional<ColorRef>& background = S().dcColors[dc].background;
    const ColorRef previous = background.value_or(0xFFFFFF);
    background = color;
    return previous;
}

Handle GetSysColorBrush(int element) {
    Record("GetSysColorBrush", {Num(element)});
    return element >= 0 && element < sim::kElements ? sim::kSysColorBrushes + element : 0;
}

Handle SetFocus(Handle window) {
    Record("SetFocus", {Num(window)});
    if (window != 0 && sim::Find(window) == nullptr) return 0;
    const Handle previous = S().focus;
    S().focus = window;
    return previous;
}

Handle GetParent(Handle window) {
    Record("GetParent", {Num(window)});
    const sim::Window* found = sim::Find(window);
    return found == nullptr ? 0 : found->parent;
}

short GetKeyState(int virtualKey) {
    Record("GetKeyState", {Num(virtualKey)});
    // The high bit marks a key that is down.
    return S().keysDown.count(virtualKey) != 0 ? static_cast<short>(-0x8000) : 0;
}

int MessageBoxA(Handle owner, const char* text, const char* caption, unsigned style) {
    Record("MessageBoxA", {Num(owner), Str(text), Str(caption), Num(style)});
    return S().settings.messageBoxAnswer;
}

void PostQuitMessage(int exitCode) {
    Record("PostQuitMessage", {Num(exitCode)});
    S().quitPosted = true;
    S().exitCode = exitCode;
}

int RunMessageLoop(bool (*preTranslate)(const Message& message)) {
    Record("RunMessageLoop", {Ptr(preTranslate != nullptr)});
    // As in Windows, the quit is seen only once the queue is empty.
    for (;;) {
        if (S().queue.empty()) {
            if (S().quitPosted) break;
            if (S().idleActions.empty()) return -1;
            std::function<void()> action = S().idleActions.front();
            S().idleActions.pop_front();
            action();
            continue;
        }
        const Message message = S().queue.front();
        S().queue.pop_front();
        if (preTranslate != nullptr && preTranslate(message)) continue;
        sim::Deliver(message.window, message.message, message.wParam, message.lParam);
    }
    S().quitPosted = false;
    return S().exitCode;
}

} // namespace platform
