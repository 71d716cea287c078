// A global with a constructor: nothing would run it before demo_main.
int f();
int g = f();
extern "C" int demo_main() {
    return g;
}
