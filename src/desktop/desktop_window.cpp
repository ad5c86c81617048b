#include "desktop/desktop_window.h"

#include <gdk/gdk.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <iterator>
#include <mutex>

namespace dorvath {

namespace {

class GtkDesktopWindow final : public DesktopWindow {
  public:
    GtkDesktopWindow(DesktopWindowOptions options, DesktopCallbacks callbacks);
    ~GtkDesktopWindow() override;
    int run() override;
    void quit(int code) override;
    void minimize() override;
    void present() override;
    void moveResize(const DesktopRect& r) override;
    void reload() override;
    DesktopRect monitorGeometry() const override;
    DesktopRect monitorWorkArea() const override;
    NativeFileAnswer chooseFile(const NativeFileRequest& request) override;
    void openExternally(const std::string& pathOrUrl) override;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace

struct GtkDesktopWindow::Impl {
    DesktopWindowOptions options;
    DesktopCallbacks callbacks;
    GtkWidget* window = nullptr;
    GtkWidget* view = nullptr;
    WebKitWebContext* webContext = nullptr;
    int exitCode = 0;
    mutable std::mutex mutex;
    DesktopRect rect, monitor, workArea;

    void updateMonitor() {
        GdkDisplay* display = gtk_widget_get_display(window);
        GdkWindow* gw = gtk_widget_get_window(window);
        GdkMonitor* m = gw ? gdk_display_get_monitor_at_window(display, gw)
                           : gdk_display_get_primary_monitor(display);
        if (!m) m = gdk_display_get_monitor(display, 0);
        if (!m) return;
        GdkRectangle g, w;
        gdk_monitor_get_geometry(m, &g);
        gdk_monitor_get_workarea(m, &w);
        std::lock_guard lock(mutex);
        monitor = {g.x, g.y, g.width, g.height};
        workArea = {w.x, w.y, w.width, w.height};
    }
};

namespace {

// Runs fn on the GTK thread.
void OnGtk(std::function<void()> fn) {
    auto* f = new std::function<void()>(std::move(fn));
    g_main_context_invoke_full(
        nullptr, G_PRIORITY_DEFAULT,
        [](gpointer p) -> gboolean {
            (*static_cast<std::function<void()>*>(p))();
            return G_SOURCE_REMOVE;
        },
        f, [](gpointer p) { delete static_cast<std::function<void()>*>(p); });
}

// A resizing edge or corner: the edge GDK drags and the cursor over it.
struct ResizeZone {
    GdkWindowEdge edge;
    const char* cursor;
};

// The resize zone of a hit; null for a hit that does not resize.
const ResizeZone* ResizeZoneOf(DesktopHit h) {
    // From ResizeTop on, in the order of DesktopHit.
    static constexpr ResizeZone kZones[] = {
        {GDK_WINDOW_EDGE_NORTH, "n-resize"},       {GDK_WINDOW_EDGE_SOUTH, "s-resize"},
        {GDK_WINDOW_EDGE_WEST, "w-resize"},        {GDK_WINDOW_EDGE_EAST, "e-resize"},
        {GDK_WINDOW_EDGE_NORTH_WEST, "nw-resize"}, {GDK_WINDOW_EDGE_NORTH_EAST, "ne-resize"},
        {GDK_WINDOW_EDGE_SOUTH_WEST, "sw-resize"}, {GDK_WINDOW_EDGE_SOUTH_EAST, "se-resize"}};
    static_assert(std::size(kZones) == static_cast<size_t>(DesktopHit::ResizeBottomRight) -
                                           static_cast<size_t>(DesktopHit::ResizeTop) + 1);
    const auto i = static_cast<size_t>(h) - static_cast<size_t>(DesktopHit::ResizeTop);
    return h >= DesktopHit::ResizeTop && i < std::size(kZones) ? &kZones[i] : nullptr;
}

gboolean OnPress(GtkWidget*, GdkEventButton* e, gpointer data) {
    auto* impl = static_cast<GtkDesktopWindow::Impl*>(data);
    if (e->type != GDK_BUTTON_PRESS || e->button != 1 || !impl->callbacks.hitTest) return FALSE;
    DesktopHit hit = impl->callbacks.hitTest(static_cast<int>(e->x), static_cast<int>(e->y));
    GtkWindow* w = GTK_WINDOW(impl->window);
    const int rx = static_cast<int>(e->x_root), ry = static_cast<int>(e->y_root);
    switch (hit) {
        case DesktopHit::Client:
            return FALSE;  // the page gets the press
        case DesktopHit::Move:
            gtk_window_begin_move_drag(w, e->button, rx, ry, e->time);
            return TRUE;
        case DesktopHit::Menu:
            gdk_window_show_window_menu(gtk_widget_get_window(impl->window),
                                        reinterpret_cast<GdkEvent*>(e));
            return TRUE;
        default:
            if (const ResizeZone* zone = ResizeZoneOf(hit))
                gtk_window_begin_resize_drag(w, zone->edge, e->button, rx, ry, e->time);
            return TRUE;
    }
}

gboolean OnMotion(GtkWidget* widget, GdkEventMotion* e, gpointer data) {
    auto* impl = static_cast<GtkDesktopWindow::Impl*>(data);
    if (!impl->callbacks.hitTest) return FALSE;
    const ResizeZone* zone =
        ResizeZoneOf(impl->callbacks.hitTest(static_cast<int>(e->x), static_cast<int>(e->y)));
    GdkWindow* gw = gtk_widget_get_window(widget);
    if (zone) {
        GdkCursor* c = gdk_cursor_new_from_name(gdk_window_get_display(gw), zone->cursor);
        gdk_window_set_cursor(gw, c);
        if (c) g_object_unref(c);
        return TRUE;  // over the border the page keeps its own cursor away
    }
    return FALSE;
}

gboolean OnConfigure(GtkWidget*, GdkEventConfigure* e, gpointer data) {
    auto* impl = static_cast<GtkDesktopWindow::Impl*>(data);
    DesktopRect r{e->x, e->y, e->width, e->height};
    {
        std::lock_guard lock(impl->mutex);
        impl->rect = r;
    }
    impl->updateMonitor();
    if (impl->callbacks.onGeometry) impl->callbacks.onGeometry(r);
    return FALSE;
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
    auto* impl = static_cast<GtkDesktopWindow::Impl*>(data);
    if (impl->callbacks.onCloseRequest) {
        impl->callbacks.onCloseRequest();
        return TRUE;  // the program decides when the window goes
    }
    return FALSE;
}

// With DORVATH_STARTUP_TRACE set, the moments of a start go to stderr as
// "startup-trace NAME MS" (milliseconds since 1970), for bench/startup.js: the window
// mapped, the frame page's first paint and the calendar's day cells drawn.
long long EpochMs() { return static_cast<long long>(g_get_real_time() / 1000); }

void Trace(const char* name, long long ms) {
    std::fprintf(stderr, "startup-trace %s %lld\n", name, ms);
    std::fflush(stderr);
}

struct StartTrace {
    WebKitWebView* view;
    bool painted = false;
    int polls = 0;
};

// What the pages have drawn so far, asked every 10 ms until the calendar is there.
constexpr const char* kStartProbe =
    "(() => { const p = performance.getEntriesByName('first-contentful-paint')[0] ||"
    " performance.getEntriesByName('first-paint')[0]; let cells = 0;"
    " try { cells = frames.main.frames.page1.document.querySelectorAll("
    "'widget[id=\"5000\"] .dv-i').length; } catch (e) {}"
    " return (p ? Math.round(performance.timeOrigin + p.startTime) : 0) + ' ' + cells; })()";

gboolean ProbeStart(gpointer data) {
    auto* t = static_cast<StartTrace*>(data);
    // 30 s at most; the trace stays for an answer still on its way (a few bytes, once).
    if (++t->polls > 3000) return G_SOURCE_REMOVE;
    webkit_web_view_evaluate_javascript(
        t->view, kStartProbe, -1, nullptr, nullptr, nullptr,
        [](GObject* view, GAsyncResult* res, gpointer data) {
            auto* t = static_cast<StartTrace*>(data);
            JSCValue* v =
                webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), res, nullptr);
            if (!v) return;
            gchar* text = jsc_value_to_string(v);
            long long paint = 0;
            int cells = 0;
            if (std::sscanf(text, "%lld %d", &paint, &cells) == 2) {
                if (paint > 0 && !t->painted) Trace("first-paint", paint);
                t->painted = t->painted || paint > 0;
                if (cells >= 42 && t->polls < 100000) {
                    Trace("calendar", EpochMs());
                    t->polls = 100000;  // the next tick ends the probe
                }
            }
            g_free(text);
            g_object_unref(v);
        },
        t);
    return G_SOURCE_CONTINUE;
}

gboolean OnWebProcessGone(WebKitWebView* view, WebKitWebProcessTerminationReason, gpointer) {
    webkit_web_view_reload(view);  // the bridge rebuilds the pages as they were
    return FALSE;
}

}  // namespace

bool DisplayAvailable(int* argc, char*** argv) {
    if (!gtk_init_check(argc, argv)) return false;
    gdk_set_program_class("Velcan");  // after GTK's own start, which sets a default
    return true;
}

bool ShowError(const std::string& text) {
    if (!gtk_init_check(nullptr, nullptr)) return false;
    GtkWidget* d = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                          GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(d), "DORVATH");
    gtk_dialog_run(GTK_DIALOG(d));
    gtk_widget_destroy(d);
    while (gtk_events_pending()) gtk_main_iteration();
    return true;
}

