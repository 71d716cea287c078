// The browser build's entry: the page passes its query parameters as "name=value" arguments; a
// bad one is shown on the page instead of running.

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstring>

#include "frontends/web/page_options.h"
#include "frontends/web/web_frontend.h"
#include "platform/sim/run_demo.h"

EM_JS(void, web_refuse, (const char* message), { Module.pbPage.refuse(UTF8ToString(message)); });
// Suspends until the first key, click or gamepad button.
EM_JS(void, web_wait_for_start, (),
      { Asyncify.handleSleep(function(wakeUp) { Module.pbPage.waitForStart(wakeUp); }); });
EM_JS(void, web_running, (uint32_t seed), { Module.pbPage.running(seed >>> 0); });

int main(int argc, char** argv) {
    std::vector<std::pair<std::string, std::string>> parameters;
    for (int i = 1; i < argc; ++i) {
        const char* equals = std::strchr(argv[i], '=');
        if (equals == nullptr) {
            parameters.emplace_back(argv[i], "");
        } else {
            parameters.emplace_back(std::string(argv[i], (size_t)(equals - argv[i])), equals + 1);
        }
    }
    const frontends::web::PageRequest request = frontends::web::parse_page_options(parameters);
    if (!request.options) {
        web_refuse(request.error.c_str());
        return 0;
    }
    const frontends::web::PageOptions& options = *request.options;
    if (options.wait) {
        web_wait_for_start();
    }
    const uint16_t seed = options.seed.value_or((uint16_t)(uint64_t)emscripten_date_now());

    // The run goes on long after main's first suspension hands control back to the page.
    static frontends::web::WebFrontend frontend(frontends::web::page_timeline(options), seed);
    static sim::Board board(frontend);
    frontend.start(board);
    web_running(seed);
    // The page's hand-over never returns: the demo stays suspended for good.
    sim::run_demo(board);
}
