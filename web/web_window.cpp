#include "web/web_window.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cmath>

#include "web/dom_keys.h"

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

// Function keys stay the browser's (reload, full screen, developer tools).
bool browser_keeps(const DomScanCode& scan)
{
    return !scan.extended && ((scan.code >= 0x3B && scan.code <= 0x44) || scan.code == 0x57 ||
                              scan.code == 0x58);
}

EM_BOOL on_key(int type, const EmscriptenKeyboardEvent* event, void* data)
{
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

// The canvas's displayed size differs from its pixels: positions are scaled to the pixels.
bool canvas_scale(double& sx, double& sy, int width, int height)
{
    double cssWidth = 0.0, cssHeight = 0.0;
    if (emscripten_get_element_css_size(CANVAS, &cssWidth, &cssHeight) != EMSCRIPTEN_RESULT_SUCCESS ||
        !(cssWidth > 0.0) || !(cssHeight > 0.0))
        return false;
    sx = width / cssWidth;
    sy = height / cssHeight;
    return true;
}

EM_BOOL on_mouse_move(int, const EmscriptenMouseEvent* event, void* data)
{
    auto* window = static_cast<WebWindow*>(data);
    EmscriptenPointerlockChangeEvent lock{};
    const bool locked = emscripten_get_pointerlock_status(&lock) == EMSCRIPTEN_RESULT_SUCCESS &&
                        lock.isActive;
    window->pointer_moved(double(event->targetX), double(event->targetY),
                          double(event->movementX), double(event->movementY), locked);
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
    // The player hides the cursor when it steers by the mouse: the page then keeps the pointer
    // (the browser grants that only on a click).
    if (type == EMSCRIPTEN_EVENT_MOUSEDOWN && window->cursor_hidden())
        emscripten_request_pointerlock(CANVAS, EM_TRUE);
    window->post({message, 0, 0});
    return EM_TRUE;
}

// The page's keys and the canvas's pointer events go to the window, or nowhere when null.
void listen(WebWindow* window)
{
    const bool on = window != nullptr;
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, window, EM_TRUE,
                                    on ? on_key : nullptr);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, window, EM_TRUE,
                                  on ? on_key : nullptr);
    emscripten_set_mousemove_callback(CANVAS, window, EM_TRUE, on ? on_mouse_move : nullptr);
    emscripten_set_mousedown_callback(CANVAS, window, EM_TRUE, on ? on_mouse_button : nullptr);
    emscripten_set_mouseup_callback(CANVAS, window, EM_TRUE, on ? on_mouse_button : nullptr);
    emscripten_set_dblclick_callback(CANVAS, window, EM_TRUE, on ? on_mouse_button : nullptr);
}

}  // namespace

WebWindow::~WebWindow()
{
    if (!created)
        return;
    listen(nullptr);
    emscripten_exit_pointerlock();
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

void WebWindow::pointer_moved(double x, double y, double dx, double dy, bool locked)
{
    if (locked) {
        cursorX += dx;
        cursorY += dy;
    } else {
        double sx = 1.0, sy = 1.0;
        if (!canvas_scale(sx, sy, width, height))
            return;
        cursorX = x * sx;
        cursorY = y * sy;
    }
    const int px = int(std::lround(std::fmax(-32768.0, std::fmin(32767.0, cursorX))));
    const int py = int(std::lround(std::fmax(-32768.0, std::fmin(32767.0, cursorY))));
    post({WM_MOUSEMOVE, 0, mouse_lparam(px, py)});
}

void WebWindow::pump_messages(WindowProc proc)
{
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
    cursorX = x;
    cursorY = y;
}

void WebWindow::show_cursor(bool show)
{
    cursorShown = show;
    web_canvas_cursor(show ? 1 : 0);
}
