#pragma once
// What the windows of the pages work with: the engine that shows them, the window they
// are in, and the program's one database, state and watch finder.
namespace dorvath {

class AppState;
class FrameHost;
class HtmlEngine;
class TrackDatabase;
class WatchFinder;

struct PagesContext {
    HtmlEngine& engine;
    FrameHost& host;
    TrackDatabase& db;
    AppState& state;
    WatchFinder& watches;
};

}  // namespace dorvath
