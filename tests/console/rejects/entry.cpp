// Entered somewhere else than demo_main.
extern "C" void demo_main() {
}
extern "C" void other() {
}