GtkDesktopWindow::GtkDesktopWindow(DesktopWindowOptions options, DesktopCallbacks callbacks)
    : impl_(std::make_unique<Impl>()) {
    impl_->options = std::move(options);
    impl_->callbacks = std::move(callbacks);
    GtkWidget* w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    impl_->window = w;
    gtk_window_set_title(GTK_WINDOW(w), impl_->options.title.c_str());
    gtk_window_set_decorated(GTK_WINDOW(w), FALSE);
    gtk_window_set_default_size(GTK_WINDOW(w), impl_->options.width, impl_->options.height);
    gtk_window_set_position(GTK_WINDOW(w), GTK_WIN_POS_CENTER);

    WebKitSettings* settings = webkit_settings_new_with_settings(
        "enable-developer-extras", FALSE, "enable-write-console-messages-to-stdout", FALSE,
        "hardware-acceleration-policy", WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER, nullptr);
    // The pages keep nothing in the browser, and WebKit's default place for its own data
    // ($XDG_DATA_HOME/dorvath) is the user's data folder: it keeps it in memory instead.
    impl_->webContext = webkit_web_context_new_ephemeral();
    impl_->view = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", impl_->webContext,
                                          "settings", settings, nullptr));
    g_object_unref(settings);
    gtk_container_add(GTK_CONTAINER(w), impl_->view);

    // Presses reach the window before the page, so the frame's border and caption act
    // as a title bar and sizing border.
    gtk_widget_add_events(impl_->view, GDK_BUTTON_PRESS_MASK | GDK_POINTER_MOTION_MASK);
    g_signal_connect(impl_->view, "button-press-event", G_CALLBACK(OnPress), impl_.get());
    g_signal_connect(impl_->view, "motion-notify-event", G_CALLBACK(OnMotion), impl_.get());
    g_signal_connect(w, "configure-event", G_CALLBACK(OnConfigure), impl_.get());
    g_signal_connect(w, "delete-event", G_CALLBACK(OnDelete), impl_.get());
    g_signal_connect(impl_->view, "web-process-terminated", G_CALLBACK(OnWebProcessGone), nullptr);
    if (std::getenv("DORVATH_STARTUP_TRACE")) {
        g_signal_connect(w, "map-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer) {
                             Trace("window-mapped", EpochMs());
                             return FALSE;
                         }),
                         nullptr);
        g_timeout_add(10, ProbeStart, new StartTrace{WEBKIT_WEB_VIEW(impl_->view)});
    }
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(impl_->view), impl_->options.url.c_str());
}

