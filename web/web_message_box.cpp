#include "web/web_message_box.h"

#include <emscripten.h>

namespace {

bool boxesWait = true;

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
    const ok = box.querySelector('button');
    if (!wait) {
        ok.onclick = () => { box.style.display = 'none'; };
        return;
    }
    await new Promise(resolve => {
        ok.onclick = () => {
            box.style.display = 'none';
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
    web_message_overlay(text ? text : "", caption ? caption : "", boxesWait ? 1 : 0);
}

void WebMessageBox::show(const char* text, const char* caption)
{
    web_show_message_box(text, caption);
}
