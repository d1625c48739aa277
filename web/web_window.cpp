#include "web/web_window.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cmath>

#include "web/dom_keys.h"
#include "web/pointer_motion.h"
#include "web/web_message_box.h"

namespace {

constexpr const char* CANVAS = "#canvas";
// More messages than a pass of the loop ever sees: the oldest are dropped beyond it, so a page
// left in the background cannot grow the queue without bound.
constexpr size_t MAX_PENDING = 4096;

// Waits for the browser's next animation frame, the page running its events meanwhile. A page
// out of sight gets no animation frames; the player goes on there too (its music plays on), at
// the pace of a timer.
EM_ASYNC_JS(void, web_next_animation_frame, (int paced), {
    await new Promise(resolve => {
        // Unpaced, the page only gets its events handled: a message to itself comes back as
        // soon as they are, with none of the timers' least delays.
        if (!paced) {
            const channel = Module.sarnojYield || (Module.sarnojYield = new MessageChannel());
            channel.port1.onmessage = resolve;
            channel.port2.postMessage(0);
            return;
        }
        let done = false;
        const once = () => {
            if (!done) {
                done = true;
                resolve();
            }
        };
        requestAnimationFrame(once);
        setTimeout(once, 50);
    });
});

EM_JS(void, web_set_title, (const char* title), { document.title = UTF8ToString(title); });

EM_JS(void, web_show_canvas, (int width, int height), {
    const canvas = document.getElementById('canvas');
    if (!canvas)
        return;
    canvas.width = width;
    canvas.height = height;
    canvas.style.visibility = 'visible';
});

EM_JS(void, web_canvas_cursor, (int shown), {
    const canvas = document.getElementById('canvas');
    if (canvas)
        canvas.style.cursor = shown ? 'default' : 'none';
});

EM_JS(int, web_has_canvas, (), { return document.getElementById('canvas') ? 1 : 0; });

// The main loop's first pass: the page puts its start screen away.
EM_JS(void, web_run_started, (), {
    if (Module.onRunStarted)
        Module.onRunStarted();
});

// The canvas's box in CSS pixels and its image's pixels, for scaling the pointer's movements.
EM_JS(int, web_canvas_box, (double* box), {
    const canvas = document.getElementById('canvas');
    if (!canvas)
        return 0;
    const rect = canvas.getBoundingClientRect();
    HEAPF64[box >> 3] = rect.width;
    HEAPF64[(box >> 3) + 1] = rect.height;
    HEAPF64[(box >> 3) + 2] = canvas.width;
    HEAPF64[(box >> 3) + 3] = canvas.height;
    return 1;
});

// Whatever the run holds of the page is given back, by JavaScript alone so that the page can do
// it too when the program has aborted: the key, mouse, pointer-lock and full-screen listeners,
// the pointer lock, the full screen, the hidden cursor and the canvas's own menu.
EM_JS(void, web_install_release, (), {
    Module.sarnojReleasePage = () => {
        JSEvents.removeAllEventListeners();
        const canvas = document.getElementById('canvas');
        if (canvas) {
            canvas.oncontextmenu = null;
            canvas.style.cursor = 'default';
        }
        if (document.pointerLockElement && document.exitPointerLock)
            document.exitPointerLock();
        if (document.fullscreenElement && document.exitFullscreen)
            document.exitFullscreen().catch(() => {});
    };
});

EM_JS(int, web_is_full_screen, (), { return document.fullscreenElement ? 1 : 0; });

// Function keys stay the browser's (reload, full screen, developer tools).
bool browser_keeps(const DomScanCode& scan)
{
    return !scan.extended && ((scan.code >= 0x3B && scan.code <= 0x44) || scan.code == 0x57 ||
                              scan.code == 0x58);
}

EM_BOOL on_key(int type, const EmscriptenKeyboardEvent* event, void* data)
{
    // An open box takes the keys, as a modal box does natively: its OK answers Enter and Space.
    if (web_message_box_open())
        return EM_FALSE;
    auto* window = static_cast<WebWindow*>(data);
    const DomScanCode scan = dom_scan_code(event->code);
    if (scan.code == 0)
        return EM_FALSE;
    const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    const bool alt = event->altKey;
    uint32_t message;
    if (alt)
        message = down ? WM_SYSKEYDOWN : WM_SYSKEYUP;
    else
        message = down ? WM_KEYDOWN : WM_KEYUP;
    window->post({message, 0, key_lparam(scan.code, scan.extended, alt, !down || event->repeat,
                                         !down)});
    return browser_keeps(scan) ? EM_FALSE : EM_TRUE;
}

// Only the free camera reads the mouse, and only under pointer lock: before it, the pointer's
// place on the page says nothing about a cursor held at the window's centre.
EM_BOOL on_mouse_move(int, const EmscriptenMouseEvent* event, void* data)
{
    auto* window = static_cast<WebWindow*>(data);
    EmscriptenPointerlockChangeEvent lock{};
    if (emscripten_get_pointerlock_status(&lock) == EMSCRIPTEN_RESULT_SUCCESS && lock.isActive)
        window->pointer_moved(double(event->movementX), double(event->movementY));
    return EM_TRUE;
}

EM_BOOL on_mouse_button(int type, const EmscriptenMouseEvent* event, void* data)
{
    auto* window = static_cast<WebWindow*>(data);
    uint32_t base;
    switch (event->button) {
    case 0: base = WM_LBUTTONDOWN; break;
    case 2: base = WM_RBUTTONDOWN; break;
    case 1: base = WM_MBUTTONDOWN; break;
    default: return EM_FALSE;
    }
    uint32_t message = base;
    if (type == EMSCRIPTEN_EVENT_MOUSEUP)
        message = base + 1;
    else if (type == EMSCRIPTEN_EVENT_DBLCLICK)
        message = base + 2;
    // While the free camera flies, a click on the canvas gives it the pointer (the browser grants
    // that only on a click). Never otherwise: the browser would spend the first Escape on
    // releasing it, and Escape would not end the run.
    if (type == EMSCRIPTEN_EVENT_MOUSEDOWN && window->steering())
        emscripten_request_pointerlock(CANVAS, EM_FALSE);
    window->post({message, 0, 0});
    return EM_TRUE;
}

// Leaving the full screen the start click asked for (the browser's own Escape) ends the run as
// Escape does.
EM_BOOL on_full_screen(int, const EmscriptenFullscreenChangeEvent* event, void* data)
{
    static_cast<WebWindow*>(data)->full_screen_changed(event->isFullscreen);
    return EM_FALSE;
}

// The page's keys, the canvas's pointer events and the full screen's changes go to the window.
void listen(WebWindow* window)
{
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, window, EM_TRUE, on_key);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, window, EM_TRUE, on_key);
    emscripten_set_mousemove_callback(CANVAS, window, EM_TRUE, on_mouse_move);
    emscripten_set_mousedown_callback(CANVAS, window, EM_TRUE, on_mouse_button);
    emscripten_set_mouseup_callback(CANVAS, window, EM_TRUE, on_mouse_button);
    emscripten_set_dblclick_callback(CANVAS, window, EM_TRUE, on_mouse_button);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, window, EM_TRUE,
                                             on_full_screen);
}

}  // namespace