GtkDesktopWindow::~GtkDesktopWindow() {
    if (impl_->window) gtk_widget_destroy(impl_->window);
    if (impl_->webContext) g_object_unref(impl_->webContext);
}

int GtkDesktopWindow::run() {
    gtk_widget_show_all(impl_->window);
    gtk_window_present(GTK_WINDOW(impl_->window));
    impl_->updateMonitor();
    gtk_main();
    return impl_->exitCode;
}

void GtkDesktopWindow::quit(int code) {
    Impl* impl = impl_.get();
    OnGtk([impl, code] {
        impl->exitCode = code;
        gtk_widget_hide(impl->window);
        gtk_main_quit();
    });
}

void GtkDesktopWindow::minimize() {
    Impl* impl = impl_.get();
    OnGtk([impl] { gtk_window_iconify(GTK_WINDOW(impl->window)); });
}

void GtkDesktopWindow::present() {
    Impl* impl = impl_.get();
    OnGtk([impl] {
        gtk_window_deiconify(GTK_WINDOW(impl->window));
        gtk_window_present(GTK_WINDOW(impl->window));
    });
}

void GtkDesktopWindow::moveResize(const DesktopRect& r) {
    Impl* impl = impl_.get();
    OnGtk([impl, r] {
        gtk_window_move(GTK_WINDOW(impl->window), r.x, r.y);
        gtk_window_resize(GTK_WINDOW(impl->window), r.width, r.height);
    });
}

