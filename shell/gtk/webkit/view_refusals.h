// What a page is never given, whoever asks: nothing dropped from another
// program is loaded in the desktop's place, and no download is saved.
#pragma once

#include <webkit2/webkit2.h>

namespace vantile {

// Refuses drops from other programs on `view`; drags within the page stay
// the page's business. Connect before WebKit's own handlers run.
void RefuseForeignDrops(WebKitWebView* view);
// Cancels every download `context` starts, from now on (once per context).
void CancelDownloads(WebKitWebContext* context);

}  // namespace vantile
