// The layout probe: a library the DPI layout tests hook into the running
// program's interface thread (SetWindowsHookEx, WH_CALLWNDPROC), so that the
// measuring happens in the program itself, with each control's own font,
// DPI and metrics. The test sends kLayoutProbeMessage to a top-level window
// of the program; the hook answers by writing a report of the window and
// every child into the shared memory kLayoutProbeReport, which the test
// made. With a DPI in WPARAM the hook first hands the window WM_DPICHANGED
// for that DPI (with the rectangle Windows would suggest), as a move to a
// monitor of that DPI would.
//
// Report lines, fields separated by tabs:
//   window  CLASS TEXT CLIENT_W CLIENT_H DPI
//   control PATH CLASS ID STYLE VISIBLE TEXT L T R B PARENT_W PARENT_H
//           CHAR_HEIGHT NEED_W NEED_H AVAIL_W AVAIL_H
//     (PATH names the control by its and its ancestors' ids, or where one
//      has none by its text or else its class; L T R B lie in its
//      parent's client coordinates; NEED is what its text needs, AVAIL
//      what the control gives it; -1 where nothing is measured)
//   images  PATH CLASS WHICH WIDTH HEIGHT
//   column  PATH INDEX TEXT NEED_W WIDTH
//   cell    PATH ROW COLUMN TEXT NEED_W AVAIL_W
//   part    PATH INDEX TEXT NEED_W WIDTH  (status bar panels)
//   tab     PATH INDEX TEXT L T R B PARENT_W PARENT_H
#pragma once

inline constexpr wchar_t kLayoutProbeMessageName[] = L"DrovenmarkLayoutProbe";
inline constexpr wchar_t kLayoutProbeReport[] = L"DrovenmarkLayoutProbeReport";
inline constexpr unsigned kLayoutProbeReportBytes = 4u << 20;
inline constexpr char kLayoutProbeHookName[] = "LayoutProbeHook";
