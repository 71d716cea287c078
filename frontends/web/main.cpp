// The browser build's entry: the page passes its query parameters as "name=value" arguments; a
// bad one is shown on the page instead of running. A run file the page opened comes through
// Module.pbPage.opened; the page reaches the running front end through the functions below.

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstring>

#include "frontends/web/page_options.h"
#include "frontends/web/web_frontend.h"
#include "platform/sim/run_demo.h"

EM_JS(void, web_refuse, (const char* message), { Module.pbPage.refuse(UTF8ToString(message)); });
// A line beside the run: why the address's run or the opened file is not replayed.
EM_JS(void, web_notice, (const char* message), { Module.pbPage.notice(UTF8ToString(message)); });
// Suspends until the first key, click or gamepad button.
EM_JS(void, web_wait_for_start, (),
      { Asyncify.handleSleep(function(wakeUp) { Module.pbPage.waitForStart(wakeUp); }); });
EM_JS(void, web_running, (uint32_t seed), { Module.pbPage.running(seed >>> 0); });
// The size in bytes of the opened file's name (part 0) or text (part 1); -1 when none is open.
EM_JS(int, web_opened_size, (int part), {
    var text = Module.pbPage.opened(part);
    return text == null ? -1 : lengthBytesUTF8(text);
});
EM_JS(void, web_opened_copy, (int part, char* out, int size),
      { stringToUTF8Array(Module.pbPage.opened(part), HEAPU8, out, size); });

namespace {

frontends::web::WebFrontend* running = nullptr;
std::string answer;  // what the last call below returned, kept until the next

std::optional<std::string> opened(int part) {
    const int size = web_opened_size(part);
    if (size < 0) {
        return std::nullopt;
    }
    std::string text((size_t)size + 1, '\0');
    web_opened_copy(part, text.data(), size + 1);
    text.resize((size_t)size);
    return text;
}

frontends::web::RunRead read_opened() {
    return frontends::web::read_run_file(opened(0).value_or(""), opened(1).value_or(""));
}

}  // namespace

extern "C" {

// 0 pauses or resumes, 1 steps one pulse while paused, 2 skips a replay to its end.
EMSCRIPTEN_KEEPALIVE void pb_web_press(int key) {
    if (running != nullptr && key >= 0 && key <= 2) {
        running->press((frontends::web::WebFrontend::PageKey)key);
    }
}

// The run so far as a link's run parameter; empty when there is none.
EMSCRIPTEN_KEEPALIVE const char* pb_web_link() {
    const std::optional<frontends::Run> run = running ? running->run_so_far() : std::nullopt;
    answer = run ? frontends::web::run_link(*run) : "";
    return answer.c_str();
}

// The run so far as a run file (part 1) and its name (part 0); empty when there is none.
EMSCRIPTEN_KEEPALIVE const char* pb_web_file(int part) {
    const bool any = running != nullptr && running->run_so_far();
    answer = !any ? "" : part == 0 ? running->file_name() : running->file();
    return answer.c_str();
}

// What is wrong with the file the page opened; empty when it replays.
EMSCRIPTEN_KEEPALIVE const char* pb_web_check_opened() {
    answer = read_opened().error;
    return answer.c_str();
}

}  // extern "C"

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
    frontends::web::PageRequest request = frontends::web::parse_page_options(parameters);
    if (!request.options) {
        web_refuse(request.error.c_str());
        return 0;
    }
    frontends::web::PageOptions& options = *request.options;
    if (!options.run_refused.empty()) {
        web_notice(("Cannot replay the link: " + options.run_refused + ".").c_str());
    }
    if (opened(1)) {
        frontends::web::RunRead file = read_opened();
        options.run = std::move(file.run);
        if (!options.run) {
            web_notice(("Cannot open " + file.error + ".").c_str());
        }
    }
    if (options.wait) {
        web_wait_for_start();
    }
    const uint16_t seed =
        frontends::web::page_seed(options, (uint16_t)(uint64_t)emscripten_date_now());

    // The run goes on long after main's first suspension hands control back to the page.
    static frontends::web::WebFrontend frontend(frontends::web::page_timeline(options), seed);
    static sim::Board board(frontend);
    frontend.start(board);
    running = &frontend;
    web_running(seed);
    // The page's hand-over never returns: the demo stays suspended for good.
    sim::run_demo(board);
}
