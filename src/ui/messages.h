#pragma once
// The window messages the pages send each other.
#include "engine/event_loop.h"

namespace dorvath {

constexpr unsigned WM_CLOSE = 0x0010;
constexpr unsigned WM_PAGE_COMMAND = kWmUser + 100;
constexpr unsigned WM_FRAME_MAXRESTORE = kWmUser + 1000;
constexpr unsigned WM_RELOAD_DAY = kWmUser + 10002;
constexpr unsigned WM_DOWNLOAD_PROGRESS = kWmUser + 10003;
constexpr unsigned WM_MAP_LOADED = kWmUser + 10004;
constexpr unsigned WM_MAP_RCLICK = kWmUser + 10005;
constexpr unsigned WM_LIST_FIT_COLUMN = kWmUser + 10006;
constexpr unsigned WM_DOWNLOAD_DONE = kWmUser + 10012;
constexpr unsigned WM_SHOW_MAP_POINT = kWmUser + 10013;
// The download worker is done (wParam: its result): posted to the download dialog, which
// ends itself. Posting keeps it behind the worker's last progress text, and a dialog that
// is already gone just drops it.
constexpr unsigned WM_DOWNLOAD_END = kWmUser + 10014;
// The map service answered its probe: the map page may expect fresh tiles.
constexpr unsigned WM_MAP_SERVICE = kWmUser + 10015;
// How far the download is (data: a DownloadMeter), posted to the download dialog.
constexpr unsigned WM_DOWNLOAD_METER = kWmUser + 10016;

}  // namespace dorvath
