// captions.dll, loaded into the program by the e2e driver, as a font handle
// means nothing in another process. On a thread of its own, once the loader
// has let go, it checks that each caption, in its box's font, ends before the
// box that covers it (the client area's edge for the last): a check box draws
// its glyph, 12 pixels at 96 dpi and one more, half a '0' of space, the text.
// Writes an INFO line, then a line per fault, beside itself as CAPTIONS.DLL.txt.
#include "winehost/harness.h"

namespace {

HMODULE self;
char report[4096];

template <typename... Arguments> void Report(const char* format, Arguments... arguments) {
    char line[512];
    wsprintfA(line, format, arguments...);
    e2e::Append(report, line, sizeof report);
    e2e::Append(report, "\n", sizeof report);
}

struct Caption {
    char text[32], face[32]; // the box's caption and the face its font resolved to
    SIZE extent;             // the caption's in that font
    LONG height;             // the font's cell height
    INT zero;                // the width of '0'
};

DWORD WINAPI CheckCaptions(void*) {
    e2e::Program program = {};
    program.window = e2e::MainWindowOf(GetCurrentProcessId());
    Caption captions[3] = {};
    const Caption& first = captions[0];
    for (int i = 0; i < 3; ++i) {
        const HWND box = e2e::Box(program, e2e::kBoxes[i]);
        Caption& caption = captions[i];
        GetWindowTextA(box, caption.text, sizeof caption.text);
        const HFONT font = reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0));
        HDC dc = GetDC(box);
        const LONG dpi = GetDeviceCaps(dc, LOGPIXELSX);
        const HGDIOBJ previous =
            SelectObject(dc, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
        GetTextExtentPoint32A(dc, caption.text, lstrlenA(caption.text), &caption.extent);
        GetCharWidthA(dc, '0', '0', &caption.zero);
        TEXTMETRICA metrics = {};
        GetTextMetricsA(dc, &metrics);
        caption.height = metrics.tmHeight;
        GetTextFaceA(dc, sizeof caption.face, caption.face);
        SelectObject(dc, previous);
        ReleaseDC(box, dc);

        if (i == 0)
            Report("INFO captions in %s, %ld pixels high, at %ld dpi", first.face, first.height,
                   dpi);
        if (font == nullptr)
            Report("expected \"%s\" in a font set by the program, seen none", caption.text);
        if (!e2e::Same(caption.face, first.face) || caption.height != first.height)
            Report("expected one font for every caption, seen %s %ld pixels for \"%s\" and %s %ld "
                   "pixels for \"%s\"",
                   first.face, first.height, first.text, caption.face, caption.height,
                   caption.text);
        RECT place = e2e::VisiblePart(program, e2e::kBoxes[i]);
        MapWindowPoints(nullptr, program.window, reinterpret_cast<POINT*>(&place), 2);
        const LONG end = place.left + 12 * dpi / 96 + 1 + caption.zero / 2 + caption.extent.cx;
        if (end > place.right)
            Report("expected \"%s\" to end by x %ld, where %s, seen it end at x %ld (%ld pixels "
                   "of text in %s %ld pixels high)",
                   caption.text, place.right,
                   i < 2 ? "the next box covers it" : "the client area ends", end,
                   caption.extent.cx, caption.face, caption.height);
    }

    // Renamed once written, so that the driver never reads half of it.
    char path[MAX_PATH], partial[MAX_PATH];
    GetModuleFileNameA(self, path, MAX_PATH);
    e2e::Append(path, ".txt", MAX_PATH);
    wsprintfA(partial, "%s.part", path);
    if (e2e::WriteWhole(partial, report, lstrlenA(report))) MoveFileA(partial, path);
    return 0;
}

} // namespace

extern "C" BOOL WINAPI CaptionsEntry(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        CloseHandle(CreateThread(nullptr, 0, CheckCaptions, nullptr, 0, nullptr));
    }
    return TRUE;
}
