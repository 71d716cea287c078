// Passes: a loop entered at demo_main, nothing more.
extern "C" void demo_main() {
    for (;;) {
    }
}