void web_release_page()
{
    EM_ASM({
        if (Module.sarnojReleasePage)
            Module.sarnojReleasePage();
    });
}

WebWindow::~WebWindow()
{
    if (created)
        web_release_page();
}

bool WebWindow::register_class(const char*)
{
    return web_has_canvas() != 0;
}

bool WebWindow::create_window(const char* title, int w, int h, bool)
{
    // Full screen or not, the window is the canvas: it fills as much of the page as it can.
    if (!web_has_canvas() || w <= 0 || h <= 0)
        return false;
    width = w;
    height = h;
    web_set_title(title ? title : "");
    web_install_release();
    fullScreen = web_is_full_screen() != 0;
    listen(this);
    // The right button is the player's, not the page's menu.
    EM_ASM({
        const canvas = document.getElementById('canvas');
        if (canvas)
            canvas.oncontextmenu = e => e.preventDefault();
    });
    created = true;
    return true;
}

void WebWindow::show_window()
{
    web_show_canvas(width, height);
}

void* WebWindow::handle()
{
    return created ? this : nullptr;
}

void WebWindow::post(const WebMessage& message)
{
    if (pending.size() >= MAX_PENDING)
        pending.pop_front();
    pending.push_back(message);
}

void WebWindow::pointer_moved(double dx, double dy)
{
    double box[4];
    double sx = 1.0, sy = 1.0;
    if (!web_canvas_box(box) ||
        !contained_scale(box[0], box[1], int(box[2]), int(box[3]), width, height, sx, sy))
        return;
    move_held_cursor(cursorX, cursorY, dx, dy, sx, sy, width, height);
    post({WM_MOUSEMOVE, 0, mouse_lparam(int(std::lround(cursorX)), int(std::lround(cursorY)))});
}

void WebWindow::full_screen_changed(bool now)
{
    if (fullScreen && !now)
        post({WM_CLOSE, 0, 0});
    fullScreen = now;
}

void WebWindow::pump_messages(WindowProc proc)
{
    if (!running) {
        running = true;
        web_run_started();
    }
    web_next_animation_frame(paced ? 1 : 0);
    // Messages posted while one is handled wait for the next pass.
    std::deque<WebMessage> now;
    now.swap(pending);
    for (const WebMessage& message : now)
        proc(this, message.message, message.wParam, message.lParam);
}

LRESULT WebWindow::default_proc(uint32_t, WPARAM, LPARAM)
{
    return 0;
}

ScreenRect WebWindow::cursor_clip_rect()
{
    return {0, 0, width, height};
}

void WebWindow::set_cursor_pos(int x, int y)
{
    // The browser cannot move the system cursor; under pointer lock the next movement counts
    // from here, which is all the player asks of it.
    cursorX = std::fmax(0.0, std::fmin(double(x), double(width - 1)));
    cursorY = std::fmax(0.0, std::fmin(double(y), double(height - 1)));
}

void WebWindow::show_cursor(bool show)
{
    web_canvas_cursor(show ? 1 : 0);
}

void WebWindow::steer_by_mouse(bool on)
{
    steer = on;
    if (!on)
        emscripten_exit_pointerlock();
}
