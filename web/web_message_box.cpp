#include "web/web_message_box.h"

#include <emscripten.h>

namespace {

bool boxesWait = true;
bool boxOpen = false;

EM_ASYNC_JS(void, web_message_overlay, (const char* text, const char* caption, int wait), {
    const box = document.getElementById('message');
    const words = UTF8ToString(text);
    const title = UTF8ToString(caption);
    if (!box)
        return;
    box.querySelector('.caption').textContent = title;
    box.querySelector('.text').textContent = words;
    box.style.display = 'flex';
    if (document.exitPointerLock)
        document.exitPointerLock();
    // OK has the focus, so that Enter and Space answer the box as they do natively.
    const ok = box.querySelector('button');
    ok.focus();
    if (!wait) {
        ok.onclick = () => { box.style.display = 'none'; };
        return;
    }
    await new Promise(resolve => {
        ok.onclick = () => {
            box.style.display = 'none';
            ok.onclick = null;
            resolve();
        };
    });
});

}  // namespace

void web_message_boxes_wait(bool wait)
{
    boxesWait = wait;
}

void web_show_message_box(const char* text, const char* caption)
{
    boxOpen = boxesWait;
    web_message_overlay(text ? text : "", caption ? caption : "", boxesWait ? 1 : 0);
    boxOpen = false;
}

bool web_message_box_open()
{
    return boxOpen;
}

void WebMessageBox::show(const char* text, const char* caption)
{
    web_show_message_box(text, caption);
}