void GtkDesktopWindow::reload() {
    Impl* impl = impl_.get();
    OnGtk([impl] { webkit_web_view_reload(WEBKIT_WEB_VIEW(impl->view)); });
}

DesktopRect GtkDesktopWindow::monitorGeometry() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->monitor;
}

DesktopRect GtkDesktopWindow::monitorWorkArea() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->workArea;
}

namespace {

// GTK's patterns are case-sensitive; "*.gpx" becomes "*.[gG][pP][xX]". "*.*" is every name.
std::string CaseFreeGlob(const std::string& glob) {
    if (glob == "*.*") return "*";
    std::string out;
    for (char c : glob) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::isalpha(u))
            out += std::string("[") + char(std::tolower(u)) + char(std::toupper(u)) + "]";
        else
            out += c;
    }
    return out;
}

NativeFileAnswer RunChooser(GtkWindow* parent, const NativeFileRequest& r) {
    GtkFileChooserNative* dlg = gtk_file_chooser_native_new(
        r.title.c_str(), parent,
        r.save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN, nullptr, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dlg);
    std::vector<GtkFileFilter*> filters;
    for (const auto& f : r.filters) {
        GtkFileFilter* ff = gtk_file_filter_new();
        gtk_file_filter_set_name(ff, f.label.c_str());
        for (const std::string& g : f.globs)
            gtk_file_filter_add_pattern(ff, CaseFreeGlob(g).c_str());
        gtk_file_chooser_add_filter(chooser, ff);  // the chooser takes the reference
        filters.push_back(ff);
    }
    if (r.filterIndex >= 0 && r.filterIndex < static_cast<int>(filters.size()))
        gtk_file_chooser_set_filter(chooser, filters[r.filterIndex]);
    if (!r.folder.empty()) gtk_file_chooser_set_current_folder(chooser, r.folder.c_str());
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, r.save && r.overwritePrompt);
    gtk_file_chooser_set_local_only(chooser, TRUE);

    NativeFileAnswer a;
    a.filterIndex = r.filterIndex;
    if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(dlg)) == GTK_RESPONSE_ACCEPT) {
        if (gchar* name = gtk_file_chooser_get_filename(chooser)) {
            a.path = name;
            g_free(name);
        }
    }
    GtkFileFilter* chosen = gtk_file_chooser_get_filter(chooser);
    for (size_t i = 0; i < filters.size(); ++i)
        if (filters[i] == chosen) a.filterIndex = static_cast<int>(i);
    g_object_unref(dlg);
    return a;
}

}  // namespace

NativeFileAnswer GtkDesktopWindow::chooseFile(const NativeFileRequest& request) {
    auto done = std::make_shared<std::promise<NativeFileAnswer>>();
    std::future<NativeFileAnswer> answer = done->get_future();
    Impl* impl = impl_.get();
    OnGtk(
        [impl, request, done] { done->set_value(RunChooser(GTK_WINDOW(impl->window), request)); });
    try {
        return answer.get();
    } catch (const std::future_error&) {
        return {};  // GTK ended before the dialog could be shown
    }
}

void GtkDesktopWindow::openExternally(const std::string& pathOrUrl) {
    // xdg-open picks the user's browser or viewer; it is not waited for.
    gchar* argv[] = {const_cast<gchar*>("xdg-open"), const_cast<gchar*>(pathOrUrl.c_str()),
                     nullptr};
    g_spawn_async(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr);
}

std::unique_ptr<DesktopWindow> Create(DesktopWindowOptions options, DesktopCallbacks callbacks) {
    return std::make_unique<GtkDesktopWindow>(std::move(options), std::move(callbacks));
}

}  // namespace dorvath

extern "C" __attribute__((visibility("default"))) const dorvath::DesktopModule*
DorvathDesktopModule() {
    static const dorvath::DesktopModule module{dorvath::DisplayAvailable, dorvath::ShowError,
                                               dorvath::Create};
    return &module;
}
