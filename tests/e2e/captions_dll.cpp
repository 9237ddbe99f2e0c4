// captions.dll: loaded into the program under test by the end-to-end driver
// (a thread of the program's that runs LoadLibraryA). It measures each box's
// caption in the box's own font and writes what it found beside itself, in
// CAPTIONS.DLL.txt. The work runs on a thread of its own, after the loader
// has let go of the process.
#include "tests/e2e/captions.h"

namespace {

HMODULE self;

void Measure(HWND box, e2e::CaptionMeasure& measure) {
    GetWindowTextA(box, measure.text, sizeof measure.text);
    const HFONT font = reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0));
    measure.fontSet = font != nullptr;
    HDC dc = GetDC(box);
    const HGDIOBJ previous = SelectObject(dc, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
    SIZE extent = {};
    GetTextExtentPoint32A(dc, measure.text, lstrlenA(measure.text), &extent);
    measure.textWidth = extent.cx;
    INT zero = 0;
    GetCharWidthA(dc, '0', '0', &zero);
    measure.zeroWidth = zero;
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    measure.height = metrics.tmHeight;
    GetTextFaceA(dc, sizeof measure.face, measure.face);
    SelectObject(dc, previous);
    ReleaseDC(box, dc);
}

DWORD WINAPI MeasureAll(void*) {
    e2e::CaptionMeasures measures = {};
    const HWND window = e2e::MainWindowOf(GetCurrentProcessId());
    for (int i = 0; i < 3; ++i)
        Measure(GetDlgItem(window, e2e::kBoxes[i]), measures.box[i]);
    HDC screen = GetDC(nullptr);
    measures.dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);

    // Written under another name and then renamed, so that the driver never
    // reads half of it.
    char path[MAX_PATH], partial[MAX_PATH];
    GetModuleFileNameA(self, path, MAX_PATH);
    e2e::Append(path, ".txt", MAX_PATH);
    e2e::Copy(partial, path, MAX_PATH);
    e2e::Append(partial, ".part", MAX_PATH);
    if (e2e::WriteWhole(partial, &measures, sizeof measures)) MoveFileA(partial, path);
    return 0;
}

} // namespace

extern "C" BOOL WINAPI CaptionsEntry(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        CloseHandle(CreateThread(nullptr, 0, MeasureAll, nullptr, 0, nullptr));
    }
    return TRUE;
}
